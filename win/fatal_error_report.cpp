#include "win/fatal_error_report.h"

#include <windows.h>

#include <exception>
#include <string>

#include "win/code_page.h"

namespace tindrel::win {
namespace {

constexpr UINT kExitFatalError = 2;

[[noreturn]] void ShowFatalReport(const std::wstring& details) noexcept {
    // The report's message loop still dispatches the program's messages (a load timer's
    // ticks among them); a failure there ends the program at once instead of stacking a
    // second report over the first.
    static LONG shown = 0;
    if (::InterlockedExchange(&shown, 1) != 0) ::ExitProcess(kExitFatalError);
    ::MessageBoxW(nullptr, (L"程序遇到无法处理的错误，将退出。\r\n\r\n" + details).c_str(), L"Tindrel",
                  MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ::ExitProcess(kExitFatalError);
}

}  // namespace

void ReportFatalError(const SystemError& error) { ShowFatalReport(error.Report()); }

void ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const SystemError& error) {
        ReportFatalError(error);
    } catch (const std::exception& error) {
        ShowFatalReport(FromCodePage(CP_ACP, error.what()));
    } catch (...) {
        ShowFatalReport(L"未知的异常");
    }
}

}  // namespace tindrel::win
