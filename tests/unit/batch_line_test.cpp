#include "run/batch_line.h"

#include <gtest/gtest.h>

namespace tindrel {
namespace {

TEST(BatchLineTest, PlainFoldersKeepTheClassicUnquotedLine) {
    const BatchText text = ComposeBatchText(L"C:\\Nero\\", L"C:\\Nero\\");
    EXPECT_EQ(text.Command, L"C:\\Nero\\nerocmd --listdrives");
    EXPECT_EQ(text.BatchLine, L"C:\\Nero\\nerocmd --listdrives > C:\\Nero\\b.txt");
    EXPECT_EQ(ComposeBatchText(L"D:\\Apps_1\\Nero-6.0\\", L"D:\\Apps_1\\Nero-6.0\\").BatchLine,
              L"D:\\Apps_1\\Nero-6.0\\nerocmd --listdrives > D:\\Apps_1\\Nero-6.0\\b.txt");
}

TEST(BatchLineTest, OtherFoldersAreQuotedWithPercentDoubled) {
    const struct {
        const wchar_t* Folder;
        const wchar_t* Line;
    } cases[] = {
        {L"C:\\Program Files\\Ahead\\Nero\\",
         L"\"C:\\Program Files\\Ahead\\Nero\\nerocmd\" --listdrives > \"C:\\Program Files\\Ahead\\Nero\\b.txt\""},
        {L"C:\\x&mkdir canary&y\\", L"\"C:\\x&mkdir canary&y\\nerocmd\" --listdrives > \"C:\\x&mkdir canary&y\\b.txt\""},
        {L"C:\\100%PATH%\\", L"\"C:\\100%%PATH%%\\nerocmd\" --listdrives > \"C:\\100%%PATH%%\\b.txt\""},
        {L"C:\\a^b(c),d;e=f'g!h\\", L"\"C:\\a^b(c),d;e=f'g!h\\nerocmd\" --listdrives > \"C:\\a^b(c),d;e=f'g!h\\b.txt\""},
        {L"C:\\刻录\\", L"\"C:\\刻录\\nerocmd\" --listdrives > \"C:\\刻录\\b.txt\""},
        // A folder the interpreter names itself: expanded, not doubled.
        {kBatchFileFolder, L"\"%~dp0nerocmd\" --listdrives > \"%~dp0b.txt\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComposeBatchText(c.Folder, c.Folder).BatchLine, c.Line);
    }
    EXPECT_EQ(ComposeBatchText(L"C:\\Program Files\\Nero\\", L"C:\\Program Files\\Nero\\").Command,
              L"\"C:\\Program Files\\Nero\\nerocmd\" --listdrives");
}

TEST(BatchLineTest, AWorkFolderElsewhereGetsTheToolFolderMadeCurrentFirst) {
    // The tool still runs in its own folder; only the work files live apart. Every path
    // is quoted, whatever it holds, because user names hold anything. The tool comes
    // last, so that its status is the interpreter's, on a network folder too.
    const struct {
        const wchar_t* Tool;
        const wchar_t* Work;
        const wchar_t* Line;
    } cases[] = {
        {L"C:\\Nero\\", L"C:\\Users\\li\\AppData\\Local\\Temp\\Tindrel\\",
         L"pushd \"C:\\Nero\\\" && \"C:\\Nero\\nerocmd\" --listdrives > "
         L"\"C:\\Users\\li\\AppData\\Local\\Temp\\Tindrel\\b.txt\""},
        {L"C:\\Program Files (x86)\\Nero\\", L"C:\\Users\\a&b %TEMP% !x! ^(李)\\Tindrel\\",
         L"pushd \"C:\\Program Files (x86)\\Nero\\\" && \"C:\\Program Files (x86)\\Nero\\nerocmd\" --listdrives > "
         L"\"C:\\Users\\a&b %%TEMP%% !x! ^(李)\\Tindrel\\b.txt\""},
        {L"\\\\server\\share\\Nero\\", L"C:\\Temp\\Tindrel\\",
         L"pushd \"\\\\server\\share\\Nero\\\" && \"\\\\server\\share\\Nero\\nerocmd\" --listdrives > "
         L"\"C:\\Temp\\Tindrel\\b.txt\""},
        // Both folders named by the interpreter, as for a Chinese tool folder and user name.
        {kToolFolderReference, kBatchFileFolder,
         L"pushd \"%TINDREL_TOOL_FOLDER%\" && \"%TINDREL_TOOL_FOLDER%nerocmd\" --listdrives > \"%~dp0b.txt\""},
    };
    for (const auto& c : cases) {
        const BatchText text = ComposeBatchText(c.Tool, c.Work);
        EXPECT_EQ(text.BatchLine, c.Line);
        EXPECT_EQ(text.Command, L"\"" + std::wstring(c.Tool) + L"nerocmd\" --listdrives");
    }
    // A work folder named as the batch file's own: %~dp0 is expanded, not doubled.
    EXPECT_EQ(ComposeBatchText(L"C:\\100%\\Nero\\", kBatchFileFolder).BatchLine,
              L"pushd \"C:\\100%%\\Nero\\\" && \"C:\\100%%\\Nero\\nerocmd\" --listdrives > \"%~dp0b.txt\"");
}

}  // namespace
}  // namespace tindrel
