#pragma once
// Creates a window's controls from its layout table and places them at its DPI.

#include <windows.h>

#include <array>
#include <span>
#include <vector>

#include "resources/layout_table.h"

namespace tindrel::ui {

struct PlacedControl {
    const ControlLayout* Layout;
    HWND Handle;
};

// Creates the controls in tab order, so that the dialog manager's Tab follows it, each at
// its table rectangle at `dpi`.
std::vector<PlacedControl> CreateControls(HWND parent, std::span<const ControlLayout> layouts, UINT dpi);

using ControlFonts = std::array<HFONT, kControlFontCount>;  // by ControlFont

// Gives every control its table font and moves it to its table rectangle at `dpi`, in
// one deferred batch; a control already there is not moved, and nothing is redrawn
// before the window is shown. Called on creation and whenever the window's DPI changes.
void PlaceControls(const std::vector<PlacedControl>& controls, UINT dpi, const ControlFonts& fonts);

// Moves a window to the rectangle WM_DPICHANGED suggests.
void MoveToSuggestedRect(HWND window, const RECT& suggested);

RECT TwipsRect(const ControlLayout& layout, UINT dpi);

}  // namespace tindrel::ui
