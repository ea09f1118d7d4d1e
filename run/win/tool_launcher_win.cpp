#include "run/win/tool_launcher_win.h"

#include <windows.h>

#include "run/win/system_folder.h"
#include "run/win/unique_handle.h"
#include "run/win/win32_error.h"

namespace tindrel::win {
namespace {

class JobTool final : public LaunchedTool {
public:
    explicit JobTool(UniqueHandleKernel job) : job_(std::move(job)) {}
    void Stop() override {
        if (job_) ::TerminateJobObject(job_.Get(), 1);
    }

private:
    UniqueHandleKernel job_;  // closing it ends what still runs in it
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

}  // namespace

std::unique_ptr<LaunchedTool> JobToolLauncher::Launch(const std::wstring& batchFile) {
    // The batch starts from its own folder by an explicit relative name: the folder's
    // text never passes through this command line, where cmd.exe would expand %name% and
    // split at & or blanks, and ".\\" keeps the interpreter from searching for it (which
    // NoDefaultCurrentDirectoryInExePath would forbid in the current directory). /d skips
    // AutoRun commands; /v:off keeps ! literal.
    const std::size_t slash = batchFile.find_last_of(L"\\/");
    const std::wstring folder = batchFile.substr(0, slash + 1);
    std::wstring commandLine = L"cmd.exe /d /v:off /c .\\" + batchFile.substr(slash + 1);
    const std::wstring interpreter = SystemFolder() + L"\\cmd.exe";

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, folder.c_str(), &startup, &process)) {
        ThrowLastError(L"启动批处理文件", batchFile);
    }
    const UniqueHandleKernel processHandle(process.hProcess);
    const UniqueHandleKernel threadHandle(process.hThread);

    UniqueHandleKernel job = CreateKillOnCloseJob();
    // Without a job (say, one that forbids nesting) the tool runs all the same; it just
    // cannot be ended early.
    if (job && !::AssignProcessToJobObject(job.Get(), process.hProcess)) job.Reset();
    ::ResumeThread(process.hThread);
    return std::make_unique<JobTool>(std::move(job));
}

}  // namespace tindrel::win
