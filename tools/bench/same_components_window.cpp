// The second floor for start-up: a window with what tindrel.exe's main window is made of
// (common controls 6 through the same manifest, RichEdit, three buttons, five labels and
// a results box with Chinese texts, the message font) and nothing else.

#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

namespace {

struct Control {
    const wchar_t* ClassName;
    const wchar_t* Text;
    DWORD Style;
    DWORD ExStyle;
    int X, Y, Width, Height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr Control kControls[] = {
    {L"BUTTON", L"开始测试", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 128, 320, 137, 41},
    {L"BUTTON", L"关于", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 496, 344, 57, 25},
    {MSFTEDIT_CLASS, L"", kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, 40, 96, 489, 185},
    {L"STATIC", L"点击“开始测试”按钮以后，会在下面的文本框中显示测试结果。", kChild | SS_LEFT | SS_NOPREFIX, 0, 40, 16, 489, 73},
    {L"BUTTON", L"退   出", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 304, 320, 137, 41},
    {L"STATIC", L"这一般会消耗十几秒钟，请耐心等待结果。", kChild | SS_LEFT | SS_NOPREFIX, 0, 40, 38, 377, 18},
    {L"STATIC", L"如果长时间没有响应，请再按一下“开始测试”按钮，但不要连续多次地按，以免发生程序忙。",
     kChild | SS_LEFT | SS_NOPREFIX, 0, 40, 56, 481, 36},
    {L"STATIC", L"tin", kChild | SS_LEFT | SS_NOPREFIX, 0, 0, 347, 41, 25},
    {L"STATIC", L"test", kChild | SS_LEFT | SS_NOPREFIX, 0, 1, 368, 57, 25},
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&common);
    ::LoadLibraryW(L"msftedit.dll");

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"TindrelSameComponentsWindow";
    ::RegisterClassExW(&windowClass);
    const HWND window = ::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, L"TindrelSameComponentsWindow",
                                          L"Tindrel测试", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                                          CW_USEDEFAULT, CW_USEDEFAULT, 576, 430, nullptr, nullptr, instance, nullptr);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    for (const Control& c : kControls) {
        const HWND control = ::CreateWindowExW(c.ExStyle, c.ClassName, c.Text,
                                               c.Style, c.X, c.Y, c.Width, c.Height, window, nullptr, instance, nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ::ShowWindow(window, show);
    ::UpdateWindow(window);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(window, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return 0;
}
