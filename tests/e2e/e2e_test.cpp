// The real tindrel.exe under Wine, driven from outside as a user would drive it.

#include <fstream>

#include "resources/form1_layout.h"
#include "tests/e2e/e2e_fixture.h"
#include "tools/driver/system_settings.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// Named CALLBACKs, not lambdas: 32-bit callbacks are __stdcall.
BOOL CALLBACK CountAboutWindows(HWND window, LPARAM counter) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (::lstrcmpW(name, TINDREL_ABOUT_CLASS) == 0) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

BOOL CALLBACK CollectTexts(HWND child, LPARAM collected) {
    *reinterpret_cast<std::wstring*>(collected) += WindowText(child) + L"|";
    return TRUE;
}

TEST_F(EndToEndTest, TheMainWindowOpensWithItsLayout) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    EXPECT_EQ(app.Caption(), L"Tindrel测试");
    const SIZE client = ClientSize(app.MainWindow());
    EXPECT_EQ(client.cx, 570);
    EXPECT_EQ(client.cy, 390);
    for (const ControlLayout& layout : kForm1Controls) {
        SCOPED_TRACE(fs::path(layout.Name).string());
        const HWND control = app.Control(layout.Id);
        ASSERT_TRUE(control);
        const RECT rect = RectIn(app.MainWindow(), control);
        EXPECT_EQ(rect.left, ::MulDiv(layout.Left, 96, 1440));
        EXPECT_EQ(rect.top, ::MulDiv(layout.Top, 96, 1440));
        EXPECT_EQ(rect.right - rect.left, ::MulDiv(layout.Width, 96, 1440));
        EXPECT_EQ(rect.bottom - rect.top, ::MulDiv(layout.Height, 96, 1440));
        EXPECT_EQ(WindowText(control), layout.Text);
    }
    // Tab order: Start, About, results, Exit, and round again.
    HWND focus = app.Control(IDC_COMMAND1);
    for (int id : {IDC_COMMAND2, IDC_RICHTEXTBOX1, IDC_COMMAND3, IDC_COMMAND1}) {
        focus = ::GetNextDlgTabItem(app.MainWindow(), focus, FALSE);
        EXPECT_EQ(::GetDlgCtrlID(focus), id);
    }
    EXPECT_TRUE(app.Enabled(IDC_COMMAND3));
    const LONG style = ::GetWindowLongW(app.MainWindow(), GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
}

TEST_F(EndToEndTest, ARunShowsTheToolsOutputAndExitRemovesTheWorkFiles) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    const auto start = std::chrono::steady_clock::now();
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    // The box's text comes through a message, answered once the press is handled whole.
    EXPECT_EQ(app.Text(IDC_RICHTEXTBOX1), L"正在测试...请稍候！！");
    EXPECT_FALSE(app.Enabled(IDC_COMMAND3));
    EXPECT_TRUE(fs::exists(kToolFolder / L"run.bat"));

    // The window stays usable while the run waits, and refuses to close.
    app.Click(IDC_COMMAND2);
    EXPECT_TRUE(WaitUntil([&] { return app.FindWindowOf(TINDREL_ABOUT_CLASS) != nullptr; }, kPromptly));
    ::PostMessageW(app.FindWindowOf(TINDREL_ABOUT_CLASS), WM_COMMAND, IDCANCEL, 0);
    ::PostMessageW(app.MainWindow(), WM_CLOSE, 0, 0);
    ::PostMessageW(app.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return app.FindWindowOf(TINDREL_ABOUT_CLASS) == nullptr; }, kPromptly));
    EXPECT_EQ(app.Caption(), L"正在测试...");

    ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 12s);
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(L"找到 2 台刻录设备"));
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(L"扫描完成。"));
    EXPECT_TRUE(app.Enabled(IDC_COMMAND3));
    EXPECT_FALSE(WorkFilesLeft());
    ::PostMessageW(app.MainWindow(), WM_CLOSE, 0, 0);

    // A second run, with the caption never going back to the initial one.
    // Large, and starting like RTF: still shown as the text it is.
    std::ofstream(kToolFolder / L"nerocmd.cfg") << "mode=large\nsize=70000\nprefix={\\rtf1\\b bold}\n";
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));
    // Its start is there at once, the rest follows between messages.
    WaitUntil([&] { return app.Text(IDC_RICHTEXTBOX1).size() >= 70000; }, kRunEnds);
    const std::wstring large = app.Text(IDC_RICHTEXTBOX1);
    std::wstring expected = L"{\\rtf1\\b bold}";
    while (expected.size() < 70000) expected += L"0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789\r\n";
    expected.resize(70000);
    const auto mismatch = std::mismatch(large.begin(), large.end(), expected.begin(), expected.end());
    EXPECT_EQ(large.size(), expected.size()) << "no truncation at 32K or 64K characters";
    EXPECT_EQ(mismatch.first, large.end()) << (mismatch.first - large.begin()) << ": "
                                           << fs::path(std::wstring(mismatch.first, mismatch.first + 8)).string();
    EXPECT_TRUE(app.Running());

    std::ofstream(kToolFolder / L"b.txt") << "left over";
    std::ofstream(kToolFolder / L"run.bat") << "left over";
    app.Click(IDC_COMMAND3);
    DWORD code = 99;
    ASSERT_TRUE(app.WaitForExit(kPromptly, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(EndToEndTest, TheLayoutScalesWithTheScreensDpi) {
    TINDREL_REQUIRE_WINE("the screen DPI is changed for the program's next start");
    const ScreenDpi dpi(144);
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    const SIZE client = ClientSize(app.MainWindow());
    EXPECT_EQ(client.cx, 855);
    EXPECT_EQ(client.cy, 585);
    const RECT start = RectIn(app.MainWindow(), app.Control(IDC_COMMAND1));
    EXPECT_EQ(start.left, 1920 / 10);
    EXPECT_EQ(start.top, 4800 / 10);
    EXPECT_EQ(start.right - start.left, ::MulDiv(2055, 144, 1440));
}

TEST_F(EndToEndTest, ALayoutChangeWhileMinimisedShowsWhenTheWindowIsRestored) {
    // Started minimised from a shortcut, the window is laid out again (a text size set
    // meanwhile) while its size is still the wrong one.
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    const HWND window = app.MainWindow();
    const SIZE client = ClientSize(window);
    const RECT start = RectIn(window, app.Control(IDC_COMMAND1));
    ::SetWindowPos(window, nullptr, 0, 0, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    ::ShowWindow(window, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(window) != FALSE; }, kPromptly));
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0, SMTO_ABORTIFHUNG, kPromptlyMs, &ignored);
    EXPECT_TRUE(::IsIconic(window));

    ::ShowWindow(window, SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsIconic(window); }, kPromptly));
    EXPECT_EQ(ClientSize(window).cx, client.cx);
    EXPECT_EQ(ClientSize(window).cy, client.cy);
    const RECT again = RectIn(window, app.Control(IDC_COMMAND1));
    EXPECT_TRUE(::EqualRect(&start, &again));
    RECT placed{};
    ::GetWindowRect(window, &placed);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT inside{};
    EXPECT_TRUE(::IntersectRect(&inside, &placed, &monitor.rcWork) && ::EqualRect(&inside, &placed))
        << placed.left << "," << placed.top << " " << placed.right << "," << placed.bottom;
}

