// What the README's run command shows. Both ways first put a simulated installation where
// a real one usually is: under "Program Files", named in the registry, with a drive lister
// that prints a plausible list in Chinese; the registry is put back when the demo ends.
//
//   tindrel_demo --interactive   starts tindrel.exe for you to use, until you exit it
//   tindrel_demo FOLDER          (no screen) starts tindrel.exe, presses Start, waits for
//                                the result, opens About, and leaves screenshots and the
//                                results box's text in FOLDER

#include <windows.h>

#include <fstream>
#include <string>
#include <thread>

#include "resources/resource_ids.h"
#include "tools/driver/app_driver.h"
#include "tools/driver/simulated_install.h"
#include "win/code_page.h"

namespace {

std::string Utf8(const std::wstring& text) { return tindrel::win::ToCodePage(CP_UTF8, text); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace tindrel::e2e;
    ::SetProcessDPIAware();
    const SimulatedInstall install(L"C:\\Program Files\\Ahead\\Nero", "mode=list\r\ndelay=1500\r\n");
    if (argc > 1 && std::wstring(argv[1]) == L"--interactive") {
        RunningApp app;
        return app.MainWindow() && app.WaitForExit(std::chrono::hours(24)) ? 0 : 1;
    }
    const std::wstring out = argc > 1 ? std::wstring(argv[1]) + L"\\" : L"";
    std::ofstream log((out + L"demo.txt").c_str(), std::ios::binary);

    RunningApp app;
    if (!app.MainWindow()) {
        log << "tindrel.exe did not show its window\n";
        return 1;
    }
    std::this_thread::sleep_for(500ms);
    SaveScreenshot(app.MainWindow(), out + L"main.bmp");

    app.Click(IDC_COMMAND1);
    app.WaitForCaption(L"正在测试...", 5s);
    std::this_thread::sleep_for(1s);
    SaveScreenshot(app.MainWindow(), out + L"running.bmp");
    if (!app.WaitForCaption(L"测试完成", 40s)) {
        log << "no result: caption " << Utf8(app.Caption()) << "\n";
        return 1;
    }
    std::this_thread::sleep_for(300ms);
    SaveScreenshot(app.MainWindow(), out + L"result.bmp");
    log << Utf8(app.Text(IDC_RICHTEXTBOX1)) << "\n";

    app.Click(IDC_COMMAND2);
    HWND about = nullptr;
    WaitUntil([&] { return (about = app.FindWindowOf(TINDREL_ABOUT_CLASS)) != nullptr; }, 5s);
    std::this_thread::sleep_for(500ms);
    if (about) SaveScreenshot(about, out + L"about.bmp");
    ::PostMessageW(about, WM_COMMAND, IDCANCEL, 0);

    app.Click(IDC_COMMAND3);
    return app.WaitForExit(5s) ? 0 : 1;
}
