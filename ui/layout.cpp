#include "ui/layout.h"

#include <richedit.h>

#include <algorithm>
#include <climits>
#include <string>

#include "run/win/win32_error.h"
#include "ui/dpi.h"

namespace tindrel::ui {
namespace {

struct ControlClass {
    const wchar_t* ClassName;
    DWORD Style;
    DWORD ExStyle;
};

ControlClass ClassFor(ControlKind kind) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    switch (kind) {
        case ControlKind::Button:
            return {L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::DefaultButton:
            return {L"BUTTON", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0};
        case ControlKind::Label:
            return {L"STATIC", kChild | SS_LEFT | SS_NOPREFIX, 0};
        case ControlKind::RichText:
            // Read-only but selectable and copyable; wraps at its width, scrolls down.
            return {MSFTEDIT_CLASS, kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                    WS_EX_CLIENTEDGE};
        case ControlKind::Icon:
            return {L"STATIC", kChild | SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL, 0};
    }
    return {L"STATIC", kChild, 0};
}

HFONT FontOf(const PlacedControl& control, const ControlFonts& fonts) {
    return fonts[static_cast<size_t>(control.Layout->Font)];
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// True when `outer` holds `inner` below its own top, as Label1's box holds Label2 and Label3.
bool Holds(const RECT& outer, const RECT& inner) {
    return inner.top > outer.top && inner.left >= outer.left && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

// Each edge is rounded on its own, so that edges that meet in the table meet on the screen.
RECT TwipsRect(const ControlLayout& layout, UINT dpi) {
    return RECT{TwipsToPixels(layout.Left, dpi), TwipsToPixels(layout.Top, dpi),
                TwipsToPixels(layout.Left + layout.Width, dpi), TwipsToPixels(layout.Top + layout.Height, dpi)};
}

std::vector<PlacedControl> CreateControls(HWND parent, std::span<const ControlLayout> layouts) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    std::vector<PlacedControl> controls;
    for (const ControlLayout& layout : layouts) {
        const ControlClass kind = ClassFor(layout.Kind);
        const HWND control = ::CreateWindowExW(kind.ExStyle, kind.ClassName, layout.Text, kind.Style, 0, 0, 0, 0, parent,
                                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)), instance, nullptr);
        if (!control) win::ThrowLastError(L"创建控件", layout.Name);
        controls.push_back({&layout, control});
    }
    return controls;
}

void PlaceControls(const std::vector<PlacedControl>& controls, UINT layoutDpi, UINT dpi, const ControlFonts& fonts) {
    std::vector<RECT> rects;
    for (const PlacedControl& control : controls) {
        ::SendMessageW(control.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control, fonts)), TRUE);
        rects.push_back(TwipsRect(*control.Layout, layoutDpi));
    }
    FitTexts(controls, rects, dpi, fonts);
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(controls.size()));
    for (size_t i = 0; i < controls.size() && batch; ++i) {
        const RECT& r = rects[i];
        batch = ::DeferWindowPos(batch, controls[i].Handle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                 SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) ::EndDeferWindowPos(batch);
}

void FitTexts(const std::vector<PlacedControl>& controls, std::vector<RECT>& rects, UINT dpi, const ControlFonts& fonts) {
    const HDC screen = ::GetDC(nullptr);
    const HGDIOBJ old = ::GetCurrentObject(screen, OBJ_FONT);
    const int edge = ::MulDiv(2, static_cast<int>(dpi), 96);
    // From the top down, so that a label moved by one above it is measured where it ends up.
    std::vector<size_t> order(controls.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rects[a].top < rects[b].top; });
    for (const size_t i : order) {
        const ControlKind kind = controls[i].Layout->Kind;
        if (kind == ControlKind::RichText || kind == ControlKind::Icon) continue;
        RECT& box = rects[i];
        const std::wstring text = TextOf(controls[i].Handle);
        ::SelectObject(screen, FontOf(controls[i], fonts));
        if (kind != ControlKind::Label) {
            RECT needed{};
            ::DrawTextW(screen, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
            const LONG wider = std::max<LONG>(0, needed.right + 2 * edge - (box.right - box.left));
            const LONG taller = std::max<LONG>(0, needed.bottom + 2 * edge - (box.bottom - box.top));
            ::InflateRect(&box, (wider + 1) / 2, (taller + 1) / 2);
            continue;
        }
        // A label's own text ends where the first label it holds begins.
        LONG ownBottom = box.bottom;
        for (size_t j = 0; j < rects.size(); ++j) {
            if (j != i && controls[j].Layout->Kind == ControlKind::Label && Holds(box, rects[j])) {
                ownBottom = std::min(ownBottom, rects[j].top);
            }
        }
        RECT needed{0, 0, box.right - box.left, 0};
        ::DrawTextW(screen, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        const LONG grow = needed.bottom - (ownBottom - box.top);
        if (grow <= 0) continue;
        LONG resultsTop = LONG_MAX;
        for (size_t j = 0; j < rects.size(); ++j) {
            if (controls[j].Layout->Kind == ControlKind::RichText && rects[j].top >= ownBottom) {
                resultsTop = std::min(resultsTop, rects[j].top);
            }
        }
        for (size_t j = 0; j < rects.size(); ++j) {
            RECT& other = rects[j];
            if (j == i) continue;
            if (controls[j].Layout->Kind == ControlKind::Label && Holds(other, box)) {
                other.bottom += grow;
            } else if (other.top >= ownBottom && other.left < box.right && box.left < other.right) {
                if (controls[j].Layout->Kind == ControlKind::RichText) {
                    other.top = std::min(other.top + grow, other.bottom);
                } else if (other.top < resultsTop) {
                    ::OffsetRect(&other, 0, grow);
                }
            }
        }
        box.bottom += grow;
    }
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
}

}  // namespace tindrel::ui
