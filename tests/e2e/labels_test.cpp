// Every label of the main and About windows shows its whole text: at 96 and 144 dpi,
// with the prefix's default message font, and with Noto Sans CJK SC (whose tall lines
// stand in for Microsoft YaHei UI on Chinese Windows) and WenQuanYi Micro Hei set as the
// message font at 9 pt.

#include <algorithm>
#include <optional>
#include <span>
#include <thread>

#include "resources/about_layout.h"
#include "resources/form1_layout.h"
#include "run/win/unique_handle.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/environment.h"
#include "tools/driver/system_settings.h"
#include "ui/dpi.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;

struct LabelCase {
    UINT Dpi;
    const wchar_t* Face;  // null: the prefix's own message font
};

void PrintTo(const LabelCase& setting, std::ostream* out) {
    *out << setting.Dpi << " dpi, " << (setting.Face ? fs::path(setting.Face).string() : "default font");
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

// The font a label of this kind gets, made as Form1 and FrmAbout make theirs (ApplyDpi)
// from the system's settings at `dpi`.
win::UniqueFont FontFor(ControlFont kind, UINT dpi) {
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
                12, dpi);
    }
    return message;
}

// Measures each label's text in its font and at its width, as the label draws it, and
// compares that with what the label shows: its own rectangle, less any label that lies
// over its lower part (Label1's box holds Label2 and Label3).
void ExpectWholeTexts(HWND window, std::span<const ControlLayout> layouts, UINT dpi) {
    const HDC screen = ::GetDC(nullptr);
    for (const ControlLayout& layout : layouts) {
        if (layout.Kind != ControlKind::Label) continue;
        SCOPED_TRACE(fs::path(layout.Name).string());
        const HWND label = ::GetDlgItem(window, layout.Id);
        ASSERT_TRUE(label);
        const RECT box = RectIn(window, label);
        int shownHeight = box.bottom - box.top;
        for (const ControlLayout& other : layouts) {
            if (other.Kind != ControlKind::Label || other.Id == layout.Id) continue;
            const RECT over = RectIn(window, ::GetDlgItem(window, other.Id));
            RECT common;
            if (::IntersectRect(&common, &box, &over) && over.top > box.top) {
                shownHeight = std::min<int>(shownHeight, over.top - box.top);
            }
        }

        const std::wstring text = WindowText(label);
        const win::UniqueFont font = FontFor(layout.Font, dpi);
        const HGDIOBJ old = ::SelectObject(screen, font.Get());
        RECT needed{0, 0, box.right - box.left, 0};
        ::DrawTextW(screen, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        ::SelectObject(screen, old);
        const std::string shown = fs::path(text).string();
        EXPECT_LE(needed.bottom, shownHeight) << "text cut at the bottom: " << shown;
        EXPECT_LE(needed.right, box.right - box.left) << "text cut at the right: " << shown;
    }
    ::ReleaseDC(nullptr, screen);
}

class LabelTextTest : public EndToEndTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(LabelTextTest, EveryLabelShowsItsWholeText) {
    TINDREL_REQUIRE_WINE("the screen DPI and message font are changed for the program's next start");
    const LabelCase setting = GetParam();
    const ScreenDpi dpi(setting.Dpi);
    std::optional<MessageFontSetting> font;
    if (setting.Face) {
        font.emplace(setting.Face, 9);
        const win::UniqueFont message = ui::MessageFont(setting.Dpi);
        LOGFONTW wanted{};
        ::GetObjectW(message.Get(), sizeof wanted, &wanted);
        ::lstrcpynW(wanted.lfFaceName, setting.Face, LF_FACESIZE);
        const win::UniqueFont direct(::CreateFontIndirectW(&wanted));
        ASSERT_EQ(FaceName(direct.Get()), setting.Face) << "font not installed (scripts/dev setup installs it)";
        ASSERT_TRUE(SameFace(message.Get(), direct.Get())) << "the message font was not set";
    }

    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    EXPECT_EQ(ClientSize(app.MainWindow()).cx, ::MulDiv(kForm1Client.Width, static_cast<int>(setting.Dpi), 1440))
        << "the program did not start at this DPI";
    // For a look with one's own eyes: TINDREL_SCREENSHOTS names a folder for them.
    wchar_t folder[MAX_PATH];
    const bool screenshots = ::GetEnvironmentVariableW(L"TINDREL_SCREENSHOTS", folder, MAX_PATH) != 0;
    const std::wstring shot = std::wstring(folder) + L"\\labels-" + std::to_wstring(setting.Dpi) + L"-" +
                              (setting.Face ? std::wstring(setting.Face) : L"default");
    if (screenshots) {
        std::this_thread::sleep_for(500ms);
        SaveScreenshot(app.MainWindow(), shot + L"-main.bmp");
    }
    {
        SCOPED_TRACE("main window");
        ExpectWholeTexts(app.MainWindow(), kForm1Controls, setting.Dpi);
    }

    app.Click(IDC_COMMAND2);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = app.FindWindowOf(TINDREL_ABOUT_CLASS)) != nullptr; }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return !WindowText(::GetDlgItem(about, IDC_LBLVERSION)).empty(); }, 5s));
    if (screenshots) {
        std::this_thread::sleep_for(500ms);
        SaveScreenshot(about, shot + L"-about.bmp");
    }
    {
        SCOPED_TRACE("About window");
        ExpectWholeTexts(about, kAboutControls, setting.Dpi);
    }
}

std::string CaseName(const ::testing::TestParamInfo<LabelCase>& info) {
    std::string face = info.param.Face ? fs::path(info.param.Face).string() : "DefaultFont";
    face.erase(std::remove(face.begin(), face.end(), ' '), face.end());
    return "Dpi" + std::to_string(info.param.Dpi) + face;
}

INSTANTIATE_TEST_SUITE_P(DpiAndFont, LabelTextTest,
                         ::testing::Values(LabelCase{96, nullptr}, LabelCase{144, nullptr},
                                           LabelCase{96, L"Noto Sans CJK SC"}, LabelCase{144, L"Noto Sans CJK SC"},
                                           LabelCase{96, L"WenQuanYi Micro Hei"},
                                           LabelCase{144, L"WenQuanYi Micro Hei"}),
                         CaseName);

}  // namespace
}  // namespace tindrel::e2e
