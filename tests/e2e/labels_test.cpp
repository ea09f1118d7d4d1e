// Every control of the main and About windows shows its whole text, nothing overlaps and
// the windows stay in the work area: at 96, 144 and 168 dpi, with message fonts of 9 to
// 18 pt in the prefix's default face and in Noto Sans CJK SC (whose tall lines stand in
// for Microsoft YaHei UI on Chinese Windows), and at 9 pt in WenQuanYi Micro Hei.

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <span>
#include <sstream>
#include <thread>

#include "resources/about_layout.h"
#include "resources/form1_layout.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/environment.h"
#include "tools/driver/system_settings.h"
#include "ui/dpi.h"
#include "win/unique_handle.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;

struct LabelCase {
    UINT Dpi;
    int Points;
    const wchar_t* Face;  // null: the prefix's own message face
};

void PrintTo(const LabelCase& setting, std::ostream* out) {
    *out << setting.Dpi << " dpi, " << setting.Points << " pt "
         << (setting.Face ? fs::path(setting.Face).string() : "default face");
}

std::wstring FaceName(HFONT font) {
    const HDC screen = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(screen, font);
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(screen, LF_FACESIZE, face);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    return face;
}

// Fonts are told apart by their metrics: the system gives a font's full, often
// localised name where CreateFont was given the family name.
bool SameFace(HFONT a, HFONT b) {
    const HDC screen = ::GetDC(nullptr);
    TEXTMETRICW metrics[2]{};
    const HGDIOBJ old = ::SelectObject(screen, a);
    ::GetTextMetricsW(screen, &metrics[0]);
    ::SelectObject(screen, b);
    ::GetTextMetricsW(screen, &metrics[1]);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    return metrics[0].tmHeight == metrics[1].tmHeight && metrics[0].tmAscent == metrics[1].tmAscent &&
           metrics[0].tmAveCharWidth == metrics[1].tmAveCharWidth && metrics[0].tmMaxCharWidth == metrics[1].tmMaxCharWidth;
}

// The font a control of this kind gets, made as Form1 and FrmAbout make theirs (ApplyDpi)
// from the system's settings at `dpi`; the banner is drawn at the layout's own scale,
// `layoutDpi`.
win::UniqueFont FontFor(ControlFont kind, UINT dpi, UINT layoutDpi) {
    win::UniqueFont message = ui::MessageFont(dpi);
    switch (kind) {
        case ControlFont::Default:
            return message;
        case ControlFont::Title: {
            LOGFONTW title{};
            ::GetObjectW(message.Get(), sizeof title, &title);
            title.lfHeight = title.lfHeight * 3 / 2;
            title.lfWeight = FW_BOLD;
            return win::UniqueFont(::CreateFontIndirectW(&title));
        }
        case ControlFont::Banner:
            return ui::PointFont(
                {{L"Arial Black", FW_NORMAL}, {L"Arial", FW_BLACK}, {L"DejaVu Sans", FW_BLACK}, {L"Tahoma", FW_BOLD}},
                12, layoutDpi);
    }
    return message;
}

// The scale the window was laid out at, as a DPI, read back from its client width.
UINT LayoutDpiOf(HWND window, tindrel::ClientSize design) {
    return static_cast<UINT>(::MulDiv(ClientSize(window).cx, 1440, design.Width));
}

