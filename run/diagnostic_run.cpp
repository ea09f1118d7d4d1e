#include "run/diagnostic_run.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "run/batch_policy.h"
#include "run/explanations.h"
#include "run/locate_tool.h"
#include "run/tool_names.h"
#include "run/work_files.h"

namespace tindrel {
namespace {

constexpr wchar_t kRunningCaption[] = L"正在测试...";
constexpr wchar_t kRunningText[] = L"正在测试...请稍候！！";
constexpr wchar_t kDoneCaption[] = L"测试完成";
constexpr wchar_t kNotDoneCaption[] = L"测试未完成";

// How long a run that found the output complete waits for the command interpreter to
// end before it reads the interpreter's status. The output is complete as soon as the
// tool has ended, and the interpreter ends right after it, since the tool is the batch
// line's last command: well under a second even on a slow machine. Five seconds leave a
// wide margin and stay under one cycle; an interpreter that outlives them (closing a
// network folder on a server that went away) is judged by the output as it stands.
constexpr Milliseconds kInterpreterEndWait{5000};
constexpr Milliseconds kInterpreterEndStep{100};

// The command interpreter runs nothing whose full name reaches 260 characters with its
// terminator; the longest name a run builds is the tool's, the folder plus its file name.
constexpr std::size_t kLongestToolFolder = 259 - std::char_traits<wchar_t>::length(kToolFile);

// Windows takes / for \ in a path; the rest of the run expects backslashes.
std::wstring WithBackslashes(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// A full path (C:\… or \\server\share\…) to an existing folder, named with its trailing
// backslash. A registry path of exactly "nero.exe" leaves no folder at all, one whose
// file name merely ends in "nero.exe" leaves part of a file name stuck to the folder,
// and a relative one would resolve against whatever directory is current; none names
// an installation the tool can run from.
bool IsUsableToolFolder(const std::wstring& folder, FileSystem& files) {
    const bool driveRooted = folder.size() >= 3 && ((folder[0] >= L'A' && folder[0] <= L'Z') ||
                                                    (folder[0] >= L'a' && folder[0] <= L'z')) &&
                             folder[1] == L':' && folder[2] == L'\\';
    const bool network = folder.size() >= 3 && folder.rfind(L"\\\\", 0) == 0 && folder[2] != L'?' && folder[2] != L'.';
    return (driveRooted || network) && folder.back() == L'\\' && files.IsDirectory(folder);
}

// The tool is done once the command interpreter has ended, even where a helper it left
// behind still holds the output or a prompt waits for a key, or once nothing writes to
// the output any more: the interpreter creates the file before the tool writes to it.
bool ToolDone(const std::wstring& outputPath, RunContext& context) {
    return context.Tool->Finished() || (context.Files.FileExists(outputPath) && !context.Files.IsBeingWritten(outputPath));
}

// Handles events until the interpreter has ended or kInterpreterEndWait has passed.
// False when Start is pressed meanwhile.
bool AwaitInterpreterEnd(RunContext& context, const std::function<bool()>& pressedAgain) {
    const Milliseconds giveUp = context.Time.Now() + kInterpreterEndWait;
    while (!context.Tool->Finished() && context.Time.Now() < giveUp) {
        context.Events.ProcessEventsUntil(std::min(giveUp, context.Time.Now() + kInterpreterEndStep), pressedAgain);
        if (pressedAgain()) return false;
    }
    return true;
}

void StopTool(RunContext& context) {
    if (!context.Tool) return;
    context.Tool->Stop();
    context.Tool.reset();
}

// Every run that shows no output ends the same way: a caption, an explanation in the
// results box, the window usable again and nothing left on disk.
void ShowNoResult(const std::wstring& text, ToolPaths& paths, RunView& view, RunContext& context) {
    view.SetCaption(kNotDoneCaption);
    view.SetResultText(text);
    view.SetResultPointer(false);
    view.SetExitEnabled(true);
    RemoveWorkFiles(paths, context);
}

// One pass from the first step to the result. Returns early, touching nothing more,
// when Start is pressed during its wait.
void RunOnce(ToolPaths& Paths, RunView& View, RunContext& Context) {
    // The tool of a pass that was cut short may still hold its output file.
    StopTool(Context);
    ClearEarlierWorkFiles(Paths, Context);
    int cycles = 0;

    LocateTool(Paths, Context.Registry, Context.Notice);
    Paths.Folder = WithBackslashes(Paths.Folder);
    if (!IsUsableToolFolder(Paths.Folder, Context.Files)) Context.Notice.ReportMissingInstallation();
    // Windows' interpreter would start and then refuse the batch file.
    if (PolicyBlocksBatchFiles(Context.Registry)) return ShowNoResult(BatchFilesBlockedText(), Paths, View, Context);
    if (Paths.Folder.size() > kLongestToolFolder) return ShowNoResult(FolderTooLongText(Paths.Folder), Paths, View, Context);

    Context.Files.ChangeDirectory(Paths.Folder);
    if (const std::optional<std::wstring> why = PlaceBatchFile(Paths, Context)) {
        return ShowNoResult(*why, Paths, View, Context);
    }
    const std::wstring outputPath = Paths.WorkFolder + kOutputFile;

    View.SetCaption(kRunningCaption);
    View.SetResultText(kRunningText);
    View.SetResultPointer(true);
    View.SetExitEnabled(false);

    LaunchResult launch = Context.Launcher.Launch(Paths.WorkFolder + kBatchFile, Paths.ErrorFile,
                                                  Paths.InterpreterOutput, Paths.Folder);
    if (launch.Refused) {
        return ShowNoResult(InterpreterRefusedText(*launch.Refused, launch.Blocked), Paths, View, Context);
    }
    Context.Tool = std::move(launch.Tool);

    const auto pressedAgain = [&Context] { return Context.RestartRequested; };
    bool arrived = false;
    while (!arrived && cycles < Context.MaximumCycles) {
        const Milliseconds cycleEnd = Context.Time.Now() + Context.CycleLength;
        ++cycles;
        if (!pressedAgain()) Context.Events.ProcessEventsUntil(cycleEnd, pressedAgain);
        if (pressedAgain()) return;
        arrived = cycles >= kMinimumCycles && ToolDone(outputPath, Context);
    }

    // Before the interpreter has ended there is no status to read, and none is success.
    if (arrived && !AwaitInterpreterEnd(Context, pressedAgain)) return;
    const std::optional<unsigned long> status = Context.Tool->ExitCode();
    // Whatever it left running (a helper holding the output) lets go of the work files.
    StopTool(Context);
    if (!arrived) return ShowNoResult(NoResultText(Context.CycleLength.count() * Context.MaximumCycles / 1000), Paths, View, Context);
    // Only an interpreter that has ended takes the run here without an output file, and
    // the interpreter creates that file before it even looks the tool up.
    if (!Context.Files.FileExists(outputPath)) {
        return ShowNoResult(BatchNeverRanText(Paths, status, Context.Files), Paths, View, Context);
    }
    const std::uint64_t outputSize = Context.Files.FileSize(outputPath);
    if (outputSize == 0 || status.value_or(0) != 0) {
        return ShowNoResult(ToolFailedText(Paths, status, outputSize, Context.Files), Paths, View, Context);
    }
    // The caption says the test is complete once the result is on screen.
    std::optional<SystemError> unreadable;
    RetryWhileHeld(Context, [&] {
        unreadable = View.LoadResultFile(outputPath);
        return unreadable && HeldByAnother(*unreadable);
    });
    if (unreadable) {
        return ShowNoResult(OutputUnreadableText(*unreadable, HeldByAnother(*unreadable)), Paths, View, Context);
    }
    View.SetCaption(kDoneCaption);
    View.SetResultPointer(false);
    View.SetExitEnabled(true);
    RemoveWorkFiles(Paths, Context);
}

class RunningFlag {
public:
    explicit RunningFlag(RunContext& context) : context_(context) { context_.Running = true; }
    ~RunningFlag() { context_.Running = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    RunContext& context_;
};

}  // namespace

void StartTestRun(ToolPaths& Paths, RunView& View, RunContext& Context) {
    if (Context.Running) {
        Context.RestartRequested = true;
        return;
    }
    const RunningFlag running(Context);
    const std::wstring previousDirectory = Context.Files.CurrentDirectory();
    // A press at any point of a pass, even while its work files are being removed,
    // begins one more pass.
    do {
        Context.RestartRequested = false;
        RunOnce(Paths, View, Context);
    } while (Context.RestartRequested);
    // The tool folder stays free to be renamed or removed while the program is open.
    Context.Files.LeaveDirectory(previousDirectory);
}

}  // namespace tindrel
