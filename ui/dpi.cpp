#include "ui/dpi.h"

#include "win/system_folder.h"
#include "win/system_function.h"

#include <algorithm>
#include <cstddef>

namespace tindrel::ui {
namespace {

UINT SystemDpi() {
    const win::WindowDc screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// True when a font family of this name is installed. Asking for the family by name
// enumerates only it, and realises no font: a missing face would cost the font mapper a
// search for a substitute, once per face, before the window shows.
int CALLBACK FamilyFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    const win::WindowDc screen(nullptr);
    ::EnumFontFamiliesExW(screen.Get(), &wanted, FamilyFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The non-client metrics as Vista and later fill them. XP refuses any size but its own,
// which ends before iPaddedBorderWidth (the 32-bit build's headers stop there too), and a
// refused call leaves the font zeroed.
#if WINVER >= 0x0600
constexpr UINT kXpMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
#else
constexpr UINT kXpMetricsSize = sizeof(NONCLIENTMETRICSW);
#endif
constexpr UINT kFullMetricsSize = kXpMetricsSize + sizeof(int);
union FullNonClientMetrics {
    NONCLIENTMETRICSW Metrics;
    unsigned char Bytes[kFullMetricsSize];
};

bool QueryMessageFont(MetricsQuery query, LOGFONTW& font) {
    for (const UINT size : {kFullMetricsSize, kXpMetricsSize}) {
        FullNonClientMetrics full{};
        full.Metrics.cbSize = size;
        if (query(SPI_GETNONCLIENTMETRICS, size, &full, 0) && full.Metrics.lfMessageFont.lfFaceName[0]) {
            font = full.Metrics.lfMessageFont;
            return true;
        }
    }
    return false;
}

// Windows 8.1 and 10 before 1607 know each monitor's DPI but not each window's; the
// function lives in shcore.dll, which the program loads from the system folder only then.
UINT MonitorDpi(HWND window) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    static const auto getDpiForMonitor = [] {
        const HMODULE shcore = win::LoadSystemLibrary(L"shcore.dll");
        return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                            reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    if (!getDpiForMonitor ||
        FAILED(getDpiForMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y))) {
        return 0;
    }
    return y;
}

}  // namespace

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = win::SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (!window) return SystemDpi();
    const UINT dpi = getDpiForWindow ? getDpiForWindow(window) : MonitorDpi(window);
    return dpi ? dpi : SystemDpi();
}

SIZE OuterSizeForClient(ClientSize client, DWORD style, DWORD exStyle, UINT layoutDpi, UINT dpi) {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = win::SystemFunction<AdjustFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect{0, 0, TwipsToPixels(client.Width, layoutDpi), TwipsToPixels(client.Height, layoutDpi)};
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, dpi)) {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

UINT LayoutDpi(HFONT messageFont, UINT dpi, DesignFont design) {
    const win::WindowDc screen(nullptr);
    const win::SelectedObject font(screen.Get(), messageFont);
    TEXTMETRICW metrics{};
    if (!::GetTextMetricsW(screen.Get(), &metrics) || metrics.tmHeight <= 0) return dpi;
    // Widths follow the em (a Chinese character is one em wide), heights the line; the
    // larger of the two ratios scales the whole table, rounded up.
    const auto scaled = [dpi](int size, int designed) {
        return static_cast<UINT>((static_cast<long long>(dpi) * size + designed - 1) / designed);
    };
    const int designEm = ::MulDiv(design.Points, static_cast<int>(dpi), 72);
    const int designLine = TwipsToPixels(design.LineTwips, dpi);
    const UINT byEm = scaled(metrics.tmHeight - metrics.tmInternalLeading, designEm);
    const UINT byLine = scaled(metrics.tmHeight, designLine);
    return std::max({dpi, byEm, byLine});
}

UINT LayoutDpiInside(UINT layoutDpi, ClientSize client, DWORD style, DWORD exStyle, UINT dpi, const RECT& workArea) {
    const SIZE frame = OuterSizeForClient(ClientSize{0, 0}, style, exStyle, dpi, dpi);
    const long long width = workArea.right - workArea.left - frame.cx;
    const long long height = workArea.bottom - workArea.top - frame.cy;
    if (width <= 0 || height <= 0) return dpi;
    auto largest = static_cast<UINT>(std::min(width * 1440 / client.Width, height * 1440 / client.Height));
    // Pixels are rounded to the nearest: a step more may still fit.
    while (TwipsToPixels(client.Width, largest + 1) <= width && TwipsToPixels(client.Height, largest + 1) <= height) {
        ++largest;
    }
    // Below the window's own DPI only on a screen too small for the table even at its design
    // font; the texts keep their size, and FitTexts makes room for them.
    return std::max(dpi / 2, std::min(layoutDpi, largest));
}

LOGFONTW MessageLogFont(MetricsQuery query, UINT dpi, UINT systemDpi) {
    LOGFONTW font{};
    if (!QueryMessageFont(query, font)) {
        // Never a zeroed font: GDI's dialog font, or at the least a 9-point dialog face.
        const HGDIOBJ stock = ::GetStockObject(DEFAULT_GUI_FONT);
        if (!stock || ::GetObjectW(stock, sizeof font, &font) != sizeof font || font.lfHeight == 0 || !font.lfFaceName[0]) {
            font = LOGFONTW{};
            font.lfHeight = -::MulDiv(9, static_cast<int>(systemDpi), 72);
            font.lfWeight = FW_NORMAL;
            font.lfCharSet = DEFAULT_CHARSET;
            ::lstrcpynW(font.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
        }
    }
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
    return font;
}

win::UniqueFont MessageFont(UINT dpi) {
    using SpiForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto spiForDpi = win::SystemFunction<SpiForDpiFn>(L"user32.dll", "SystemParametersInfoForDpi");
    FullNonClientMetrics full{};
    full.Metrics.cbSize = kFullMetricsSize;
    if (spiForDpi && spiForDpi(SPI_GETNONCLIENTMETRICS, kFullMetricsSize, &full, 0, dpi) &&
        full.Metrics.lfMessageFont.lfFaceName[0]) {
        return win::UniqueFont(::CreateFontIndirectW(&full.Metrics.lfMessageFont));
    }
    const LOGFONTW font = MessageLogFont(::SystemParametersInfoW, dpi, SystemDpi());
    return win::UniqueFont(::CreateFontIndirectW(&font));
}

win::UniqueFont PointFont(std::initializer_list<FontFace> faces, int points, UINT dpi) {
    FontFace chosen = *faces.begin();
    for (const FontFace& face : faces) {
        if (FaceInstalled(face.Name)) {
            chosen = face;
            break;
        }
    }
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(points, static_cast<int>(dpi), 72);
    font.lfWeight = chosen.Weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    ::lstrcpynW(font.lfFaceName, chosen.Name, LF_FACESIZE);
    return win::UniqueFont(::CreateFontIndirectW(&font));
}

}  // namespace tindrel::ui
