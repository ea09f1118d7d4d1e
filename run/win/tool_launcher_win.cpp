#include "run/win/tool_launcher_win.h"

#include <windows.h>

#include <cwchar>

#include "run/interpreter_start.h"
#include "run/win/network_drives_win.h"
#include "run/win/process_table_win.h"
#include "win/system_folder.h"
#include "win/unique_handle.h"
#include "win/win32_error.h"

namespace tindrel::win {
namespace {

class JobTool final : public LaunchedTool {
public:
    JobTool(UniqueHandleKernel interpreter, UniqueHandleKernel job, std::unique_ptr<PushdDrives> drives)
        : interpreter_(std::move(interpreter)), job_(std::move(job)), drives_(std::move(drives)) {}

    // Windows may not end a tool stuck in a driver call at once, or at all; the run steps
    // around the files such a tool still holds.
    void Stop() override {
        Win32Process interpreter(interpreter_.Get());
        if (job_) {
            ::TerminateJobObject(job_.Get(), 1);
        } else {
            Win32ProcessTable processes;
            EndProcessTree(interpreter, ::GetProcessId(interpreter_.Get()), processes);
        }
        if (drives_) {
            // An interpreter ended in the middle of its pushd could map the letter a moment later.
            interpreter.WaitForEnd();
            drives_->RemoveNew();
        }
    }

    bool Finished() override { return ::WaitForSingleObject(interpreter_.Get(), 0) == WAIT_OBJECT_0; }

    std::optional<unsigned long> ExitCode() override {
        DWORD code = 0;
        if (!Finished() || !::GetExitCodeProcess(interpreter_.Get(), &code)) return std::nullopt;
        return code;
    }

private:
    UniqueHandleKernel interpreter_;
    UniqueHandleKernel job_;  // closing it ends what still runs in it
    std::unique_ptr<PushdDrives> drives_;  // for a network tool folder
};

UniqueHandleKernel CreateKillOnCloseJob() {
    UniqueHandleKernel job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        job.Reset();
    }
    return job;
}

// Handles the interpreter inherits: these are the only inheritable handles the program
// ever makes, and it has one thread, so nothing else slips into the tool.
UniqueFile OpenInheritable(const wchar_t* path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    return UniqueFile(::CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The program's own environment block, as the interpreter's is made from it.
std::wstring OwnEnvironment() {
    wchar_t* block = ::GetEnvironmentStringsW();
    if (!block) return {};
    const wchar_t* end = block;
    while (*end) end += std::wcslen(end) + 1;
    std::wstring copy(static_cast<const wchar_t*>(block), end);
    ::FreeEnvironmentStringsW(block);
    return copy;
}

}  // namespace

LaunchResult JobToolLauncher::Launch(const std::wstring& batchFile, const std::wstring& errorFile,
                                     const std::wstring& outputFile, const std::wstring& toolFolder) {
    const std::wstring interpreter = SystemFolder() + L"\\cmd.exe";
    const InterpreterStart plan = PlanInterpreterStart(batchFile, toolFolder, OwnEnvironment(), SystemFolder());
    std::wstring commandLine = L"cmd.exe " + plan.Arguments;

    // A prompt for a key reads end-of-file from the null device and goes on; nobody could
    // answer it in a hidden console. Both outputs go where the run can show them: what the
    // interpreter says when it will not run the batch file goes to either.
    const UniqueFile nothing = OpenInheritable(L"NUL", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (!nothing) ThrowLastError(L"打开空设备", L"NUL");
    UniqueFile errors;
    if (!errorFile.empty()) errors = OpenInheritable(errorFile.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    UniqueFile output;
    if (!outputFile.empty()) output = OpenInheritable(outputFile.c_str(), GENERIC_WRITE, CREATE_ALWAYS);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nothing.Get();
    startup.hStdOutput = output ? output.Get() : nothing.Get();
    startup.hStdError = errors ? errors.Get() : nothing.Get();
    PROCESS_INFORMATION process{};
    // Out of any job the program itself runs in (Run As, Task Scheduler, some launchers)
    // where that job allows it: jobs do not nest before Windows 8, and the tool must go
    // into a job of its own to be ended. Where it does not, the tool runs inside it.
    const auto start = [&](DWORD flags) {
        return ::CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | flags,
                                const_cast<wchar_t*>(plan.Environment.c_str()), plan.WorkingFolder.c_str(), &startup,
                                &process) != FALSE;
    };
    const bool started = start(CREATE_BREAKAWAY_FROM_JOB) || (::GetLastError() == ERROR_ACCESS_DENIED && start(0));
    if (!started) {
        const DWORD code = ::GetLastError();
        // Software Restriction Policies and AppLocker block cmd.exe on many shared PCs, an
        // ACL can deny it and a damaged system can lack it; any other failure is this
        // once's. Either way the run explains it: the program itself is not at fault.
        const bool blocked = code == ERROR_ACCESS_DISABLED_BY_POLICY || code == ERROR_ACCESS_DENIED ||
                             code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        return {nullptr, MakeSystemError(L"启动命令解释器", interpreter, code), blocked};
    }
    UniqueHandleKernel processHandle(process.hProcess);
    const UniqueHandleKernel threadHandle(process.hThread);

    UniqueHandleKernel job = CreateKillOnCloseJob();
    // Without a job the tool runs all the same; Stop then ends its process tree instead.
    if (job && !::AssignProcessToJobObject(job.Get(), process.hProcess)) job.Reset();
    if (!job) {
        // Stop then tells the interpreter's children by their creation times.
        Win32Process created(process.hProcess);
        Win32ProcessTable processes;
        WaitPastCreationStep(created, processes);
    }
    static Win32NetworkDrives networkDrives;
    auto drives = NetworkShareOf(toolFolder).empty() ? nullptr : std::make_unique<PushdDrives>(&networkDrives, toolFolder);
    ::ResumeThread(process.hThread);
    return {std::make_unique<JobTool>(std::move(processHandle), std::move(job), std::move(drives)), std::nullopt};
}

}  // namespace tindrel::win
