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

// Gives every control its table font and moves it to its table rectangle at `layoutDpi`
// (LayoutDpi), made larger where its text still does not fit (FitTexts), in one deferred
// batch; a control already there is not moved, and nothing is redrawn before the window
// is shown. `dpi` is the window's own. Called whenever the window is laid out.
void PlaceControls(const std::vector<PlacedControl>& controls, UINT layoutDpi, UINT dpi, const ControlFonts& fonts);

// Where a text does not fit its control's rectangle (a window stopped at the work area
// draws its fonts larger than its table), the control makes room as its table declares
// (TextFit): one that grows does so to its text, a label downwards, wrapped at its width,
// a push button around its centre, to one line inside its 3D edge. What it then overlaps
// below it moves down (a label held by another below its holder's own text, the holder
// growing with it), except a control that gives room, which gives up the room at its top.
// Where every text fits, nothing changes. `rects` are the controls' rectangles, in their
// order.
void FitTexts(const std::vector<PlacedControl>& controls, std::vector<RECT>& rects, UINT dpi, const ControlFonts& fonts);

RECT TwipsRect(const ControlLayout& layout, UINT dpi);

}  // namespace tindrel::ui