TEST_F(EndToEndTest, ExitBeforeAnyRunRemovesNothing) {
    std::ofstream(kToolFolder / L"b.txt") << "not ours";
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ::PostMessageW(app.MainWindow(), WM_CLOSE, 0, 0);
    ::PostMessageW(app.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    // Posted messages are handled in order: once About is open, both requests were refused.
    app.Click(IDC_COMMAND2);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = app.FindWindowOf(TINDREL_ABOUT_CLASS)) != nullptr; }, kPromptly));
    EXPECT_TRUE(app.Running());
    ::PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, kPromptly));
    app.Click(IDC_COMMAND3);
    EXPECT_TRUE(app.WaitForExit(kPromptly));
    EXPECT_TRUE(fs::exists(kToolFolder / L"b.txt"));
}

TEST_F(EndToEndTest, LoggingOffIsNotBlocked) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    DWORD_PTR allowed = 0;
    ::SendMessageTimeoutW(app.MainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kPromptlyMs, &allowed);
    EXPECT_TRUE(allowed);
    ::PostMessageW(app.MainWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(app.WaitForExit(kPromptly));
}

TEST_F(EndToEndTest, TheAboutWindowIsOneWindowWithTheVersionRecordsTexts) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (int press = 0; press < 3; ++press) app.Click(IDC_COMMAND2);
        HWND about = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (about = ShownAboutWindow(app)) != nullptr; }, kPromptly));
        EXPECT_EQ(WindowText(about), L"关于 Tindrel");
        EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_LBLVERSION)), L"版本 2.0.0");
        EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_LBLTITLE)), L"Tindrel");
        EXPECT_EQ(ClientSize(about).cx, 382);
        EXPECT_EQ(ClientSize(about).cy, 237);
        // Esc, through the dialog manager, closes it. Posted after the three presses, it
        // is handled after them: any second window they made is still there.
        ::PostMessageW(::GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, kPromptly));
        int count = 0;
        ::EnumWindows(CountAboutWindows, reinterpret_cast<LPARAM>(&count));
        EXPECT_EQ(count, 0) << "more than one About window";
    }
}

TEST_F(EndToEndTest, AMissingInstallationIsReportedAndEndsTheProgram) {
    Install().RemoveEntry();
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    app.Click(IDC_COMMAND1);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = app.FindWindowOf(L"#32770", L"错误")) != nullptr; }, kPromptly));
    std::wstring texts;
    ::EnumChildWindows(box, CollectTexts, reinterpret_cast<LPARAM>(&texts));
    EXPECT_THAT(texts, HasSubstr(L"Nero Burning Rom 未安装成功! 程序将退出!"));
    EXPECT_THAT(texts, Not(HasSubstr(L"取消")));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitForExit(kPromptly, &code));
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(WorkFilesLeft());
}

}  // namespace
}  // namespace tindrel::e2e
