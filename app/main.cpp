#include <windows.h>

#include <commctrl.h>

#include "app/safe_dll_loading.h"
#include "app/single_instance.h"
#include "run/run_context.h"
#include "run/steady_clock.h"
#include "run/win/batch_encoding_win.h"
#include "run/win/event_pump_win.h"
#include "run/win/file_system_win.h"
#include "run/win/installation_notice_win.h"
#include "run/win/registry_win.h"
#include "run/win/tool_launcher_win.h"
#include "ui/form1.h"
#include "win/fatal_error_report.h"
#include "win/system_folder.h"
#include "win/win32_error.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    using namespace tindrel;
    app::RestrictDllSearchToSystem();
    try {
        // Before any window: a second copy only shows the first.
        const app::SingleInstance oneCopy;
        if (oneCopy.AnotherCopyRuns()) {
            app::SingleInstance::ShowRunningCopy();
            return 0;
        }

        const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        if (!win::LoadSystemLibrary(L"msftedit.dll")) win::ThrowLastError(L"加载 RichEdit 控件", L"msftedit.dll");

        win::Win32Registry registry;
        win::Win32FileSystem files;
        win::OemBatchEncoding encoding;
        win::JobToolLauncher launcher;
        SteadyClock clock;
        win::Win32EventPump events(clock);
        win::MessageBoxInstallationNotice notice;
        RunContext context(registry, files, encoding, launcher, clock, events, notice);

        ui::Form1 form(context);
        form.Create(instance, show);

        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) win::DispatchWindowMessage(message);
        win::EndProgramOnQuit(message);
    } catch (...) {
        win::ReportCurrentException();
    }
}
