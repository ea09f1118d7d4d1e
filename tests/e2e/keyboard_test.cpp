// The keyboard alone works the program: Start has the focus from the first moment, the
// focus comes back where it was after the user was elsewhere, Enter and Space press the
// focused button, and Tab and Shift+Tab move through the results box and out of it.
// Keys are pressed as the keyboard presses them, into the foreground window.

#include <thread>

#include "tests/e2e/e2e_fixture.h"

namespace tindrel::e2e {
namespace {

class KeyboardTest : public EndToEndTest {
protected:
    static std::string NameOf(HWND control) {
        if (!control) return "nothing";
        wchar_t name[64] = {};
        ::GetClassNameW(control, name, 64);
        return std::to_string(::GetDlgCtrlID(control)) + " " + std::filesystem::path(name).string();
    }
    // True once the control with this id in `window` has the focus.
    static bool FocusComesTo(const RunningApp& app, HWND window, int id) {
        const HWND wanted = ::GetDlgItem(window, id);
        const bool came = WaitUntil([&] { return app.Focus() == wanted; }, 3s);
        if (!came) ADD_FAILURE() << "focus is on " << NameOf(app.Focus()) << ", not on " << NameOf(wanted);
        return came;
    }
};

TEST_F(KeyboardTest, EnterOrSpaceRightAfterTheStartPressesStart) {
    for (const WORD key : {WORD{VK_RETURN}, WORD{VK_SPACE}}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Space");
        RunningApp app;
        ASSERT_TRUE(app.MainWindow());
        ASSERT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND1));
        PressKey(key);
        EXPECT_TRUE(app.WaitForCaption(L"正在测试...", 5s));
    }
}

// A window of this test process, to switch to and away from.
class OtherWindow {
public:
    OtherWindow()
        : window_(::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                    nullptr, nullptr, nullptr)) {}
    ~OtherWindow() { ::DestroyWindow(window_); }
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_;
};

TEST_F(KeyboardTest, TheFocusComesBackWhereItWasWhenTheWindowIsActivatedAgain) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ASSERT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND1));
    PressKey(VK_TAB);
    ASSERT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND2));

    // Away to another program's window and back.
    {
        const OtherWindow other;
        ::SetForegroundWindow(other.Handle());
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == other.Handle(); }, 3s));
        ::SetForegroundWindow(app.MainWindow());
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == app.MainWindow(); }, 3s));
        EXPECT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND2));
    }

    // Enter on About opens it; its OK button keeps Enter and Esc, and each time the focus
    // is back on About in the main window afterwards.
    for (const WORD key : {WORD{VK_ESCAPE}, WORD{VK_RETURN}}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Esc");
        PressKey(VK_RETURN);
        HWND about = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (about = app.FindWindowOf(TINDREL_ABOUT_CLASS)) != nullptr; }, 3s));
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == about; }, 3s));
        PressKey(key);
        EXPECT_TRUE(WaitUntil([&] { return app.FindWindowOf(TINDREL_ABOUT_CLASS) == nullptr; }, 3s));
        EXPECT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND2));
    }
}

TEST_F(KeyboardTest, TabAndShiftTabMoveThroughTheResultsBoxAndOut) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ClickWithMouse(app.Control(IDC_RICHTEXTBOX1));
    ASSERT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_RICHTEXTBOX1));
    PressKey(VK_TAB);
    EXPECT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND3));
    PressKey(VK_TAB, true);
    ASSERT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_RICHTEXTBOX1));
    PressKey(VK_TAB, true);
    EXPECT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND2));
    PressKey(VK_TAB);
    ASSERT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_RICHTEXTBOX1));
    // Esc is the dialog manager's too: it neither closes the window nor types anything.
    PressKey(VK_ESCAPE);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(app.Text(IDC_RICHTEXTBOX1), L"");
    EXPECT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_RICHTEXTBOX1));
}

}  // namespace
}  // namespace tindrel::e2e
