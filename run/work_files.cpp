#include "run/work_files.h"

#include <algorithm>
#include <initializer_list>

#include "run/batch_line.h"
#include "run/explanations.h"

namespace tindrel {
namespace {

constexpr unsigned long kErrorSharingViolation = 32;
constexpr unsigned long kErrorLockViolation = 33;

// Deletes the file if it is there, retrying while another process holds it. True once it
// is gone.
bool DeleteWithRetry(const std::wstring& path, RunContext& context) {
    DeleteResult result = DeleteResult::Stays;
    RetryWhileHeld(context, [&] {
        result = context.Files.TryDeleteFile(path);
        return result == DeleteResult::Held;
    });
    return result == DeleteResult::Deleted;
}

// True once none of the `names` is in `folder`, not even a file that is deleted but
// still held open by another program and so keeps its name.
bool ClearForNewRun(const std::wstring& folder, std::initializer_list<const wchar_t*> names, RunContext& context) {
    for (const wchar_t* name : names) {
        const std::wstring path = folder + name;
        if (!context.Files.NameTaken(path)) continue;
        if (!DeleteWithRetry(path, context) || context.Files.NameTaken(path)) return false;
    }
    return true;
}

bool IsNetworkPath(const std::wstring& folder) { return folder.rfind(L"\\\\", 0) == 0; }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }

// Deletes a work file where it can; one that stays is left for a later run.
void RemoveIfThere(const std::wstring& path, RunContext& context) {
    if (context.Files.FileExists(path)) DeleteWithRetry(path, context);
}

std::wstring PrivateFolderName(int n) {
    return n == 1 ? std::wstring(kPrivateFolderName) : std::wstring(kPrivateFolderName) + L"." + std::to_wstring(n);
}

// The other private folders a run may have stepped around while a stopped tool still
// held their files: by the end of a run those tools are long gone, and what they held
// goes now, as far as it can. Nothing here waits.
void SweepOtherPrivateFolders(const ToolPaths& paths, RunContext& context) {
    const std::wstring own = FolderOf(paths.ErrorFile);
    const std::wstring temp = FolderOf(own.substr(0, own.size() - 1));
    for (int n = 1; n <= kPrivateFolderNames; ++n) {
        const std::wstring folder = temp + PrivateFolderName(n) + L"\\";
        if (folder == own || !context.Files.IsDirectory(folder)) continue;
        for (const wchar_t* name : {kOutputFile, kBatchFile, kErrorFile, kInterpreterOutputFile}) {
            if (context.Files.FileExists(folder + name)) context.Files.TryDeleteFile(folder + name);
        }
        context.Files.RemoveEmptyFolder(folder);
    }
}

// The private folders this run's files went to, once they are empty.
void RemoveEmptyPrivateFolders(const ToolPaths& paths, RunContext& context) {
    if (!paths.WorkFolder.empty() && paths.WorkFolder != paths.Folder) context.Files.RemoveEmptyFolder(paths.WorkFolder);
    if (!paths.ErrorFile.empty() && FolderOf(paths.ErrorFile) != paths.WorkFolder) {
        context.Files.RemoveEmptyFolder(FolderOf(paths.ErrorFile));
    }
}

struct PrivatePlace {
    std::wstring Folder;            // empty when no private folder could be had
    std::optional<SystemError> Why;  // and why not
};

// The first private folder that can be made and holds nothing of an earlier run that
// cannot be removed: "Tindrel", else "Tindrel.2" and on, so that a file of that name, or
// the held output of a tool Windows could not end, does not stop the run.
PrivatePlace FindPrivateFolder(RunContext& context) {
    PrivatePlace place;
    for (int n = 1; n <= kPrivateFolderNames; ++n) {
        try {
            const std::wstring folder = context.Files.PrivateWorkFolder(PrivateFolderName(n));
            if (ClearForNewRun(folder, {kOutputFile, kBatchFile, kErrorFile, kInterpreterOutputFile}, context)) {
                return {folder, {}};
            }
            context.Files.RemoveEmptyFolder(folder);
            place.Why = SystemError(L"删除文件", folder, kErrorSharingViolation, L"上次测试的文件仍被其他程序占用。");
        } catch (const SystemError& error) {
            place.Why = error;
        }
    }
    return place;
}

bool IsAscii(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

// A folder as the batch line names it. cmd.exe reads a batch file in its console's code
// page, which a per-user console setting can make UTF-8 instead of the OEM page, so a
// name outside ASCII is left to the interpreter to expand (`reference`: the batch file's
// own folder, or the tool folder the launcher hands it). Wine's cmd expands a % in such a
// value once more, so a folder with % in its name keeps an ASCII short name or its
// spelling in the OEM code page where it has one.
std::wstring FolderInLine(const std::wstring& folder, const wchar_t* reference, RunContext& context) {
    if (IsAscii(folder)) return folder;
    if (folder.find(L'%') != std::wstring::npos) {
        const std::wstring shortName = context.Files.ShortPath(folder);
        if (!shortName.empty() && IsAscii(shortName)) return shortName;
        if (context.Encoding.Encode(folder)) return folder;
    }
    return reference;
}

// Composes and encodes the batch line for the tool folder and `workFolder`, and keeps
// the texts in Paths. Returns the bytes: ASCII, unless a folder with % in its name is
// spelled in the OEM code page.
std::string EncodeBatchFile(ToolPaths& paths, const std::wstring& workFolder, RunContext& context) {
    const bool inToolFolder = workFolder == paths.Folder;
    const std::wstring tool = FolderInLine(paths.Folder, inToolFolder ? kBatchFileFolder : kToolFolderReference, context);
    const BatchText text =
        ComposeBatchText(tool, inToolFolder ? tool : FolderInLine(workFolder, kBatchFileFolder, context));
    paths.Command = text.Command;
    paths.BatchLine = text.BatchLine;
    return context.Encoding.Encode(text.BatchLine + L"\r\n").value();
}

}  // namespace

void RetryWhileHeld(RunContext& Context, const std::function<bool()>& attempt) {
    const Milliseconds giveUp = Context.Time.Now() + kDeleteRetryTime;
    while (attempt() && Context.Time.Now() < giveUp) {
        Context.Events.ProcessEventsUntil(Context.Time.Now() + kDeleteRetryStep, [] { return false; });
    }
}

bool HeldByAnother(const SystemError& Why) {
    return Why.Code == kErrorSharingViolation || Why.Code == kErrorLockViolation;
}

void RemoveWorkFiles(const ToolPaths& Paths, RunContext& Context) {
    if (!Paths.WorkFolder.empty()) {
        RemoveIfThere(Paths.WorkFolder + kOutputFile, Context);
        RemoveIfThere(Paths.WorkFolder + kBatchFile, Context);
    }
    if (!Paths.ErrorFile.empty()) RemoveIfThere(Paths.ErrorFile, Context);
    if (!Paths.InterpreterOutput.empty()) RemoveIfThere(Paths.InterpreterOutput, Context);
    RemoveEmptyPrivateFolders(Paths, Context);
    if (!Paths.ErrorFile.empty()) SweepOtherPrivateFolders(Paths, Context);
}

void ClearEarlierWorkFiles(const ToolPaths& Paths, RunContext& Context) {
    if (!Paths.WorkFolder.empty()) ClearForNewRun(Paths.WorkFolder, {kOutputFile, kBatchFile}, Context);
    if (!Paths.ErrorFile.empty()) {
        ClearForNewRun(FolderOf(Paths.ErrorFile), {kErrorFile, kInterpreterOutputFile}, Context);
    }
    // This run may not need the private folder; it is made again if it does.
    RemoveEmptyPrivateFolders(Paths, Context);
}

std::optional<std::wstring> PlaceBatchFile(ToolPaths& Paths, RunContext& Context) {
    const PrivatePlace privatePlace = FindPrivateFolder(Context);
    Paths.ErrorFile = privatePlace.Folder.empty() ? std::wstring() : privatePlace.Folder + kErrorFile;
    Paths.InterpreterOutput = privatePlace.Folder.empty() ? std::wstring() : privatePlace.Folder + kInterpreterOutputFile;

    // The command interpreter cannot make a network folder its working directory, so
    // the batch file for one always lives apart and reaches the tool through pushd.
    if (!IsNetworkPath(Paths.Folder) && ClearForNewRun(Paths.Folder, {kOutputFile, kBatchFile}, Context)) {
        Paths.WorkFolder = Paths.Folder;
        if (!Context.Files.TryWriteFile(Paths.Folder + kBatchFile, EncodeBatchFile(Paths, Paths.Folder, Context))) {
            return std::nullopt;
        }
    }
    // A standard user may not write under Program Files; the private folder is theirs.
    if (privatePlace.Folder.empty()) {
        Paths.WorkFolder.clear();
        return NoWritablePlaceText(Paths.Folder, *privatePlace.Why);
    }
    Paths.WorkFolder = privatePlace.Folder;
    const std::string bytes = EncodeBatchFile(Paths, privatePlace.Folder, Context);
    if (std::optional<SystemError> privateRefused = Context.Files.TryWriteFile(privatePlace.Folder + kBatchFile, bytes)) {
        return NoWritablePlaceText(Paths.Folder, *privateRefused);
    }
    return std::nullopt;
}

}  // namespace tindrel
