#include "run/explanations.h"

#include <string_view>

#include "run/batch_policy.h"
#include "run/tool_names.h"

namespace tindrel {
namespace {

// How much of the tool's output and error output a failure report shows.
constexpr std::uint64_t kShownBytes = 16 * 1024;
constexpr unsigned long kCommandNotFound = 9009;  // the interpreter's "is not recognized"

bool ToolIsThere(const std::wstring& folder, FileSystem& files) {
    for (const wchar_t* extension : {L".exe", L".com", L".bat", L".cmd"}) {
        if (files.FileExists(folder + kToolName + extension)) return true;
    }
    return false;
}

std::wstring Trimmed(std::wstring text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}

// The start of a file the tool wrote, for a report, with a note when there is more.
std::wstring ShownPart(const std::wstring& path, std::uint64_t size, FileSystem& files) {
    std::wstring text = Trimmed(files.ReadTextStart(path, kShownBytes));
    if (size > kShownBytes) text += L"\r\n……（只显示了前 " + std::to_wstring(kShownBytes / 1024) + L" KB）";
    return text;
}

// The same for a work file that may not be there at all (no private folder, or a file
// the interpreter never wrote to): empty then.
std::wstring ShownFile(const std::wstring& path, FileSystem& files) {
    if (path.empty() || !files.FileExists(path)) return {};
    const std::uint64_t size = files.FileSize(path);
    return size ? ShownPart(path, size, files) : std::wstring();
}

std::wstring ExitCodeText(unsigned long code) {
    std::wstring text = std::to_wstring(code);
    if (code > 0xFFFF) {
        constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
        std::wstring hex;
        for (int shift = 28; shift >= 0; shift -= 4) hex += kDigits[(code >> shift) & 0xF];
        text += L"（0x" + hex + L"）";
    }
    return text;
}

std::wstring NotFoundText(const std::wstring& folder, const std::wstring& errors, FileSystem& files) {
    std::wstring text = L"在 Nero Burning Rom 的安装文件夹中没有找到 nerocmd：\r\n" + folder;
    if (ToolIsThere(folder, files)) {
        text = L"命令解释器找不到 nerocmd，虽然它在 Nero Burning Rom 的安装文件夹中：\r\n" + folder +
               L"\r\n请检查 PATHEXT 环境变量是否包含 .EXE。";
    }
    if (!errors.empty()) text += L"\r\n\r\n命令解释器的回答：\r\n" + errors;
    return text + L"\r\n\r\n请确认 Nero Burning Rom 已完整安装（包括命令行工具 nerocmd），"
                  L"然后再按一下“开始测试”按钮。";
}

}  // namespace

std::wstring NoResultText(long long seconds) {
    return L"等待 " + std::to_wstring(seconds) +
           L" 秒后仍没有得到测试结果。\r\n\r\n"
           L"请检查 Nero Burning Rom 的安装文件夹中是否有 nerocmd，刻录机是否连接正常，"
           L"然后再按一下“开始测试”按钮。";
}

std::wstring FolderTooLongText(const std::wstring& folder) {
    return L"Nero Burning Rom 的安装文件夹路径太长（" + std::to_wstring(folder.size()) +
           L" 个字符），命令解释器无法在其中运行 nerocmd：\r\n" + folder +
           L"\r\n\r\n请把 Nero Burning Rom 安装到路径较短的文件夹中，然后再按一下“开始测试”按钮。";
}

std::wstring InterpreterRefusedText(const SystemError& why, bool blocked) {
    return L"本程序无法启动命令解释器，所以无法运行 nerocmd：\r\n" + why.Subject + L"\r\n" +
           why.Description + L"（错误代码 " + std::to_wstring(why.Code) + L"）\r\n\r\n" +
           (blocked ? L"命令解释器在这台计算机上被禁止运行（学校、网吧等公用计算机常常这样设置），"
                      L"或者已经缺失。请联系这台计算机的管理员，然后再按一下“开始测试”按钮。"
                    : L"请稍后再按一下“开始测试”按钮；如果仍然如此，请重新启动计算机后再试。");
}

std::wstring BatchFilesBlockedText() {
    const std::string_view key = kCommandPromptPolicyKey;
    const std::string_view value = kCommandPromptPolicyValue;
    return L"这台计算机为当前用户设置了组策略“阻止访问命令提示符”，并且禁止运行批处理文件，"
           L"所以本程序无法运行 nerocmd：\r\nHKEY_CURRENT_USER\\" +
           std::wstring(key.begin(), key.end()) + L" 中的 " + std::wstring(value.begin(), value.end()) +
           L" 为 1\r\n\r\n学校、网吧等公用计算机常常这样设置。请联系这台计算机的管理员，"
           L"然后再按一下“开始测试”按钮。";
}

std::wstring BatchNeverRanText(const ToolPaths& paths, std::optional<unsigned long> status, FileSystem& files) {
    std::wstring text = L"批处理文件没有运行到 nerocmd：命令解释器已经结束";
    if (status && *status != 0) text += L"（退出代码为 " + ExitCodeText(*status) + L"）";
    text += L"，却没有建立输出文件。\r\n安装文件夹：" + paths.Folder;
    const std::wstring said = ShownFile(paths.InterpreterOutput, files);
    const std::wstring errors = ShownFile(paths.ErrorFile, files);
    if (!said.empty()) text += L"\r\n\r\n命令解释器的输出：\r\n" + said;
    if (!errors.empty()) text += L"\r\n\r\n命令解释器的错误信息：\r\n" + errors;
    if (said.empty() && errors.empty()) text += L"\r\n\r\n命令解释器没有说明原因。";
    // The interpreter echoes each batch command it runs: an echo of the line means the
    // batch did run, and only pushd or the output's redirection failed.
    if (said.find(kToolArgument) != std::wstring::npos) {
        return text + L"\r\n\r\n批处理文件已经运行，但没能进入 Nero Burning Rom 的安装文件夹，或者没能建立输出文件"
                      L"（原因见上面命令解释器的回答）。请确认这个文件夹可以打开（网络文件夹请检查网络连接），"
                      L"然后再按一下“开始测试”按钮。";
    }
    return text + L"\r\n\r\n这台计算机上的策略可能禁止运行批处理文件（学校、网吧等公用计算机常常这样设置）。"
                  L"请把上面的信息告诉这台计算机的管理员，然后再按一下“开始测试”按钮。";
}

std::wstring OutputUnreadableText(const SystemError& why, bool held) {
    return L"nerocmd 已经输出了测试结果，但本程序无法读取结果文件：\r\n" + why.Subject + L"\r\n" + why.Description +
           L"（错误代码 " + std::to_wstring(why.Code) + L"）\r\n\r\n" +
           (held ? L"另一个程序（例如杀毒软件）一直占用着这个文件。请稍等片刻，然后再按一下“开始测试”按钮。"
                 : L"请再按一下“开始测试”按钮。");
}

std::wstring NoWritablePlaceText(const std::wstring& toolFolder, const SystemError& why) {
    return L"没有可以写入工作文件的文件夹，无法运行 nerocmd。\r\n"
           L"Nero Burning Rom 的安装文件夹中不能写入工作文件：" +
           toolFolder + L"\r\n临时文件夹中也无法写入：" + why.Subject + L"\r\n" + why.Description +
           L"\r\n\r\n请检查临时文件夹（TEMP 环境变量）是否存在、是否允许写入，然后再按一下“开始测试”按钮。";
}

std::wstring ToolFailedText(const ToolPaths& paths, std::optional<unsigned long> status, std::uint64_t outputSize,
                            FileSystem& files) {
    const std::wstring outputPath = paths.WorkFolder + kOutputFile;
    const std::wstring errors = ShownFile(paths.ErrorFile, files);
    if (status == kCommandNotFound || (outputSize == 0 && errors.empty() && !ToolIsThere(paths.Folder, files))) {
        return NotFoundText(paths.Folder, errors, files);
    }
    std::wstring text;
    if (status && *status != 0) {
        text = L"nerocmd 运行失败，退出代码为 " + ExitCodeText(*status) + L"。";
    } else if (errors.empty()) {
        text = L"nerocmd 已经运行，但没有输出任何内容。";
    } else {
        text = L"nerocmd 没有输出测试结果，只输出了错误信息。";
    }
    text += L"\r\n安装文件夹：" + paths.Folder;
    if (outputSize > 0) text += L"\r\n\r\nnerocmd 的输出：\r\n" + ShownPart(outputPath, outputSize, files);
    if (!errors.empty()) text += L"\r\n\r\nnerocmd 的错误信息：\r\n" + errors;
    return text + L"\r\n\r\n请检查刻录机是否连接正常，然后再按一下“开始测试”按钮。";
}

}  // namespace tindrel
