#pragma once
// Creates a window's controls from its layout table and places them at its DPI.

#include <windows.h>

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

// Moves every control to its table rectangle at `dpi`, in one deferred batch.
void PlaceControls(const std::vector<PlacedControl>& controls, UINT dpi);

RECT TwipsRect(const ControlLayout& layout, UINT dpi);

}  // namespace tindrel::ui
