#include "ui/dpi.h"

namespace tindrel::ui {
namespace {

template <typename Function>
Function User32Function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

UINT SystemDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// True when the font mapper gives this face itself, not a substitute for it.
bool FaceInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    const win::UniqueFont font(::CreateFontIndirectW(&wanted));
    const HDC screen = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(screen, font.Get());
    wchar_t actual[LF_FACESIZE] = {};
    ::GetTextFaceW(screen, LF_FACESIZE, actual);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    return ::lstrcmpiW(actual, face) == 0;
}

}  // namespace

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}

SIZE OuterSizeForClient(ClientSize client, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustFn>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, TwipsToPixels(client.Width, dpi), TwipsToPixels(client.Height, dpi)};
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, dpi)) {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

win::UniqueFont MessageFont(UINT dpi) {
    using SpiForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto spiForDpi = User32Function<SpiForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!spiForDpi || !spiForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    }
    return win::UniqueFont(::CreateFontIndirectW(&metrics.lfMessageFont));
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
