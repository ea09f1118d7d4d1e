#include "run/win/installation_notice_win.h"

#include <windows.h>

#include <string>

namespace tindrel::win {
namespace {
constexpr UINT kExitMissingInstallation = 1;
constexpr UINT kExitFatalError = 2;
}  // namespace

void MessageBoxInstallationNotice::ReportMissingInstallation() {
    // No owner and task-modal: every window of the program is disabled while it shows.
    ::MessageBoxW(nullptr, L"Nero Burning Rom 未安装成功! 程序将退出!", L"错误", MB_OK | MB_TASKMODAL);
    ::ExitProcess(kExitMissingInstallation);
}

void ReportFatalError(const SystemError& error) {
    ::MessageBoxW(nullptr, (L"程序遇到无法处理的错误，将退出。\r\n\r\n" + error.Report()).c_str(), L"Tindrel",
                  MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ::ExitProcess(kExitFatalError);
}

void ReportFatalError(const char* what) {
    std::wstring text = L"程序遇到无法处理的错误，将退出。\r\n\r\n";
    for (const char* c = what; *c; ++c) text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    ::MessageBoxW(nullptr, text.c_str(), L"Tindrel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ::ExitProcess(kExitFatalError);
}

}  // namespace tindrel::win
