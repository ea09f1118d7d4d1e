#include "ui/frm_about.h"

#include "resources/about_layout.h"
#include "ui/dpi.h"
#include "ui/version_record.h"
#include "win/unique_handle.h"
#include "win/win32_error.h"

namespace tindrel::ui {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

void FrmAbout::Show(HWND owner) {
    if (hwnd_) {
        ::ShowWindow(hwnd_, SW_SHOWNORMAL);
        ::SetForegroundWindow(hwnd_);
        return;
    }
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    RegisterClassOnce(instance, TINDREL_ABOUT_CLASS, false);
    if (!::CreateWindowExW(kExStyle, TINDREL_ABOUT_CLASS, kAboutDesignCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                           0, owner, nullptr, instance, this)) {
        win::ThrowLastError(L"创建关于窗口");
    }

    // Centred over the main window.
    RECT ownerRect;
    ::GetWindowRect(owner, &ownerRect);
    Relayout(WindowDpi(hwnd_), ownerRect);
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
}

void FrmAbout::OnLoad() {
    controls_ = CreateControls(hwnd_, kAboutControls, WindowDpi(hwnd_));
    lblTitle = ::GetDlgItem(hwnd_, IDC_LBLTITLE);
    lblVersion = ::GetDlgItem(hwnd_, IDC_LBLVERSION);
    picIcon = ::GetDlgItem(hwnd_, IDC_PICICON);
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    ::SendMessageW(picIcon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(instance, MAKEINTRESOURCEW(IDI_TINDREL))),
                   0);

    const AppVersion version = ReadOwnVersionRecord();
    ::SetWindowTextW(hwnd_, (L"关于 " + version.Title).c_str());
    ::SetWindowTextW(lblVersion, (L"版本 " + std::to_wstring(version.Major) + L"." + std::to_wstring(version.Minor) +
                                  L"." + std::to_wstring(version.Revision))
                                     .c_str());
    ::SetWindowTextW(lblTitle, version.Title.c_str());
}

SIZE FrmAbout::ApplyDpi(UINT dpi, const RECT& workArea) {
    defaultFont_ = MessageFont(dpi);
    layoutDpi_ = LayoutDpiInside(LayoutDpi(defaultFont_.Get(), dpi, kAboutDesignFont), kAboutClient, kStyle, kExStyle,
                                 dpi, workArea);
    // Half as large again as the message font, so it grows with it.
    LOGFONTW title{};
    ::GetObjectW(defaultFont_.Get(), sizeof title, &title);
    title.lfHeight = title.lfHeight * 3 / 2;
    title.lfWeight = FW_BOLD;
    titleFont_ = win::UniqueFont(::CreateFontIndirectW(&title));
    PlaceControls(controls_, layoutDpi_, dpi, {defaultFont_.Get(), defaultFont_.Get(), titleFont_.Get()});
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    return OuterSizeForClient(kAboutClient, kStyle, kExStyle, layoutDpi_, dpi);
}

void FrmAbout::OnPaint() {
    const win::PaintDc dc(hwnd_);
    for (const LineLayout& line : kAboutLines) {
        const win::UniquePen pen(::CreatePen(PS_INSIDEFRAME, ::MulDiv(line.Width, static_cast<int>(layoutDpi_), 96),
                                             static_cast<COLORREF>(line.Colour)));
        const win::SelectedObject drawing(dc.Get(), pen.Get());
        ::MoveToEx(dc.Get(), TwipsToPixels(line.X1, layoutDpi_), TwipsToPixels(line.Y1, layoutDpi_), nullptr);
        ::LineTo(dc.Get(), TwipsToPixels(line.X2, layoutDpi_), TwipsToPixels(line.Y2, layoutDpi_));
    }
}

void FrmAbout::OnCmdOkClick() { ::DestroyWindow(hwnd_); }

void FrmAbout::OnDestroyed() {
    controls_.clear();
    lblTitle = lblVersion = picIcon = nullptr;
}

LRESULT FrmAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnLoad();
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_COMMAND:
            // cmdOK, Enter (IDOK) and Esc (IDCANCEL) all close the window.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) OnCmdOkClick();
            return 0;
        case WM_CLOSE:
            OnCmdOkClick();
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

}  // namespace tindrel::ui
