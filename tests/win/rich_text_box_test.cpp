// The results box on a real RichEdit control: plain text only, no length limit, the
// output's encoding told by its byte-order mark, the pointer that follows the run, and
// keys that leave the box.

#include <windows.h>

#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>

#include <filesystem>
#include <fstream>

#include "tests/support/environment.h"
#include "run/system_error.h"
#include "ui/rich_text_box.h"

namespace tindrel::ui {
namespace {

class RichTextBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(::LoadLibraryW(L"msftedit.dll")); }
    void SetUp() override {
        parent_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        const HWND edit = ::CreateWindowExW(0, L"RICHEDIT50W", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY,
                                            0, 0, 400, 300, parent_, nullptr, nullptr, nullptr);
        ASSERT_TRUE(edit);
        box_.Attach(edit);
    }
    void TearDown() override { ::DestroyWindow(parent_); }

    std::wstring Text() const {
        GETTEXTLENGTHEX length{GTL_DEFAULT, 1200};
        std::wstring text(static_cast<size_t>(::SendMessageW(box_.Handle(), EM_GETTEXTLENGTHEX,
                                                             reinterpret_cast<WPARAM>(&length), 0)) + 1, L'\0');
        GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
        text.resize(static_cast<size_t>(::SendMessageW(box_.Handle(), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                                       reinterpret_cast<LPARAM>(text.data()))));
        return text;
    }

    HWND parent_ = nullptr;
    RichTextBox box_;
};

TEST_F(RichTextBoxTest, TextThatLooksLikeRtfIsShownAsText) {
    box_.SetText(L"{\\rtf1\\ansi {\\b bold}}");
    EXPECT_EQ(Text(), L"{\\rtf1\\ansi {\\b bold}}");
}

TEST_F(RichTextBoxTest, ALargeAnsiFileIsShownWholeWithItsLineBreaks) {
    TINDREL_REQUIRE_ANSI_CODE_PAGE(936u, "zh_CN.UTF-8");
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"tindrel-richtext.txt";
    std::string bytes = "\xD5\xFD\xD4\xDA\r\n";  // 正在, in code page 936
    while (bytes.size() < 300000) bytes += "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789\r\n";
    bytes += std::string("nul\0after", 9);
    std::ofstream(file, std::ios::binary) << bytes;

    box_.LoadFile(file.wstring());
    const std::wstring text = Text();
    std::filesystem::remove(file);

    // RichEdit keeps paragraphs as CR: one per CR LF in the file, none added at chunk edges.
    EXPECT_EQ(text.substr(0, 3), L"正在\r");
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_EQ(text.substr(text.size() - 9), L"nul after");
}

struct EncodedOutput {
    const char* Name;
    std::string Bytes;
    std::wstring Shown;
};

TEST_F(RichTextBoxTest, AByteOrderMarkChoosesTheEncodingAndIsNotShown) {
    ASSERT_EQ(::GetACP(), 936u) << "run with LANG=zh_CN.UTF-8";
    const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("\x7E\x62\x30\x52 \0" "2\0\r\0\n\0" "D\0", 14);
    const std::string utf8 = "\xEF\xBB\xBF\xE6\x89\xBE\xE5\x88\xB0 2\r\nD";
    const EncodedOutput outputs[] = {
        {"UTF-16 LE", utf16, L"找到 2\rD"},
        {"UTF-8", utf8, L"找到 2\rD"},
        {"ANSI, no mark", "\xD5\xD2\xB5\xBD 2\r\nD", L"找到 2\rD"},
        {"UTF-16 LE cut after half a character", utf16 + "E", L"找到 2\rD\xFFFD"},
        {"UTF-16 LE, a NUL inside", std::string("\xFF\xFEx\0\0\0y\0", 8), L"x y"},
        {"the UTF-16 LE mark alone", "\xFF\xFE", L""},
        {"the UTF-8 mark alone", "\xEF\xBB\xBF", L""},
        {"UTF-8 with a broken sequence", "\xEF\xBB\xBF" "a\xE6\x89" "b", L"a\xFFFD" L"b"},
    };
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"tindrel-encoded.txt";
    for (const EncodedOutput& output : outputs) {
        SCOPED_TRACE(output.Name);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << output.Bytes;
        box_.LoadFile(file.wstring());
        EXPECT_EQ(Text(), output.Shown);
    }
    std::filesystem::remove(file);
}

// The box is read-only: Tab, Shift+Tab and Esc belong to the dialog manager, which moves
// the focus on; the keys the box does use still reach it.
TEST_F(RichTextBoxTest, TabAndEscAreLeftToTheDialogManager) {
    const auto codeFor = [this](WPARAM key) {
        MSG press{box_.Handle(), WM_KEYDOWN, key, 0, 0, {}};
        return ::SendMessageW(box_.Handle(), WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&press));
    };
    EXPECT_EQ(codeFor(VK_TAB) & (DLGC_WANTTAB | DLGC_WANTALLKEYS), 0);
    EXPECT_EQ(codeFor(VK_ESCAPE) & (DLGC_WANTTAB | DLGC_WANTALLKEYS), 0);
    EXPECT_EQ(::SendMessageW(box_.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
    EXPECT_NE(codeFor(VK_DOWN) & DLGC_WANTARROWS, 0);
    EXPECT_NE(codeFor('C') & DLGC_WANTCHARS, 0);
}

TEST_F(RichTextBoxTest, ThePointerFollowsTheRun) {
    const auto pointerShown = [this] {
        ::SendMessageW(box_.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(box_.Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return ::GetCursor();
    };
    box_.SetBusyPointer(true);
    EXPECT_EQ(pointerShown(), ::LoadCursorW(nullptr, IDC_WAIT));
    box_.SetBusyPointer(false);
    EXPECT_EQ(pointerShown(), ::LoadCursorW(nullptr, IDC_IBEAM));
}

TEST_F(RichTextBoxTest, AMissingFileIsAFailureNamingIt) {
    try {
        box_.LoadFile(L"C:\\no such folder\\b.txt");
        FAIL() << "expected a failure";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Subject, L"C:\\no such folder\\b.txt");
        EXPECT_EQ(error.Code, static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
        EXPECT_FALSE(error.Description.empty());
    }
}

}  // namespace
}  // namespace tindrel::ui
