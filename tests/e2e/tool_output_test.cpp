// The tool's output as the results box shows it: text with a byte-order mark is decoded
// by that mark, the mark itself not shown; an output of megabytes, or one line without a
// break, shows its start and says what was left out, while the window stays usable.

#include <fstream>
#include <thread>

#include "tests/e2e/e2e_fixture.h"

namespace tindrel::e2e {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

TEST_F(EndToEndTest, UnicodeOutputWithAByteOrderMarkIsShownAsItsText) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    for (const char* mode : {"utf16", "utf8bom"}) {
        SCOPED_TRACE(mode);
        Install().Configure(std::string("mode=") + mode + "\n");
        app.Click(IDC_COMMAND1);
        ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
        ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));
        const std::wstring shown = app.Text(IDC_RICHTEXTBOX1);
        EXPECT_THAT(shown, StartsWith(L"找到 2 台刻录设备："));
        EXPECT_THAT(shown, HasSubstr(L"驱动器 1：D: HL-DT-ST DVDRAM GH24NSD1（DVD±R/RW，CD-R/RW）"));
        EXPECT_THAT(shown, HasSubstr(L"驱动器 2：Image Recorder 映像刻录机（写入映像文件）"));
        EXPECT_THAT(shown, EndsWith(L"扫描完成。\r\n"));
        EXPECT_THAT(shown, Not(HasSubstr(L"\xFEFF")));
        EXPECT_FALSE(WorkFilesLeft());
    }
}

// The window answers messages, as the user's clicks and the screen's painting need it to.
bool Answers(const RunningApp& app) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(app.MainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored) != 0;
}


std::wstring Grouped(size_t number) {
    std::wstring digits = std::to_wstring(number);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
    return digits;
}

constexpr char kLargeLine[] = "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789\r\n";

TEST_F(EndToEndTest, AHugeOutputShowsItsStartWhileTheWindowStaysUsable) {
    const size_t lineBytes = sizeof kLargeLine - 1;
    const size_t shownOfLarge = 256 * 1024 / lineBytes * lineBytes;  // whole lines
    struct Output {
        const char* Settings;
        std::wstring Start;
        std::wstring Note;
    };
    const Output outputs[] = {
        {"mode=large\nsize=10000000\n", L"0123456789 abcdefghijklmnopqrstuvwxyz ABCDEF",
         L"（共 10,000,000 字节），这里只显示了开头的 " + Grouped(shownOfLarge) + L" 个字符。"},
        {"mode=line\nsize=1000000\n", L"0123456789abcdefghijklmnopqrstuvwxyz0123",
         L"（共 1,000,000 字节），这里只显示了开头的 262,144 个字符。没有换行的长行在这里每 1,024 个字符断开显示。"},
    };
    for (const Output& output : outputs) {
        SCOPED_TRACE(output.Settings);
        Install().Configure(output.Settings);
        RunningApp app;
        ASSERT_TRUE(app.MainWindow());
        app.Click(IDC_COMMAND1);
        ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));

        // Every message gets its answer while the output goes in, until the note at its end.
        bool loaded = false;
        const auto giveUp = std::chrono::steady_clock::now() + 60s;
        while (!loaded && std::chrono::steady_clock::now() < giveUp) {
            ASSERT_TRUE(Answers(app)) << "the window froze";
            EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), StartsWith(output.Start));
            loaded = app.Text(IDC_RICHTEXTBOX1).find(L"（输出太长") != std::wstring::npos;
            std::this_thread::sleep_for(20ms);
        }
        ASSERT_TRUE(loaded);
        const std::wstring shown = app.Text(IDC_RICHTEXTBOX1);
        EXPECT_THAT(shown, EndsWith(L"（输出太长" + output.Note + L"）\r\n"));
        EXPECT_LT(shown.size(), 300000u);
        EXPECT_FALSE(WorkFilesLeft());
    }
}

// Start during a load begins the next run at once and nothing of the earlier output
// follows; Exit during a load ends the program at once.
TEST_F(EndToEndTest, StartAndExitWorkWhileAHugeOutputLoads) {
    Install().Configure("mode=large\nsize=10000000\n");
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), Not(HasSubstr(L"（输出太长"))) << "the load is not over yet";
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    // Watched for a second, forty of the load's ticks: nothing of the earlier output follows.
    EXPECT_FALSE(WaitUntil([&] { return app.Text(IDC_RICHTEXTBOX1) != L"正在测试...请稍候！！"; }, 1s))
        << "the box shows " << app.Text(IDC_RICHTEXTBOX1).size() << " characters";

    ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), Not(HasSubstr(L"（输出太长"))) << "the load is not over yet";
    app.Click(IDC_COMMAND3);
    DWORD code = 99;
    ASSERT_TRUE(app.WaitForExit(kPromptly, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(WorkFilesLeft());
}

}  // namespace
}  // namespace tindrel::e2e
