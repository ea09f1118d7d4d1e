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

// Creates the controls in tab order, so that the dialog manager's Tab follows it.
std::vector<PlacedControl> CreateControls(HWND parent, std::span<const ControlLayout> layouts);

using ControlFonts = std::array<HFONT, kControlFontCount>;  // by ControlFont

// Gives every control its table font and moves it to its table rectangle at `dpi`, in
// one deferred batch. Called on creation and whenever the window's DPI changes.
void PlaceControls(const std::vector<PlacedControl>& controls, UINT dpi, const ControlFonts& fonts);

// Moves a window to the rectangle WM_DPICHANGED suggests.
void MoveToSuggestedRect(HWND window, const RECT& suggested);

RECT TwipsRect(const ControlLayout& layout, UINT dpi);

}  // namespace tindrel::ui
