#include <windows.h>

#include <commctrl.h>

#include "app/safe_dll_loading.h"
#include "run/steady_clock.h"
#include "run/test_run.h"
#include "run/win/event_pump_win.h"
#include "run/win/file_system_win.h"
#include "run/win/installation_notice_win.h"
#include "run/win/registry_win.h"
#include "run/win/tool_launcher_win.h"
#include "run/win/win32_error.h"
#include "ui/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    using namespace tindrel;
    app::RestrictDllSearchToSystem();
    try {
        const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        if (!app::LoadSystemLibrary(L"msftedit.dll")) win::ThrowLastError(L"加载 RichEdit 控件", L"msftedit.dll");

        win::Win32Registry registry;
        win::Win32FileSystem files;
        win::OemBatchEncoding encoding;
        win::JobToolLauncher launcher;
        SteadyClock clock;
        win::Win32EventPump events(clock);
        win::MessageBoxInstallationNotice notice;
        RunContext context{registry, files, encoding, launcher, clock, events, notice, Milliseconds{6000}, 0, nullptr};

        ui::Form1 form(context);
        form.Create(instance, show);

        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) win::DispatchWindowMessage(message);
        return static_cast<int>(message.wParam);
    } catch (const SystemError& error) {
        win::ReportFatalError(error);
    } catch (const std::exception& error) {
        win::ReportFatalError(error.what());
    }
}
