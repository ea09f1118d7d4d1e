#include "ui/form1.h"

#include "resources/form1_layout.h"
#include "run/diagnostic_run.h"
#include "run/work_files.h"
#include "ui/dpi.h"
#include "win/win32_error.h"

namespace tindrel::ui {
namespace {

// A fixed dialog frame without minimize or maximize buttons.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

}  // namespace

void Form1::Create(HINSTANCE instance, int show) {
    RegisterClassOnce(instance, TINDREL_FORM1_CLASS, true);
    if (!::CreateWindowExW(kExStyle, TINDREL_FORM1_CLASS, kForm1Caption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                           nullptr, nullptr, instance, this)) {
        win::ThrowLastError(L"创建主窗口");
    }

    // Centred on the work area of its monitor.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    Relayout(WindowDpi(hwnd_), monitor.rcWork);
    ::ShowWindow(hwnd_, show);
    ::UpdateWindow(hwnd_);
}

void Form1::OnCreate() {
    controls_ = CreateControls(hwnd_, kForm1Controls, WindowDpi(hwnd_));
    Command1 = ::GetDlgItem(hwnd_, IDC_COMMAND1);
    Command3 = ::GetDlgItem(hwnd_, IDC_COMMAND3);
    Label1 = ::GetDlgItem(hwnd_, IDC_LABEL1);
    RichTextBox1.Attach(::GetDlgItem(hwnd_, IDC_RICHTEXTBOX1));

    // Label1's box encloses Label2 and Label3; it goes beneath them so that, with
    // WS_CLIPSIBLINGS, its background never paints over their text. Labels take no
    // focus, so this leaves the Tab order alone.
    ::SetWindowPos(Label1, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Closing through the frame is refused; a greyed close box says so.
    ::EnableMenuItem(::GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
}

SIZE Form1::ApplyDpi(UINT dpi, const RECT& workArea) {
    defaultFont_ = MessageFont(dpi);
    const UINT layoutDpi = LayoutDpiInside(LayoutDpi(defaultFont_.Get(), dpi, kForm1DesignFont), kForm1Client, kStyle,
                                           kExStyle, dpi, workArea);
    // The banner is drawn to the table's own scale. Arial Black is heavy at normal
    // weight; without it, a black weight of a plain face keeps the banner's look.
    bannerFont_ = PointFont(
        {{L"Arial Black", FW_NORMAL}, {L"Arial", FW_BLACK}, {L"DejaVu Sans", FW_BLACK}, {L"Tahoma", FW_BOLD}}, 12,
        layoutDpi);
    PlaceControls(controls_, layoutDpi, dpi, {defaultFont_.Get(), bannerFont_.Get(), defaultFont_.Get()});
    return OuterSizeForClient(kForm1Client, kStyle, kExStyle, layoutDpi, dpi);
}

// The dialog pattern for a plain window: the focus goes back where it was whenever the
// window is activated, to the first control in Tab order the first time.
void Form1::OnActivate(WORD state, bool minimized) {
    if (state == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) savedFocus_ = focus;
    } else if (!minimized) {
        OnSetFocus();
    }
}

void Form1::OnSetFocus() {
    if (!savedFocus_ || !::IsWindow(savedFocus_) || !::IsWindowEnabled(savedFocus_)) {
        savedFocus_ = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    }
    if (savedFocus_) ::SetFocus(savedFocus_);
}

// Enter presses the push button that has the focus; elsewhere it presses nothing.
LRESULT Form1::OnGetDefId() const {
    const HWND focus = ::GetFocus();
    if (!focus || !::IsChild(hwnd_, focus)) return 0;
    if (!(::SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return 0;
    return MAKELRESULT(::GetDlgCtrlID(focus), DC_HASDEFID);
}

void Form1::SetCaption(const std::wstring& Text) { ::SetWindowTextW(hwnd_, Text.c_str()); }

void Form1::SetResultText(const std::wstring& Text) { RichTextBox1.SetText(Text); }

std::optional<SystemError> Form1::LoadResultFile(const std::wstring& Path) { return RichTextBox1.LoadFile(Path); }

void Form1::SetResultPointer(bool Busy) { RichTextBox1.SetBusyPointer(Busy); }

void Form1::SetExitEnabled(bool Enabled) { ::EnableWindow(Command3, Enabled); }

void Form1::OnCommand1Click() {
    // A new run replaces the result, whatever of it was still to be shown.
    RichTextBox1.CancelLoad();
    StartTestRun(Paths, *this, context_);
}

void Form1::OnCommand2Click() { About.Show(hwnd_); }

void Form1::OnCommand3Click() {
    // Nothing may start while the work files go: a retry below keeps the window painted.
    ::EnableWindow(hwnd_, FALSE);
    RemoveWorkFiles(Paths, context_);
    ::ExitProcess(0);
}

void Form1::OnEndSession() {
    // The session ends whatever happens here; clear up what can be cleared.
    try {
        if (context_.Tool) context_.Tool->Stop();
        RemoveWorkFiles(Paths, context_);
    } catch (const SystemError&) {
    }
    ::ExitProcess(0);
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                switch (LOWORD(wParam)) {
                    case IDC_COMMAND1:
                        OnCommand1Click();
                        break;
                    case IDC_COMMAND2:
                        OnCommand2Click();
                        break;
                    case IDC_COMMAND3:
                        if (::IsWindowEnabled(Command3)) OnCommand3Click();
                        break;
                }
            }
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam), HIWORD(wParam) != 0);
            return 0;
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case DM_GETDEFID:
            return OnGetDefId();
        case WM_CLOSE:
            return 0;  // refused: Exit is the way out
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) OnEndSession();
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

}  // namespace tindrel::ui
