#pragma once
// Scaling from the layout tables' twips to a window's pixels, and the fonts for it.
// Functions newer than Windows XP are looked up at run time, with fallbacks.

#include <windows.h>

#include "resources/layout_table.h"
#include "win/unique_handle.h"

namespace tindrel::ui {

UINT WindowDpi(HWND window);

inline int TwipsToPixels(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

// The outer size of a window whose client area is `client` twips laid out at `layoutDpi`,
// with the frame of a window at `dpi`.
SIZE OuterSizeForClient(ClientSize client, DWORD style, DWORD exStyle, UINT layoutDpi, UINT dpi);

// The DPI a layout table is placed at: `dpi` while `messageFont` is no larger than the
// font the table was drawn for, and larger by as much as the font is, as dialog units
// grow with a dialog's font.
UINT LayoutDpi(HFONT messageFont, UINT dpi, DesignFont design);
// `layoutDpi`, lowered where needed so that the window, `client` twips at it, fits
// `workArea`: below `dpi` only where the table does not fit even at `dpi`, and never below
// half of it.
UINT LayoutDpiInside(UINT layoutDpi, ClientSize client, DWORD style, DWORD exStyle, UINT dpi, const RECT& workArea);

// The system's message font (what dialogs use) at `dpi`.
win::UniqueFont MessageFont(UINT dpi);
// What MessageFont asks when the system cannot give the font at any DPI: the message
// font from `query` (SystemParametersInfoW), given at `systemDpi`, scaled to `dpi`; on
// XP too, and never a zeroed font.
using MetricsQuery = BOOL(WINAPI*)(UINT action, UINT size, PVOID data, UINT flags);
LOGFONTW MessageLogFont(MetricsQuery query, UINT dpi, UINT systemDpi);
struct FontFace {
    const wchar_t* Name;
    int Weight;
};
// A font of the first installed face in `faces`, at `points` and `dpi`. Each face has its
// own weight, so a missing heavy face can fall back to a bold rendering of another.
win::UniqueFont PointFont(std::initializer_list<FontFace> faces, int points, UINT dpi);

}  // namespace tindrel::ui
