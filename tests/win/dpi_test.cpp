// The dialog font on systems that answer the non-client metrics query as XP does, or not
// at all.

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

}  // namespace
}  // namespace tindrel::ui
