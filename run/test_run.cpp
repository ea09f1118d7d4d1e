#include "run/test_run.h"

#include <optional>
#include <string>

#include "run/batch_line.h"
#include "run/locate_tool.h"

namespace tindrel {
namespace {

constexpr wchar_t kOutputFile[] = L"b.txt";
constexpr wchar_t kBatchFile[] = L"run.bat";

constexpr wchar_t kRunningCaption[] = L"正在测试...";
constexpr wchar_t kRunningText[] = L"正在测试...请稍候！！";
constexpr wchar_t kDoneCaption[] = L"测试完成";
constexpr wchar_t kNoResultCaption[] = L"测试未完成";

constexpr unsigned long kErrorNoUnicodeTranslation = 1113;

std::wstring NoResultText(const RunContext& context) {
    const auto seconds = context.CycleLength.count() * kMaximumCycles / 1000;
    return L"等待 " + std::to_wstring(seconds) +
           L" 秒后仍没有得到测试结果。\r\n\r\n"
           L"请检查 Nero Burning Rom 的安装文件夹中是否有 nerocmd，刻录机是否连接正常，"
           L"然后再按一下“开始测试”按钮。";
}

// The run writes into the tool folder only when it is an existing folder named with its
// trailing backslash. A registry path of exactly "nero.exe" leaves no folder at all,
// and one whose file name merely ends in "nero.exe" leaves a folder name with part of
// a file name stuck to it; neither names an installation the tool can run from.
bool IsUsableToolFolder(const std::wstring& folder, FileSystem& files) {
    return !folder.empty() && folder.back() == L'\\' && files.IsDirectory(folder);
}

// The batch text and its bytes in the code page the command interpreter reads. A folder
// that code page cannot spell (C:\Café\ on a system whose OEM page lacks é) is written
// by its short name instead.
std::string EncodeBatchFile(ToolPaths& paths, RunContext& context, const std::wstring& batchPath) {
    BatchText text = ComposeBatchText(paths.Folder);
    std::optional<std::string> bytes = context.Encoding.Encode(text.BatchLine + L"\r\n");
    if (!bytes) {
        const std::wstring shortFolder = context.Files.ShortPath(paths.Folder);
        if (!shortFolder.empty()) {
            text = ComposeBatchText(shortFolder);
            bytes = context.Encoding.Encode(text.BatchLine + L"\r\n");
        }
    }
    if (!bytes) {
        throw SystemError(L"写入批处理文件", batchPath, kErrorNoUnicodeTranslation,
                          L"工具文件夹的名称无法用命令解释器的代码页表示。");
    }
    paths.Command = text.Command;
    paths.BatchLine = text.BatchLine;
    return *bytes;
}

// The command interpreter creates the output file before the tool writes to it, so the
// output counts as there only once nothing holds it open for writing any more.
bool OutputArrived(const std::wstring& path, FileSystem& files) {
    return files.FileExists(path) && !files.IsBeingWritten(path);
}

void RemoveWorkFile(const std::wstring& path, RunContext& context) {
    if (!context.Files.FileExists(path)) return;
    const Milliseconds giveUp = context.Time.Now() + kDeleteRetryTime;
    // A virus scanner or the tool's last moments can hold the file for a while.
    while (std::optional<SystemError> busy = context.Files.TryDeleteFile(path)) {
        if (context.Time.Now() >= giveUp) throw *busy;
        context.Events.ProcessEventsUntil(context.Time.Now() + kDeleteRetryStep, [] { return false; });
    }
}

void StopEarlierTool(RunContext& context) {
    if (!context.Tool) return;
    context.Tool->Stop();
    context.Tool.reset();
}

}  // namespace

void RemoveWorkFiles(const ToolPaths& Paths, RunContext& Context) {
    if (Paths.Folder.empty()) return;
    RemoveWorkFile(Paths.Folder + kOutputFile, Context);
    RemoveWorkFile(Paths.Folder + kBatchFile, Context);
}

void StartTestRun(ToolPaths& Paths, RunView& View, RunContext& Context) {
    const std::uint64_t run = ++Context.NewestRun;
    const auto superseded = [&Context, run] { return Context.NewestRun != run; };

    // An earlier run's tool may still hold its output file open; this run replaces it.
    StopEarlierTool(Context);
    RemoveWorkFiles(Paths, Context);
    if (superseded()) return;
    int cycles = 0;

    LocateTool(Paths, Context.Registry, Context.Notice);
    if (!IsUsableToolFolder(Paths.Folder, Context.Files)) Context.Notice.ReportMissingInstallation();

    const std::wstring outputPath = Paths.Folder + kOutputFile;
    const std::wstring batchPath = Paths.Folder + kBatchFile;
    const std::string batchBytes = EncodeBatchFile(Paths, Context, batchPath);

    Context.Files.ChangeDirectory(Paths.Folder);
    Context.Files.WriteFile(batchPath, batchBytes);

    View.SetCaption(kRunningCaption);
    View.SetResultText(kRunningText);
    View.SetResultPointer(true);
    View.SetExitEnabled(false);

    Context.Tool = Context.Launcher.Launch(batchPath, Paths.Folder);

    bool arrived = false;
    while (!arrived && cycles < kMaximumCycles) {
        const Milliseconds cycleEnd = Context.Time.Now() + Context.CycleLength;
        ++cycles;
        Context.Events.ProcessEventsUntil(cycleEnd, superseded);
        // The newer run owns the display and the work files now, and has finished.
        if (superseded()) return;
        arrived = cycles >= kMinimumCycles && OutputArrived(outputPath, Context.Files);
    }

    if (arrived) {
        View.SetCaption(kDoneCaption);
        View.SetResultText(L"");
        View.LoadResultFile(outputPath);
    } else {
        StopEarlierTool(Context);
        View.SetCaption(kNoResultCaption);
        View.SetResultText(NoResultText(Context));
    }
    View.SetResultPointer(false);
    View.SetExitEnabled(true);
    RemoveWorkFiles(Paths, Context);
}

}  // namespace tindrel
