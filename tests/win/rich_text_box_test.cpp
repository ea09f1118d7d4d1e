// The results box on a real RichEdit control: plain text only, no length limit, the
// output's encoding told by its byte-order mark, a large output shown in part and loaded
// between messages, the pointer that follows the run, and keys that leave the box.

#include <windows.h>

#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "tests/support/environment.h"
#include "run/system_error.h"
#include "ui/display_text.h"
#include "ui/rich_text_box.h"
#include "win/unique_handle.h"

namespace tindrel::ui {
namespace {

// Windows' clipboard history and remote-desktop services open the clipboard after every
// change, so it may be busy for a moment: tried for up to 2 s.
bool OpenClipboardSoon(HWND owner) {
    for (int tries = 0; tries < 100; ++tries) {
        if (::OpenClipboard(owner)) return true;
        ::Sleep(20);
    }
    return false;
}

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

    // Runs the thread's messages until the box has shown all of its load.
    void FinishLoad() {
        const DWORD giveUp = ::GetTickCount() + 60000;
        while (box_.Loading() && ::GetTickCount() < giveUp) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        }
        EXPECT_FALSE(box_.Loading());
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
    while (bytes.size() < 250000) bytes += "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789\r\n";
    bytes += std::string("nul\0after", 9);
    std::ofstream(file, std::ios::binary) << bytes;

    box_.LoadFile(file.wstring());
    std::filesystem::remove(file);  // as the run does, at once
    EXPECT_EQ(Text().substr(0, 3), L"正在\r") << "the start is shown before the load goes on";
    EXPECT_TRUE(box_.Loading());
    FinishLoad();
    const std::wstring text = Text();

    // RichEdit keeps paragraphs as CR: one per CR LF in the file, none added at the edges
    // of stream chunks or of the pieces of the load.
    EXPECT_EQ(text.substr(0, 3), L"正在\r");
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_EQ(text.substr(text.size() - 9), L"nul after");
}

// While the rest of a load goes in, what the user selected and scrolled to stays put;
// and whatever replaces the text ends the load.
TEST_F(RichTextBoxTest, ALoadKeepsTheSelectionAndViewAndEndsWhenTheTextIsReplaced) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"tindrel-load.txt";
    std::string bytes;
    while (bytes.size() < 60000) bytes += "line " + std::to_string(bytes.size()) + "\r\n";
    std::ofstream(file, std::ios::binary) << bytes;

