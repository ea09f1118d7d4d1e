// The smoke test of the 32-bit tindrel.exe, run from the 64-bit build so that only the
// program itself is emulated: start, About, one run with the simulated tool installed
// under "Program Files (x86)", Exit. Prints one line per check; exit code 1 if any failed.
//
//   tindrel_smoke32.exe <path of the 32-bit tindrel.exe>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>

#include "resources/resource_ids.h"
#include "tools/driver/app_driver.h"
#include "tools/driver/simulated_install.h"
#include "win/code_page.h"

namespace {

using namespace tindrel::e2e;
using Clock = std::chrono::steady_clock;

const wchar_t kToolFolder[] = L"C:\\Program Files (x86)\\Tindrel Smoke32\\Nero";

std::string Utf8(const std::wstring& text) { return tindrel::win::ToCodePage(CP_UTF8, text); }

std::wstring Seconds(Clock::duration elapsed) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f s", std::chrono::duration<double>(elapsed).count());
    return text;
}

class Checks {
public:
    bool Check(bool held, const std::wstring& what) {
        std::printf("%s %s\n", held ? "ok  " : "FAIL", Utf8(what).c_str());
        std::fflush(stdout);
        failed_ = failed_ || !held;
        return held;
    }
    bool Failed() const { return failed_; }

private:
    bool failed_ = false;
};

bool CheckStart(const RunningApp& app, Checks& checks) {
    const bool started = app.MainWindow() != nullptr;
    checks.Check(started, L"the main window (class TindrelForm1) appears" +
                              (started ? L" after " + Seconds(app.StartupTime()) : std::wstring(L" within 15 s")));
    if (!started) {
        DWORD code = 0;
        if (app.WaitForExit(0ms, &code)) {
            std::printf("     the process ended with code %#lx\n", static_cast<unsigned long>(code));
        } else {
            std::printf("     %s\n", app.Running() ? "the process runs without a window" : "the process did not start");
        }
        return false;
    }
    return checks.Check(app.Caption() == L"Tindrel测试", L"its caption is \"Tindrel测试\" (\"" + app.Caption() + L"\")");
}

bool CheckAbout(const RunningApp& app, Checks& checks) {
    app.Click(IDC_COMMAND2);
    HWND about = nullptr;
    WaitUntil([&] { return (about = app.FindWindowOf(TINDREL_ABOUT_CLASS)) != nullptr && ::IsWindowVisible(about); },
              10s);
    if (!checks.Check(about != nullptr, L"About opens a window of class TindrelAbout")) return false;
    const std::wstring caption = WindowText(about);
    checks.Check(caption == L"关于 Tindrel", L"About's caption is \"关于 Tindrel\" (\"" + caption + L"\")");
    ::PostMessageW(::GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    return checks.Check(WaitUntil([&] { return !::IsWindow(about); }, 10s), L"About closes with its OK button");
}

void CheckRun(const RunningApp& app, const SimulatedInstall& install, Checks& checks) {
    const auto pressed = Clock::now();
    app.Click(IDC_COMMAND1);
    const bool finished = app.WaitForCaption(L"测试完成", 60s);
    checks.Check(finished, L"Start ends with the caption \"测试完成\" after " + Seconds(Clock::now() - pressed) + L" (\"" +
                               app.Caption() + L"\")");
    const std::wstring results = app.Text(IDC_RICHTEXTBOX1);
    if (!checks.Check(results.find(L"找到 2 台刻录设备") != std::wstring::npos,
                      L"the results show \"找到 2 台刻录设备\" from " + install.Folder().wstring() + L"\\nerocmd.exe")) {
        std::printf("     results: %s\n", Utf8(results).c_str());
    }
}

void CheckExit(const RunningApp& app, const SimulatedInstall& install, Checks& checks) {
    app.Click(IDC_COMMAND3);
    DWORD code = 1;
    const bool ended = app.WaitForExit(15s, &code);
    checks.Check(ended && code == 0,
                 ended ? L"Exit ends the process with code " + std::to_wstring(code) : L"Exit ends the process");
    checks.Check(!install.WorkFilesLeft(), L"run.bat and b.txt are gone");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    if (argc != 2) {
        std::printf("usage: tindrel_smoke32.exe <path of the 32-bit tindrel.exe>\n");
        return 2;
    }
    Checks checks;
    const auto begun = Clock::now();
    {
        SimulatedInstall install(kToolFolder);
        RunningApp app(argv[1], TINDREL_FORM1_CLASS);
        if (CheckStart(app, checks)) {
            CheckAbout(app, checks);
            CheckRun(app, install, checks);
            CheckExit(app, install, checks);
        }
    }
    std::printf("%s after %s\n", checks.Failed() ? "32-bit smoke test FAILED" : "32-bit smoke test passed",
                Utf8(Seconds(Clock::now() - begun)).c_str());
    return checks.Failed() ? 1 : 0;
}
