// The keyboard alone works the program: Start has the focus from the first moment, the
// focus comes back where it was after the user was elsewhere, Enter and Space press the
// focused button, Tab and Shift+Tab move through the results box and out of it, and
// Shift+F10 or the context-menu key open the box's 复制 and 全选 menu.
// Keys are pressed as the keyboard presses them, into the foreground window.

#include <algorithm>

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
        const bool came = WaitUntil([&] { return app.Focus() == wanted; }, kPromptly);
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
        EXPECT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
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
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == other.Handle(); }, kPromptly));
        ::SetForegroundWindow(app.MainWindow());
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == app.MainWindow(); }, kPromptly));
        EXPECT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND2));
    }

    // Enter on About opens it; its OK button keeps Enter and Esc, and each time the focus
    // is back on About in the main window afterwards.
    for (const WORD key : {WORD{VK_ESCAPE}, WORD{VK_RETURN}}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Esc");
        PressKey(VK_RETURN);
        HWND about = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (about = app.FindWindowOf(TINDREL_ABOUT_CLASS)) != nullptr; }, kPromptly));
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == about; }, kPromptly));
        PressKey(key);
        EXPECT_TRUE(WaitUntil([&] { return app.FindWindowOf(TINDREL_ABOUT_CLASS) == nullptr; }, kPromptly));
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
    // Esc is the dialog manager's too: it neither closes the window, nor types anything,
    // nor moves the focus. Keys are handled in order, so Tab reaching Exit shows that Esc
    // left the focus in the box.
    PressKey(VK_ESCAPE);
    PressKey(VK_TAB);
    EXPECT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_COMMAND3));
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(app.Text(IDC_RICHTEXTBOX1), L"");
}

// The open popup menu of the program, or null.
HWND OpenMenu(const RunningApp& app) {
    HWND menu = nullptr;
    WaitUntil([&] { return (menu = app.FindWindowOf(L"#32768")) && ::IsWindowVisible(menu); }, kPromptly);
    return menu && ::IsWindowVisible(menu) ? menu : nullptr;
}

// Pixels of menu text on the screen within `area`: a greyed item has none.
int BlackPixels(const RECT& area) {
    const std::vector<std::uint32_t> pixels = ScreenPixels(area);
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), Dark));
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!::OpenClipboard(nullptr)) return L"<clipboard busy>";
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

void PutOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(::GlobalLock(data)));
    ::GlobalUnlock(data);
    ::SetClipboardData(CF_UNICODETEXT, data);
    ::CloseClipboard();
}

TEST_F(KeyboardTest, TheResultsBoxMenuCopiesAndSelectsAll) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));
    const HWND box = app.Control(IDC_RICHTEXTBOX1);
    ClickWithMouse(box);
    ASSERT_TRUE(FocusComesTo(app, app.MainWindow(), IDC_RICHTEXTBOX1));
    PutOnClipboard(L"earlier");

    // Nothing selected: 复制 is there but greyed, so its key leaves the menu open and
    // copies nothing. The keyboard's menu opens at the caret, inside the box. (Wine shows
    // no other process its menu items; Windows does.)
    PressKey(VK_F10, true);
    HWND menu = OpenMenu(app);
    ASSERT_TRUE(menu) << "no menu on Shift+F10";
    RECT boxRect{}, menuRect{};
    ::GetWindowRect(box, &boxRect);
    ::GetWindowRect(menu, &menuRect);
    EXPECT_TRUE(::PtInRect(&boxRect, POINT{menuRect.left, menuRect.top}));
    const auto items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
    if (items && ::GetMenuItemCount(items) == 2) {
        wchar_t text[32] = {};
        ::GetMenuStringW(items, 0, text, 32, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(text), L"复制(&C)");
        EXPECT_NE(::GetMenuState(items, 0, MF_BYPOSITION) & MF_GRAYED, 0u);
        ::GetMenuStringW(items, 1, text, 32, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(text), L"全选(&A)");
    }
    RECT first = menuRect, second = menuRect;
    InflateRect(&first, -4, -4);
    InflateRect(&second, -4, -4);
    first.bottom = second.top = (menuRect.top + menuRect.bottom) / 2;
    // The menu is drawn once 全选 shows; 复制 is drawn in the same paint.
    EXPECT_TRUE(WaitUntil([&] { return BlackPixels(second) > 10; }, kPromptly))
        << "全选 is not drawn as a command that can be chosen";
    EXPECT_EQ(BlackPixels(first), 0) << "复制 is drawn as a command that can be chosen";
    PressKey('C');
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !app.FindWindowOf(L"#32768") || !::IsWindowVisible(menu); }, kPromptly));
    EXPECT_EQ(ClipboardText(), L"earlier");

    // The mouse's menu opens where the right button was released.
    POINT mouse{(boxRect.left + boxRect.right) / 2 - 40, (boxRect.top + boxRect.bottom) / 2 + 20};
    ::SetCursorPos(mouse.x, mouse.y);
    INPUT right[2]{};
    right[0].type = right[1].type = INPUT_MOUSE;
    right[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    right[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, right, sizeof(INPUT));
    menu = OpenMenu(app);
    ASSERT_TRUE(menu) << "no menu on a right-click";
    ::GetWindowRect(menu, &menuRect);
    EXPECT_NEAR(menuRect.left, mouse.x, 2);
    EXPECT_NEAR(menuRect.top, mouse.y, 2);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menu); }, kPromptly));

    // The context-menu key: 全选, then 复制 puts the whole result on the clipboard.
    PressKey(VK_APPS);
    ASSERT_TRUE(OpenMenu(app)) << "no menu on the context-menu key";
    PressKey('A');
    const DWORD length = static_cast<DWORD>(app.Text(IDC_RICHTEXTBOX1).size());
    EXPECT_TRUE(WaitUntil([&] { return HIWORD(::SendMessageW(box, EM_GETSEL, 0, 0)) > 0; }, kPromptly));
    PressKey(VK_F10, true);
    ASSERT_TRUE(OpenMenu(app));
    PressKey('C');
    // The program holds the clipboard open for a moment while it copies.
    std::wstring copied;
    WaitUntil([&] { return (copied = ClipboardText()) != L"earlier" && copied != L"<clipboard busy>"; }, kPromptly);
    EXPECT_THAT(copied, ::testing::StartsWith(L"找到 2 台刻录设备："));
    EXPECT_THAT(copied, ::testing::HasSubstr(L"扫描完成。"));
    EXPECT_GE(copied.size() + 8, length);
}

}  // namespace
}  // namespace tindrel::e2e
