#include "run/win/installation_notice_win.h"

#include <windows.h>

#include <string>

namespace tindrel::win {
namespace {

constexpr UINT kExitMissingInstallation = 1;
constexpr UINT kExitFatalError = 2;

[[noreturn]] void ShowFatalReport(const std::wstring& details) {
    ::MessageBoxW(nullptr, (L"程序遇到无法处理的错误，将退出。\r\n\r\n" + details).c_str(), L"Tindrel",
                  MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ::ExitProcess(kExitFatalError);
}

}  // namespace

void MessageBoxInstallationNotice::ReportMissingInstallation() {
    // No owner and task-modal: every window of the program is disabled while it shows.
    ::MessageBoxW(nullptr, L"Nero Burning Rom 未安装成功! 程序将退出!", L"错误", MB_OK | MB_TASKMODAL);
    ::ExitProcess(kExitMissingInstallation);
}

void ReportFatalError(const SystemError& error) { ShowFatalReport(error.Report()); }

void ReportFatalError(const char* what) {
    std::wstring details;
    for (const char* c = what; *c; ++c) details += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    ShowFatalReport(details);
}

}  // namespace tindrel::win
