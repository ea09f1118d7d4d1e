#pragma once
// Scaling from the layout tables' twips to a window's pixels, and the fonts for it.
// Functions newer than Windows XP are looked up at run time, with fallbacks.

#include <windows.h>

#include "resources/layout_table.h"
#include "run/win/unique_handle.h"

namespace tindrel::ui {

// WM_DPICHANGED: sent from Windows 8.1 on, unknown to the headers of the oldest Windows
// a build runs on.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

UINT WindowDpi(HWND window);

inline int TwipsToPixels(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

// The outer size of a window whose client area is `client` twips at `dpi`.
SIZE OuterSizeForClient(ClientSize client, DWORD style, DWORD exStyle, UINT dpi);

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