int EmHeight(HFONT font) {
    const HDC screen = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(screen, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(screen, &metrics);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    return metrics.tmHeight - metrics.tmInternalLeading;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r) {
    std::ostringstream text;
    text << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return text.str();
}

// Every control lies inside the client area and apart from the others; only a label may
// hold others, below its own text (Label1's box holds Label2 and Label3). Each text is
// measured in its control's font against the control's rectangle: a label's as it draws
// it, wrapped at its width, down to the first control it holds; a push button's on one
// line inside its 3D edge.
void ExpectWholeTexts(HWND window, std::span<const ControlLayout> layouts, UINT dpi, UINT layoutDpi) {
    RECT client;
    ::GetClientRect(window, &client);
    const HDC screen = ::GetDC(nullptr);
    const int edge = ::MulDiv(2, static_cast<int>(dpi), 96);
    for (const ControlLayout& layout : layouts) {
        SCOPED_TRACE(fs::path(layout.Name).string());
        const HWND control = ::GetDlgItem(window, layout.Id);
        ASSERT_TRUE(control);
        const RECT box = RectIn(window, control);
        EXPECT_TRUE(Inside(box, client)) << Describe(box) << " outside the client area " << Describe(client);
        int shownHeight = box.bottom - box.top;
        for (const ControlLayout& other : layouts) {
            if (other.Id == layout.Id) continue;
            const RECT over = RectIn(window, ::GetDlgItem(window, other.Id));
            RECT common;
            if (!::IntersectRect(&common, &box, &over)) continue;
            if (layout.Kind == ControlKind::Label && Inside(over, box) && over.top > box.top) {
                shownHeight = std::min<int>(shownHeight, over.top - box.top);
            } else if (!(other.Kind == ControlKind::Label && Inside(box, over) && box.top > over.top)) {
                ADD_FAILURE() << Describe(box) << " overlaps " << fs::path(other.Name).string() << " " << Describe(over);
            }
        }
        if (layout.Kind == ControlKind::RichText || layout.Kind == ControlKind::Icon) continue;

        const std::wstring text = WindowText(control);
        const std::string shown = fs::path(text).string();
        const win::UniqueFont font = FontFor(layout.Font, dpi, layoutDpi);
        const HGDIOBJ old = ::SelectObject(screen, font.Get());
        if (layout.Kind == ControlKind::Label) {
            RECT needed{0, 0, box.right - box.left, 0};
            ::DrawTextW(screen, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
            EXPECT_LE(needed.bottom, shownHeight) << "text cut at the bottom: " << shown;
            EXPECT_LE(needed.right, box.right - box.left) << "text cut at the right: " << shown;
        } else {
            RECT needed{};
            ::DrawTextW(screen, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
            EXPECT_LE(needed.bottom + 2 * edge, box.bottom - box.top) << "button text cut: " << shown;
            EXPECT_LE(needed.right + 2 * edge, box.right - box.left) << "button text cut: " << shown;
        }
        ::SelectObject(screen, old);
    }
    ::ReleaseDC(nullptr, screen);
}

// The window lies in the work area of its monitor, and has grown with the font: at the
// font's scale, or as far as the work area lets it; at the design font the table is
// exact.
void ExpectGrownInsideWorkArea(HWND window, UINT dpi, int points, UINT layoutDpi) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT frame;
    ::GetWindowRect(window, &frame);
    EXPECT_TRUE(Inside(frame, monitor.rcWork)) << Describe(frame) << " outside the work area " << Describe(monitor.rcWork);
    const win::UniqueFont message = ui::MessageFont(dpi);
    const int designEm = ::MulDiv(9, static_cast<int>(dpi), 72);
    const int work = std::min<int>(monitor.rcWork.right - monitor.rcWork.left - (frame.right - frame.left),
                                   monitor.rcWork.bottom - monitor.rcWork.top - (frame.bottom - frame.top));
    // One step of the layout's DPI moves the window's edge by a few pixels at most.
    if (work > 8) {
        EXPECT_GE(layoutDpi * designEm, dpi * EmHeight(message.Get())) << "the window did not grow with the font";
        if (points == 9) {
            EXPECT_EQ(layoutDpi, dpi) << "the table is not exact at its design font";
        }
    }
}

class LabelTextTest : public EndToEndTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(LabelTextTest, EveryControlShowsItsWholeText) {
    TINDREL_REQUIRE_WINE("the screen DPI and message font are changed for the program's next start");
    const LabelCase setting = GetParam();
    const ScreenDpi dpi(setting.Dpi);
    std::optional<MessageFontSetting> font;
    if (setting.Face || setting.Points != 9) {
        font.emplace(setting.Face, setting.Points);
        const win::UniqueFont message = ui::MessageFont(setting.Dpi);
        LOGFONTW wanted{};
        ::GetObjectW(message.Get(), sizeof wanted, &wanted);
        EXPECT_NEAR(std::abs(wanted.lfHeight), ::MulDiv(setting.Points, static_cast<int>(setting.Dpi), 72), 1)
            << "the message font's size was not set";
        if (setting.Face) {
            ::lstrcpynW(wanted.lfFaceName, setting.Face, LF_FACESIZE);
            const win::UniqueFont direct(::CreateFontIndirectW(&wanted));
            ASSERT_EQ(FaceName(direct.Get()), setting.Face) << "font not installed (scripts/dev setup installs it)";
            ASSERT_TRUE(SameFace(message.Get(), direct.Get())) << "the message font was not set";
        }
    }

    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    const UINT layoutDpi = LayoutDpiOf(app.MainWindow(), kForm1Client);
    // For a look with one's own eyes: TINDREL_SCREENSHOTS names a folder for them.
    wchar_t folder[MAX_PATH];
    const bool screenshots = ::GetEnvironmentVariableW(L"TINDREL_SCREENSHOTS", folder, MAX_PATH) != 0;
    const std::wstring shot = std::wstring(folder) + L"\\labels-" + std::to_wstring(setting.Dpi) + L"-" +
                              std::to_wstring(setting.Points) + L"-" +
                              (setting.Face ? std::wstring(setting.Face) : L"default");
    if (screenshots) {
        std::this_thread::sleep_for(500ms);
        SaveScreenshot(app.MainWindow(), shot + L"-main.bmp");
    }
    {
        SCOPED_TRACE("main window");
        ExpectGrownInsideWorkArea(app.MainWindow(), setting.Dpi, setting.Points, layoutDpi);
        ExpectWholeTexts(app.MainWindow(), kForm1Controls, setting.Dpi, layoutDpi);
    }

    app.Click(IDC_COMMAND2);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = ShownAboutWindow(app)) != nullptr; }, kPromptly));
    if (screenshots) {
        std::this_thread::sleep_for(500ms);
        SaveScreenshot(about, shot + L"-about.bmp");
    }
    {
        SCOPED_TRACE("About window");
        const UINT aboutDpi = LayoutDpiOf(about, kAboutClient);
        ExpectGrownInsideWorkArea(about, setting.Dpi, setting.Points, aboutDpi);
        ExpectWholeTexts(about, kAboutControls, setting.Dpi, aboutDpi);
    }

    // A change of the text size is followed as it comes: the whole layout is made again.
    const HWND start = app.Control(IDC_COMMAND1);
    const RECT placed = RectIn(app.MainWindow(), start);
    const SIZE client = ClientSize(app.MainWindow());
    ::SetWindowPos(start, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(app.MainWindow(), nullptr, 0, 0, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(app.MainWindow(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0, SMTO_ABORTIFHUNG, kPromptlyMs,
                          &ignored);
    EXPECT_EQ(ClientSize(app.MainWindow()).cx, client.cx) << "not laid out again on WM_SETTINGCHANGE";
    EXPECT_EQ(ClientSize(app.MainWindow()).cy, client.cy);
    const RECT again = RectIn(app.MainWindow(), start);
    EXPECT_TRUE(::EqualRect(&placed, &again)) << Describe(again);
}

std::string CaseName(const ::testing::TestParamInfo<LabelCase>& info) {
    std::string face = info.param.Face ? fs::path(info.param.Face).string() : "DefaultFace";
    face.erase(std::remove(face.begin(), face.end(), ' '), face.end());
    return "Dpi" + std::to_string(info.param.Dpi) + "Pt" + std::to_string(info.param.Points) + face;
}

// Noto Sans CJK SC has the tallest lines of the fonts here. 18 pt at 168 dpi leaves the
// window as little room as a 1024 x 600 netbook's screen at 96 dpi would: it stops at the
// work area and the labels wrap.
constexpr const wchar_t* kNoto = L"Noto Sans CJK SC";
INSTANTIATE_TEST_SUITE_P(DpiAndFont, LabelTextTest,
                         ::testing::Values(LabelCase{96, 9, nullptr}, LabelCase{144, 9, nullptr},
                                           LabelCase{96, 9, kNoto}, LabelCase{144, 9, kNoto},
                                           LabelCase{96, 9, L"WenQuanYi Micro Hei"},
                                           LabelCase{144, 9, L"WenQuanYi Micro Hei"}, LabelCase{96, 12, nullptr},
                                           LabelCase{96, 14, nullptr}, LabelCase{96, 18, nullptr},
                                           LabelCase{144, 14, nullptr}, LabelCase{96, 12, kNoto},
                                           LabelCase{96, 14, kNoto}, LabelCase{96, 18, kNoto},
                                           LabelCase{144, 14, kNoto}, LabelCase{168, 18, kNoto}),
                         CaseName);

}  // namespace
}  // namespace tindrel::e2e
