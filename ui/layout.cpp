#include "ui/layout.h"

#include <richedit.h>

#include <algorithm>
#include <string>

#include "ui/dpi.h"
#include "win/unique_handle.h"
#include "win/win32_error.h"

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

}  // namespace

// Each edge is rounded on its own, so that edges that meet in the table meet on the screen.
RECT TwipsRect(const ControlLayout& layout, UINT dpi) {
    return RECT{TwipsToPixels(layout.Left, dpi), TwipsToPixels(layout.Top, dpi),
                TwipsToPixels(layout.Left + layout.Width, dpi), TwipsToPixels(layout.Top + layout.Height, dpi)};
}

std::vector<PlacedControl> CreateControls(HWND parent, std::span<const ControlLayout> layouts, UINT dpi) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    std::vector<PlacedControl> controls;
    for (const ControlLayout& layout : layouts) {
        const ControlClass kind = ClassFor(layout.Kind);
        const RECT r = TwipsRect(layout, dpi);
        const HWND control = ::CreateWindowExW(kind.ExStyle, kind.ClassName, layout.Text, kind.Style, r.left, r.top,
                                               r.right - r.left, r.bottom - r.top, parent,
                                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)), instance, nullptr);
        if (!control) win::ThrowLastError(L"创建控件", layout.Name);
        controls.push_back({&layout, control});
    }
    return controls;
}

void PlaceControls(const std::vector<PlacedControl>& controls, UINT layoutDpi, UINT dpi, const ControlFonts& fonts) {
    if (controls.empty()) return;
    const HWND parent = ::GetParent(controls.front().Handle);
    // Nothing is drawn before the window shows; afterwards every change is.
    const BOOL redraw = ::IsWindowVisible(parent);
    std::vector<RECT> rects;
    for (const PlacedControl& control : controls) {
        ::SendMessageW(control.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control, fonts)), redraw);
        rects.push_back(TwipsRect(*control.Layout, layoutDpi));
    }
    FitTexts(controls, rects, dpi, fonts);
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(controls.size()));
    for (size_t i = 0; i < controls.size() && batch; ++i) {
        const RECT& r = rects[i];
        RECT now{};
        ::GetWindowRect(controls[i].Handle, &now);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&now), 2);
        if (::EqualRect(&now, &r)) continue;  // created in place: not moved again
        batch = ::DeferWindowPos(batch, controls[i].Handle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                 SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) ::EndDeferWindowPos(batch);
}

void FitTexts(const std::vector<PlacedControl>& controls, std::vector<RECT>& rects, UINT dpi, const ControlFonts& fonts) {
    const size_t count = controls.size();
    const auto kindOf = [&](size_t i) { return controls[i].Layout->Kind; };
    const auto fitOf = [&](size_t i) { return controls[i].Layout->Fit; };
    // Which label holds which, as the table declares it.
    std::vector<size_t> holder(count, count);
    for (size_t j = 0; j < count; ++j) {
        const int heldBy = controls[j].Layout->HeldBy;
        for (size_t i = 0; i < count && heldBy != 0; ++i) {
            if (i != j && controls[i].Layout->Id == heldBy) holder[j] = i;
        }
    }
    const auto heldBy = [&](size_t inner, size_t outer) {
        for (size_t h = holder[inner]; h < count; h = holder[h]) {
            if (h == outer) return true;
        }
        return false;
    };

    // Each text's own room: a label's from its top, wrapped at its width (a label that
    // holds others keeps its box and records what its own text needs); a button's on one
    // line inside its 3D edge, around its centre. What only moves or gives way has no text
    // of its own to fit.
    const win::WindowDc screen(nullptr);
    const int edge = ::MulDiv(2, static_cast<int>(dpi), 96);
    std::vector<LONG> textHeight(count);
    for (size_t i = 0; i < count; ++i) {
        RECT& box = rects[i];
        textHeight[i] = box.bottom - box.top;
        if (fitOf(i) == TextFit::Moves || fitOf(i) == TextFit::GivesRoom) continue;
        const std::wstring text = TextOf(controls[i].Handle);
        const win::SelectedObject font(screen.Get(), FontOf(controls[i], fonts));
        if (kindOf(i) == ControlKind::Label) {
            RECT needed{0, 0, box.right - box.left, 0};
            ::DrawTextW(screen.Get(), text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
            textHeight[i] = needed.bottom;
            if (fitOf(i) == TextFit::Grows) box.bottom = std::max(box.bottom, box.top + needed.bottom);
        } else {
            RECT needed{};
            ::DrawTextW(screen.Get(), text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
            const LONG wider = std::max<LONG>(0, needed.right + 2 * edge - (box.right - box.left));
            const LONG taller = std::max<LONG>(0, needed.bottom + 2 * edge - (box.bottom - box.top));
            ::InflateRect(&box, (wider + 1) / 2, (taller + 1) / 2);
        }
    }

    // From the top down, a control that now overlaps one above it moves down below it (a
    // held label below its holder's own text); one that gives room gives up the room at
    // its top instead, and a holder's box grows to hold what it holds.
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rects[a].top < rects[b].top; });
    std::vector<bool> placed(count);
    for (const size_t j : order) {
        RECT& box = rects[j];
        LONG top = box.top;
        for (size_t i = 0; i < count; ++i) {
            const RECT& above = rects[i];
            if (!placed[i] || above.right <= box.left || box.right <= above.left) continue;
            top = std::max(top, heldBy(j, i) ? above.top + textHeight[i] : above.bottom);
        }
        if (fitOf(j) == TextFit::GivesRoom) {
            box.top = std::min(top, box.bottom);
        } else {
            ::OffsetRect(&box, 0, top - box.top);
        }
        for (size_t h = holder[j]; h < count; h = holder[h]) rects[h].bottom = std::max(rects[h].bottom, box.bottom);
        placed[j] = true;
    }
}

}  // namespace tindrel::ui
