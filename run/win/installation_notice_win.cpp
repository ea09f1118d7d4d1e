#include "run/win/installation_notice_win.h"

#include <windows.h>

namespace tindrel::win {
namespace {

constexpr UINT kExitMissingInstallation = 1;

}  // namespace

void MessageBoxInstallationNotice::ReportMissingInstallation() {
    // No owner and task-modal: every window of the program is disabled while it shows.
    ::MessageBoxW(nullptr, L"Nero Burning Rom 未安装成功! 程序将退出!", L"错误", MB_OK | MB_TASKMODAL);
    ::ExitProcess(kExitMissingInstallation);
}

}  // namespace tindrel::win
