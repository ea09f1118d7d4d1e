// The dialog font on systems that answer the non-client metrics query as XP does, or not
// at all; the banner's choice of face; the scale a layout table is placed at for a font
// and a work area.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ui/dpi.h"

namespace tindrel::ui {
namespace {

// XP's SystemParametersInfoW: only its own 500-byte structure is accepted.
BOOL WINAPI XpMetrics(UINT action, UINT size, PVOID data, UINT) {
    auto* metrics = static_cast<NONCLIENTMETRICSW*>(data);
    if (action != SPI_GETNONCLIENTMETRICS || size != 500 || metrics->cbSize != 500) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    metrics->lfMessageFont.lfHeight = -12;
    ::lstrcpyW(metrics->lfMessageFont.lfFaceName, L"Tahoma");
    return TRUE;
}

BOOL WINAPI Refuses(UINT, UINT, PVOID, UINT) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Says yes and fills nothing.
BOOL WINAPI AnswersEmpty(UINT, UINT, PVOID, UINT) { return TRUE; }

TEST(MessageFontTest, XpsShorterMetricsGiveTheSystemFontScaledToTheWindow) {
    const LOGFONTW font = MessageLogFont(XpMetrics, 144, 96);
    EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
    EXPECT_EQ(font.lfHeight, -18);
}

TEST(MessageFontTest, ARefusedOrEmptyAnswerStillGivesAUsableFont) {
    for (const MetricsQuery query : {Refuses, AnswersEmpty}) {
        const LOGFONTW font = MessageLogFont(query, 96, 96);
        EXPECT_NE(std::wstring(font.lfFaceName), L"");
        EXPECT_LT(font.lfHeight, 0);
        EXPECT_GT(MessageLogFont(query, 192, 96).lfHeight, 2 * font.lfHeight - 2);
        EXPECT_LT(MessageLogFont(query, 192, 96).lfHeight, 2 * font.lfHeight + 2);
    }
}

TEST(MessageFontTest, TheSystemsOwnAnswerIsUsed) {
    const LOGFONTW font = MessageLogFont(::SystemParametersInfoW, 96, 96);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    EXPECT_EQ(std::wstring(font.lfFaceName), metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(font.lfHeight, metrics.lfMessageFont.lfHeight);
}

int CALLBACK KeepFirstFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM name) {
    auto& first = *reinterpret_cast<std::wstring*>(name);
    if (font->lfFaceName[0] != L'@') first = font->lfFaceName;  // '@': a vertical CJK face
    return first.empty();
}

LOGFONTW FontOf(const win::UniqueFont& font) {
    LOGFONTW logFont{};
    ::GetObjectW(font.Get(), sizeof logFont, &logFont);
    return logFont;
}

TEST(PointFontTest, TheFirstInstalledFaceIsTakenWithItsOwnWeight) {
    std::wstring installed;
    LOGFONTW all{};
    all.lfCharSet = DEFAULT_CHARSET;
    const HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(screen, &all, KeepFirstFamily, reinterpret_cast<LPARAM>(&installed), 0);
    ::ReleaseDC(nullptr, screen);
    ASSERT_FALSE(installed.empty());
    const wchar_t* missing = L"Tindrel No Such Face";

    const LOGFONTW fallback = FontOf(PointFont({{missing, FW_NORMAL}, {installed.c_str(), FW_BLACK}}, 12, 96));
    EXPECT_EQ(std::wstring(fallback.lfFaceName), installed);
    EXPECT_EQ(fallback.lfWeight, FW_BLACK);
    EXPECT_EQ(fallback.lfHeight, -16);
    const LOGFONTW first = FontOf(PointFont({{installed.c_str(), FW_NORMAL}, {L"Tahoma", FW_BOLD}}, 12, 144));
    EXPECT_EQ(std::wstring(first.lfFaceName), installed);
    EXPECT_EQ(first.lfWeight, FW_NORMAL);
    EXPECT_EQ(first.lfHeight, -24);
    // None installed: the first face is asked for, and the font mapper finds the nearest.
    EXPECT_EQ(std::wstring(FontOf(PointFont({{missing, FW_BOLD}}, 12, 96)).lfFaceName), missing);
}

// The main window's frame: a caption, a system menu, a dialog frame.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr ClientSize kClient{8550, 5850};

TEST(LayoutDpiTest, AWindowStopsAtANetbooksWorkArea) {
    const RECT netbook{0, 0, 1024, 570};  // 1024 x 600 less XP's taskbar
    const UINT capped = LayoutDpiInside(192, kClient, kStyle, kExStyle, 96, netbook);
    EXPECT_LT(capped, 192u);
    const SIZE fits = OuterSizeForClient(kClient, kStyle, kExStyle, capped, 96);
    EXPECT_LE(fits.cx, 1024);
    EXPECT_LE(fits.cy, 570);
    const SIZE larger = OuterSizeForClient(kClient, kStyle, kExStyle, capped + 1, 96);
    EXPECT_TRUE(larger.cx > 1024 || larger.cy > 570) << "stopped short of the work area";

    EXPECT_EQ(LayoutDpiInside(120, kClient, kStyle, kExStyle, 96, netbook), 120u);
    EXPECT_EQ(LayoutDpiInside(96, kClient, kStyle, kExStyle, 96, RECT{0, 0, 640, 480}), 96u);
    EXPECT_EQ(LayoutDpiInside(200, kClient, kStyle, kExStyle, 144, RECT{0, 0, 0, 0}), 144u);
    // 144 dpi on a netbook: the table itself is too tall, so it is placed a little smaller.
    const UINT smaller = LayoutDpiInside(144, kClient, kStyle, kExStyle, 144, netbook);
    EXPECT_LT(smaller, 144u);
    EXPECT_LE(OuterSizeForClient(kClient, kStyle, kExStyle, smaller, 144).cy, 570);
}

TEST(LayoutDpiTest, TheTableGrowsWithTheFontBeyondItsDesignOnly) {
    const auto font = [](int height) {
        LOGFONTW wanted{};
        wanted.lfHeight = -height;
        wanted.lfCharSet = DEFAULT_CHARSET;
        ::lstrcpyW(wanted.lfFaceName, L"Tahoma");
        return win::UniqueFont(::CreateFontIndirectW(&wanted));
    };
    EXPECT_EQ(LayoutDpi(font(11).Get(), 96), 96u);  // XP's 8 pt Tahoma
    EXPECT_EQ(LayoutDpi(font(12).Get(), 96), 96u);
    EXPECT_EQ(LayoutDpi(font(18).Get(), 144), 144u);
    EXPECT_EQ(LayoutDpi(font(24).Get(), 96), 192u);  // 18 pt: twice the em
    EXPECT_GE(LayoutDpi(font(16).Get(), 96), 128u);
}

}  // namespace
}  // namespace tindrel::ui
