// The dialog font on systems that answer the non-client metrics query as XP does, or not
// at all; the banner's choice of face; the scale a layout table is placed at for a font
// and a work area; how the tables' texts make room at a font larger than they were drawn
// for.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "resources/about_layout.h"
#include "resources/form1_layout.h"
#include "ui/dpi.h"
#include "ui/layout.h"

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
    EXPECT_EQ(LayoutDpi(font(11).Get(), 96, kForm1DesignFont), 96u);  // XP's 8 pt Tahoma
    EXPECT_EQ(LayoutDpi(font(12).Get(), 96, kForm1DesignFont), 96u);
    EXPECT_EQ(LayoutDpi(font(18).Get(), 144, kForm1DesignFont), 144u);
    EXPECT_EQ(LayoutDpi(font(24).Get(), 96, kForm1DesignFont), 192u);  // 18 pt: twice the em
    EXPECT_GE(LayoutDpi(font(16).Get(), 96, kForm1DesignFont), 128u);
}

bool Inside(const ControlLayout& inner, const ControlLayout& outer) {
    return inner.Top > outer.Top && inner.Left >= outer.Left && inner.Left + inner.Width <= outer.Left + outer.Width &&
           inner.Top + inner.Height <= outer.Top + outer.Height;
}

const ControlLayout* Find(std::span<const ControlLayout> table, int id) {
    const auto found = std::find_if(table.begin(), table.end(), [id](const ControlLayout& c) { return c.Id == id; });
    return found == table.end() ? nullptr : &*found;
}

// A label held by another lies in its holder's box, below the holder's own top, and a
// holder holds some; a label drawn inside another's box is held by it, where a larger font
// would otherwise push it below the whole box. A label moved a few twips out of its holder,
// or into another's box, shows here, not only at a large font.
void ExpectRolesAgreeWithTheDrawing(std::span<const ControlLayout> table) {
    for (const ControlLayout& control : table) {
        SCOPED_TRACE(control.Name);
        if (control.HeldBy != 0) {
            const ControlLayout* holder = Find(table, control.HeldBy);
            ASSERT_NE(holder, nullptr) << "held by a control not in the table";
            EXPECT_EQ(holder->Kind, ControlKind::Label);
            EXPECT_EQ(holder->Fit, TextFit::Holds);
            EXPECT_TRUE(Inside(control, *holder)) << "held, but outside its holder's box";
        }
        if (control.Fit == TextFit::Holds) {
            EXPECT_EQ(control.Kind, ControlKind::Label);
            const auto holds = [&](const ControlLayout& c) { return c.HeldBy == control.Id; };
            EXPECT_TRUE(std::any_of(table.begin(), table.end(), holds)) << "holds nothing";
        }
        for (const ControlLayout& other : table) {
            if (control.Kind != ControlKind::Label || other.Kind != ControlKind::Label || !Inside(control, other)) continue;
            EXPECT_EQ(control.HeldBy, other.Id) << "in the box of " << other.Name << " but not held by it";
        }
    }
}

TEST(TextFitTest, EachTableDeclaresTheRolesItsDrawingShows) {
    ExpectRolesAgreeWithTheDrawing(kForm1Controls);
    ExpectRolesAgreeWithTheDrawing(kAboutControls);
}

// The rows a label's text really covers when the label paints itself `width` wide with
// all the room it wants, rounded up to whole lines of its font: measured apart from the
// DT_CALCRECT that FitTexts asks, so the two cannot agree on a wrong answer.
LONG PaintedTextHeight(HWND label, HFONT font, LONG width) {
    constexpr LONG kRoom = 1000;
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::MoveWindow(label, 0, 0, width, kRoom, FALSE);
    const win::WindowDc screen(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen.Get());
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -kRoom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        ::DeleteDC(memory);
        return 0;
    }
    TEXTMETRICW metrics{};
    {
        const win::SelectedObject selected(memory, bitmap);
        const win::SelectedObject selectedFont(memory, font);
        ::GetTextMetricsW(memory, &metrics);
        ::SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
        ::GdiFlush();
    }
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    const std::uint32_t background = pixels[kRoom * width - 1];  // far below any text
    LONG covered = 0;
    for (LONG pixel = 0; pixel < kRoom * width; ++pixel) {
        if (pixels[pixel] != background) covered = pixel / width + 1;
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    return metrics.tmHeight ? (covered + metrics.tmHeight - 1) / metrics.tmHeight * metrics.tmHeight : 0;
}

// The main window's table at 18 pt where it was drawn for 9, as on a screen too small to
// scale it: every label shows its text, Label2 and Label3 stay in Label1's box below its
// text, and the results box gives up the room at its top only.
TEST(TextFitTest, AtTwiceTheDesignFontHeldLabelsStayInTheirHolderAndTheResultsBoxGivesWay) {
    ASSERT_TRUE(::LoadLibraryW(L"msftedit.dll"));
    const HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(parent);
    const std::vector<PlacedControl> controls = CreateControls(parent, kForm1Controls, 96);
    LOGFONTW large = MessageLogFont(::SystemParametersInfoW, 96, 96);
    large.lfHeight = -::MulDiv(2 * kForm1DesignFont.Points, 96, 72);
    const win::UniqueFont font(::CreateFontIndirectW(&large));
    std::vector<RECT> rects;
    for (const PlacedControl& control : controls) rects.push_back(TwipsRect(*control.Layout, 96));
    const std::vector<RECT> drawn = rects;
    FitTexts(controls, rects, 96, {font.Get(), font.Get(), font.Get()});

    const auto index = [&](int id) {
        return static_cast<size_t>(std::find_if(controls.begin(), controls.end(),
                                                [id](const PlacedControl& c) { return c.Layout->Id == id; }) -
                                   controls.begin());
    };
    const auto textHeight = [&](int id) {
        const RECT& box = rects[index(id)];
        const LONG height = PaintedTextHeight(controls[index(id)].Handle, font.Get(), box.right - box.left);
        EXPECT_GT(height, 0) << "control " << id << " painted no text";
        return height;
    };
    const RECT& holder = rects[index(IDC_LABEL1)];
    const RECT& held = rects[index(IDC_LABEL2)];
    const RECT& heldBelow = rects[index(IDC_LABEL3)];
    const RECT& results = rects[index(IDC_RICHTEXTBOX1)];
    EXPECT_GE(held.top, holder.top + textHeight(IDC_LABEL1)) << "Label2 over Label1's text";
    EXPECT_GE(heldBelow.top, held.bottom);
    for (const RECT* inner : {&held, &heldBelow}) {
        RECT both;
        ::IntersectRect(&both, inner, &holder);
        EXPECT_TRUE(::EqualRect(&both, inner)) << "a held label left its holder's box";
    }
    for (const int id : {IDC_LABEL2, IDC_LABEL3, IDC_LABEL4, IDC_LABEL5}) {
        EXPECT_GE(rects[index(id)].bottom - rects[index(id)].top, textHeight(id)) << "text cut in control " << id;
    }
    EXPECT_GE(results.top, holder.bottom);
    EXPECT_EQ(results.bottom, drawn[index(IDC_RICHTEXTBOX1)].bottom) << "the results box moved instead of giving way";
    EXPECT_GT(results.top, drawn[index(IDC_RICHTEXTBOX1)].top) << "18 pt should not fit the table at 96 dpi";
    ::DestroyWindow(parent);
}

}  // namespace
}  // namespace tindrel::ui