    box_.LoadFile(file.wstring());
    ::SendMessageW(box_.Handle(), EM_SETSEL, 2, 6);
    FinishLoad();
    DWORD start = 0, end = 0;
    ::SendMessageW(box_.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 6u);
    EXPECT_EQ(::SendMessageW(box_.Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_EQ(Text().size(), bytes.size() - std::count(bytes.begin(), bytes.end(), '\n'));

    // The box then shows the new text alone, or, cancelled, what it showed; a load still
    // going on would add its rest while FinishLoad runs the messages.
    for (const bool replaced : {true, false}) {
        box_.LoadFile(file.wstring());
        ASSERT_TRUE(box_.Loading());
        const std::wstring before = Text();
        ASSERT_LT(before.size(), 20000u);
        if (replaced) {
            box_.SetText(L"正在测试...");
        } else {
            box_.CancelLoad();
        }
        EXPECT_FALSE(box_.Loading());
        FinishLoad();
        EXPECT_EQ(Text(), replaced ? std::wstring(L"正在测试...") : before);
    }
    std::filesystem::remove(file);
}

// Far down a long output, past the 65,535 pixels EM_GETSCROLLPOS can tell, the view
// stays on its line while the rest goes in.
TEST_F(RichTextBoxTest, AViewFarDownALongOutputStaysWhileTheRestLoads) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"tindrel-far.txt";
    std::string bytes;
    for (int line = 0; bytes.size() < 250000; ++line) bytes += "line " + std::to_string(line) + "\r\n";
    std::ofstream(file, std::ios::binary) << bytes;
    box_.LoadFile(file.wstring());
    std::filesystem::remove(file);

    constexpr LRESULT kFarLine = 7000;
    const DWORD giveUp = ::GetTickCount() + 60000;
    while (box_.Loading() && ::SendMessageW(box_.Handle(), EM_GETLINECOUNT, 0, 0) < kFarLine + 100 &&
           ::GetTickCount() < giveUp) {
        // One message at a time: the load's ticks come back to back.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    ASSERT_TRUE(box_.Loading()) << "the load ended before the view could be moved during it";
    ::SendMessageW(box_.Handle(), EM_LINESCROLL, 0, kFarLine);
    const LRESULT first = ::SendMessageW(box_.Handle(), EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GE(first, kFarLine - 100);
    POINTL at{};
    ::SendMessageW(box_.Handle(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at),
                   ::SendMessageW(box_.Handle(), EM_LINEINDEX, 0, 0));
    EXPECT_LT(at.y, -65536) << "the view is not yet past 16-bit pixels";
    FinishLoad();
    EXPECT_EQ(::SendMessageW(box_.Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), first);
}

// A drive list is shown as it is; a broken tool's output is cut to its start, its lines
// broken where they have no break of their own, and a note says what happened.
TEST(TextForDisplayTest, ShowsTheStartOfAnOutputAndSaysWhatWasLeftOut) {
    const std::wstring list = L"找到 2 台刻录设备：\r\n\r\n驱动器 1：D: HL-DT-ST DVDRAM GH24NSD1\r\n扫描完成。\r\n";
    EXPECT_EQ(TextForDisplay(list, 99, true), list);
    EXPECT_EQ(TextForDisplay(std::wstring(L"a\0b", 3), 3, true), L"a b");
    EXPECT_EQ(TextForDisplay(L"", 0, true), L"");

    struct Case {
        const char* Name;
        std::wstring Output;
        bool Whole;  // of a file of 9,999 bytes
        size_t Shown, Line;
        std::wstring Start;  // what is shown before the note
        std::wstring Note;   // what the note says, or nothing for no note
    };
    const std::wstring lines = L"12345678\r\n12345678\r\n12345678\r\n";  // 30 characters
    const Case cases[] = {
        {"exactly the bound", lines, true, 30, 100, lines, L""},
        {"cut after the last whole line", lines, true, 25, 100, L"12345678\r\n12345678\r\n",
         L"输出太长（共 9,999 字节），这里只显示了开头的 20 个字符。"},
        {"a line longer than the bound is cut in it", std::wstring(5000, L'x'), true, 1234, 2000,
         std::wstring(1234, L'x') + L"\r\n", L"只显示了开头的 1,234 个字符"},
        {"never between CR and LF", L"abcd\r\nefgh", true, 5, 100, L"abcd\r\n", L"开头的 4 个字符"},
        {"never inside a surrogate pair", L"abc\xD83D\xDCBFxyz", true, 4, 100, L"abc\r\n", L"开头的 3 个字符"},
        {"the start of a longer file, its last character maybe half of one", L"abc\r\nde\xE4", false, 100, 100,
         L"abc\r\nde\r\n", L"（共 9,999 字节），这里只显示了开头的 7 个字符"},
        {"a line without a break is broken", std::wstring(10, L'y') + L"\r\nzz", true, 100, 4,
         L"yyyy\r\nyyyy\r\nyy\r\nzz\r\n", L"没有换行的长行在这里每 4 个字符断开显示"},
        {"a line of exactly the longest is left whole", L"yyyy\nzzzz", true, 100, 4, L"yyyy\nzzzz", L""},
        {"no break inside a surrogate pair", L"yyy\xD83D\xDCBFy", true, 100, 4, L"yyy\xD83D\xDCBF\r\ny\r\n",
         L"每 4 个字符断开显示"},
        {"cut and broken", std::wstring(3000000, L'z'), true, 256 * 1024, 1024, L"", L"开头的 262,144 个字符"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::wstring shown = TextForDisplay(c.Output, 9999, c.Whole, c.Shown, c.Line);
        if (c.Note.empty()) {
            EXPECT_EQ(shown, c.Start);
            continue;
        }
        const size_t note = shown.find(L"\r\n（");
        ASSERT_NE(note, std::wstring::npos) << "no note";
        if (!c.Start.empty()) {
            EXPECT_EQ(shown.substr(0, note), c.Start);
        }
        EXPECT_NE(shown.find(c.Note, note), std::wstring::npos);
        EXPECT_EQ(shown.substr(shown.size() - 3), L"）\r\n");
    }
    // The longest line of a megabyte line is broken for display, and the shown part keeps
    // to the bound: RichEdit never gets a paragraph it takes minutes over.
    const std::wstring huge = TextForDisplay(std::wstring(3000000, L'z'), 3000000, true);
    size_t longest = 0, run = 0;
    for (const wchar_t c : huge) {
        run = (c == L'\r' || c == L'\n') ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    EXPECT_LE(longest, kLongestLine + 100);  // the note's own line is short
    EXPECT_LT(huge.size(), kShownCharacters + kShownCharacters / 256);
}

TEST(TextForDisplayTest, PiecesEndAtLineBreaksAndNeverBeforeABrace) {
    EXPECT_EQ(PieceEnd(L"ab\r\ncd\r\nef", 0, 8), 8u);
    EXPECT_EQ(PieceEnd(L"ab\r\ncd\r\nef", 0, 7), 4u) << "after the last line break in reach";
    EXPECT_EQ(PieceEnd(L"abcdef\r\n", 0, 7), 6u) << "not between CR and LF";
    EXPECT_EQ(PieceEnd(L"abcd\xD83D\xDCBF", 0, 5), 4u) << "not inside a surrogate pair";
    EXPECT_EQ(PieceEnd(L"ab\r\n{\\rtf1 x}", 0, 4), 5u) << "the next piece starts after the brace";
    EXPECT_EQ(PieceEnd(L"ab\r\n{{{x", 0, 4), 7u);
    EXPECT_EQ(PieceEnd(L"abc", 1, 100), 3u);
    EXPECT_EQ(PieceEnd(L"abc", 3, 100), 3u);
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
        EXPECT_FALSE(box_.LoadFile(file.wstring()));
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

// A scanner or indexer holding the output with delete access does not stand in the way;
// one holding it without sharing it, or a missing file, is a failure the box returns,
// leaving what it showed.
TEST_F(RichTextBoxTest, AnOutputOthersHoldIsReadWhereItCanBeAndOtherwiseNamed) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / L"tindrel-held.txt";
    std::ofstream(path, std::ios::binary) << "drive list";
    for (const DWORD holderSharing : {DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}, DWORD{0}}) {
        box_.SetText(L"正在测试...");
        const win::UniqueFile holder(
            ::CreateFileW(path.c_str(), GENERIC_READ | DELETE, holderSharing, nullptr, OPEN_EXISTING, 0, nullptr));
        const std::optional<SystemError> failure = box_.LoadFile(path.wstring());
        EXPECT_EQ(failure ? failure->Code : 0, holderSharing ? 0 : static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(Text(), holderSharing ? L"drive list" : L"正在测试...");
    }
    std::filesystem::remove(path);
    const std::optional<SystemError> missing = box_.LoadFile(L"C:\\no such folder\\b.txt");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->Subject, L"C:\\no such folder\\b.txt");
}

// Ctrl+A then Ctrl+C or Ctrl+Insert, or WM_COPY (the menu's 复制) for a selection up to
// the end, while a large output still goes in, take the whole text. The output is UTF-8
// at three bytes a character, the most the box reads for what it shows.
TEST_F(RichTextBoxTest, CopyingDuringTheLoadOfATenMegabyteOutputTakesTheWholeText) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"tindrel-10mb.txt";
    std::string line, output = "\xEF\xBB\xBF";
    for (int i = 0; i < 40; ++i) line += "\xE6\x89\xBE";  // 找
    while (output.size() < 10 * 1024 * 1024) output += line + "\r\n";
    std::ofstream(file, std::ios::binary) << output;
    const auto withControl = [this](WPARAM key) {
        BYTE keys[256]{};
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        ::SendMessageW(box_.Handle(), WM_KEYDOWN, key, 1);
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
    };
    const std::function<void()> copies[] = {
        [&] { withControl('A'), withControl('C'); },
        [&] { withControl('A'), withControl(VK_INSERT); },
        [&] {
            ::SendMessageW(box_.Handle(), EM_SETSEL, 0, ::GetWindowTextLengthW(box_.Handle()));
            ::SendMessageW(box_.Handle(), WM_COPY, 0, 0);
        },
    };
    for (const auto& copy : copies) {
        TearDown();  // a fresh box: RichEdit takes seconds to drop a large text
        SetUp();
        ASSERT_TRUE(OpenClipboardSoon(box_.Handle()) && ::EmptyClipboard() && ::CloseClipboard());
        ASSERT_FALSE(box_.LoadFile(file.wstring()));
        ASSERT_TRUE(box_.Loading());
        copy();
        EXPECT_FALSE(box_.Loading());
        ASSERT_TRUE(OpenClipboardSoon(box_.Handle()));
        const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        const std::wstring copied = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"";
        if (data) ::GlobalUnlock(data);
        ::CloseClipboard();
        const std::wstring whole = Text();  // a line break as CR, where the clipboard has CR LF
        EXPECT_EQ(copied.size(), whole.size() + std::count(whole.begin(), whole.end(), L'\r'));
        EXPECT_NE(whole.find(L"（共 10,485,781 字节），这里只显示了开头的 262,122 个字符"), std::wstring::npos);
        EXPECT_EQ(whole.find(L'\xFFFD'), std::wstring::npos) << "a cut split a character";
    }
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace tindrel::ui
