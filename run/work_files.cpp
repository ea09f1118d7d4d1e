#include "run/work_files.h"

#include "run/batch_line.h"

namespace tindrel {
namespace {

constexpr unsigned long kErrorAccessDenied = 5;
constexpr unsigned long kErrorNoUnicodeTranslation = 1113;

// Deletes the file if it is there, retrying while another process holds it; a virus
// scanner or a tool's last moments can hold it for a while. Returns the error when it
// was still held after the retry time.
std::optional<SystemError> DeleteWithRetry(const std::wstring& path, RunContext& context) {
    const Milliseconds giveUp = context.Time.Now() + kDeleteRetryTime;
    for (;;) {
        std::optional<SystemError> held = context.Files.TryDeleteFile(path);
        if (!held || context.Time.Now() >= giveUp) return held;
        context.Events.ProcessEventsUntil(context.Time.Now() + kDeleteRetryStep, [] { return false; });
    }
}

// True once neither work file is in `folder`, not even one that is deleted but still
// held open by another program and so keeps its name.
bool ClearForNewRun(const std::wstring& folder, RunContext& context) {
    for (const wchar_t* name : {kOutputFile, kBatchFile}) {
        const std::wstring path = folder + name;
        if (!context.Files.NameTaken(path)) continue;
        if (DeleteWithRetry(path, context) || context.Files.NameTaken(path)) return false;
    }
    return true;
}

bool IsNetworkPath(const std::wstring& folder) { return folder.rfind(L"\\\\", 0) == 0; }

// The batch bytes in the code page the command interpreter reads. Folders that code page
// cannot spell (C:\Café\ on a system whose OEM page lacks é) are written by their short
// names instead.
std::string EncodeBatchFile(ToolPaths& paths, const std::wstring& workFolder, RunContext& context) {
    BatchText text = ComposeBatchText(paths.Folder, workFolder);
    std::optional<std::string> bytes = context.Encoding.Encode(text.BatchLine + L"\r\n");
    if (!bytes) {
        const auto shortOrLong = [&context](const std::wstring& folder) {
            std::wstring shortName = context.Files.ShortPath(folder);
            return shortName.empty() ? folder : shortName;
        };
        text = ComposeBatchText(shortOrLong(paths.Folder), shortOrLong(workFolder));
        bytes = context.Encoding.Encode(text.BatchLine + L"\r\n");
    }
    if (!bytes) {
        throw SystemError(L"写入批处理文件", workFolder + kBatchFile, kErrorNoUnicodeTranslation,
                          L"文件夹的名称无法用命令解释器的代码页表示。");
    }
    paths.Command = text.Command;
    paths.BatchLine = text.BatchLine;
    return *bytes;
}

}  // namespace

void RemoveWorkFiles(const ToolPaths& Paths, RunContext& Context) {
    if (Paths.WorkFolder.empty()) return;
    for (const wchar_t* name : {kOutputFile, kBatchFile}) {
        const std::wstring path = Paths.WorkFolder + name;
        if (!Context.Files.FileExists(path)) continue;
        if (std::optional<SystemError> held = DeleteWithRetry(path, Context)) throw *held;
    }
    if (Paths.WorkFolder != Paths.Folder) Context.Files.RemoveEmptyFolder(Paths.WorkFolder);
}

void ClearEarlierWorkFiles(const ToolPaths& Paths, RunContext& Context) {
    if (Paths.WorkFolder.empty()) return;
    ClearForNewRun(Paths.WorkFolder, Context);
    // This run may not need the private folder; it is made again if it does.
    if (Paths.WorkFolder != Paths.Folder) Context.Files.RemoveEmptyFolder(Paths.WorkFolder);
}

void PlaceBatchFile(ToolPaths& Paths, RunContext& Context) {
    // The command interpreter cannot make a network folder its working directory, so
    // the batch file for one always lives apart and reaches the tool through pushd.
    if (!IsNetworkPath(Paths.Folder) && ClearForNewRun(Paths.Folder, Context)) {
        const std::string bytes = EncodeBatchFile(Paths, Paths.Folder, Context);
        if (!Context.Files.TryWriteFile(Paths.Folder + kBatchFile, bytes)) {
            Paths.WorkFolder = Paths.Folder;
            return;
        }
    }
    // A standard user may not write under Program Files; the private folder is theirs.
    const std::wstring workFolder = Context.Files.PrivateWorkFolder();
    Paths.WorkFolder = workFolder;
    if (!ClearForNewRun(workFolder, Context)) {
        throw SystemError(L"删除文件", workFolder + kOutputFile, kErrorAccessDenied,
                          L"上次测试的结果文件仍被其他程序占用。");
    }
    const std::string bytes = EncodeBatchFile(Paths, workFolder, Context);
    if (std::optional<SystemError> refused = Context.Files.TryWriteFile(workFolder + kBatchFile, bytes)) {
        throw *refused;
    }
}

}  // namespace tindrel
