#include "run/batch_line.h"

#include <gtest/gtest.h>

namespace tindrel {
namespace {

TEST(BatchLineTest, PlainFoldersKeepTheClassicUnquotedLine) {
    const BatchText text = ComposeBatchText(L"C:\\Nero\\");
    EXPECT_EQ(text.Command, L"C:\\Nero\\nerocmd --listdrives");
    EXPECT_EQ(text.BatchLine, L"C:\\Nero\\nerocmd --listdrives > C:\\Nero\\b.txt");
    EXPECT_EQ(ComposeBatchText(L"D:\\Apps_1\\Nero-6.0\\").BatchLine,
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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComposeBatchText(c.Folder).BatchLine, c.Line);
    }
    EXPECT_EQ(ComposeBatchText(L"C:\\Program Files\\Nero\\").Command,
              L"\"C:\\Program Files\\Nero\\nerocmd\" --listdrives");
}

}  // namespace
}  // namespace tindrel
