#include "run/win/tool_launcher_win.h"

#include <windows.h>

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

std::wstring CommandInterpreter() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) ThrowLastError(L"查找命令解释器");
    return std::wstring(folder, length) + L"\\cmd.exe";
}

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

std::unique_ptr<LaunchedTool> JobToolLauncher::Launch(const std::wstring& batchFile,
                                                      const std::wstring& workingDirectory) {
    // The batch starts by its name from its own folder: the folder's text never passes
    // through this command line, where cmd.exe would expand %name% and split at & or
    // blanks. /d skips AutoRun commands; /v:off keeps ! literal.
    const std::wstring name = batchFile.substr(batchFile.find_last_of(L"\\/") + 1);
    std::wstring commandLine = L"cmd.exe /d /v:off /c " + name;
    const std::wstring interpreter = CommandInterpreter();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, workingDirectory.c_str(), &startup, &process)) {
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
