// The real tindrel.exe with its imports answering as Windows 7 does where Wine answers
// otherwise: a wake mask without Windows 8's touch and pointer input, a job that allows
// no breakaway, Windows' sharing rules for a held output; and with a tool stuck in a
// driver call, which no one can end, the scripting runtime unregistered, cmd.exe blocked
// by a policy, or the work files' network folder gone.

#include <thread>

#include "tests/e2e/e2e_fixture.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr LONG kWindows7 = older::kWindows7;
const std::wstring kListEnd = L"扫描完成。";

BOOL CALLBACK CollectStaticText(HWND child, LPARAM collected) {
    wchar_t name[32] = {};
    ::GetClassNameW(child, name, 32);
    if (::lstrcmpiW(name, L"Static") == 0) *reinterpret_cast<std::wstring*>(collected) += WindowText(child);
    return TRUE;
}

// The text of the program's fatal report, if it shows one.
std::wstring FatalReport(const RunningApp& app) {
    const HWND box = app.FindWindowOf(L"#32770", L"Tindrel");
    std::wstring text;
    if (box) ::EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

class OlderWindowsTest : public EndToEndTest {
protected:
    void TearDown() override {
        // A tool the program could not end, by the design of the case.
        Install().EndToolsStillRunning();
        std::error_code ignored;
        fs::remove_all(fs::temp_directory_path(ignored) / L"Tindrel", ignored);
    }

    // Waits until the run has ended (its caption moved on, Exit usable again: the caption
    // comes a moment before Exit is disabled) or the program shows its fatal report
    // ("程序遇到无法处理的错误...") or has gone. The work files go after Exit is usable
    // again; a failure there shows when ExitCleanly's press is never answered.
    void WaitForTheRunToEnd(const RunningApp& app, std::chrono::seconds timeout) const {
        WaitUntil(
            [&] {
                return !app.Running() || !FatalReport(app).empty() ||
                       (app.Caption() != L"正在测试..." && app.Enabled(IDC_COMMAND3));
            },
            timeout);
        const std::wstring report = FatalReport(app);
        EXPECT_TRUE(report.empty()) << "the fatal report: " << fs::path(report).string();
    }

    // Presses Exit: the program ends with code 0, not in a report.
    static void ExitCleanly(const RunningApp& app) {
        ASSERT_TRUE(app.Enabled(IDC_COMMAND3));
        app.Click(IDC_COMMAND3);
        DWORD code = 99;
        ASSERT_TRUE(app.WaitForExit(kPromptly, &code)) << "still open, showing: " << fs::path(FatalReport(app)).string();
        EXPECT_EQ(code, 0u);
    }

    // Starts a run whose tool hangs, and waits until the tool has started and holds its
    // output.
    void StartAHangingRun(const RunningApp& app) const {
        Install().Configure("mode=hang\n");
        app.Click(IDC_COMMAND1);
        ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(kToolFolder / L"b.txt") && Install().ToolStarts() == 1; }, kPromptly));
    }
};

TEST_F(OlderWindowsTest, UnderWindows7sAnswersARunWaitsWithoutSpinning) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ASSERT_TRUE(app.AnswerAs(kWindows7));
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    // The first 10 of the wait's 12 seconds, with nothing sent to the window: a quiet
    // wait sleeps through them but for a few messages of its own; one that fails at once
    // and goes round again, or never sleeps, counts tens of thousands.
    const auto before = app.LoopCounts();
    std::this_thread::sleep_for(10s);
    const auto during = app.LoopCounts();
    EXPECT_LE(during.RefusedWaits, 1) << "a refused wake mask is asked again";
    EXPECT_LT(during.Waits - before.Waits, 500) << "waits in 10 s";
    EXPECT_LT(during.Peeks - before.Peeks, 1000) << "looks at the queue in 10 s";

    EXPECT_TRUE(WaitUntil([&] { return app.Caption() == L"测试完成" || !FatalReport(app).empty(); }, kRunEnds));
    EXPECT_TRUE(FatalReport(app).empty()) << "the fatal report: " << fs::path(FatalReport(app)).string();
    EXPECT_EQ(app.Caption(), L"测试完成");
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(kListEnd));
    ExitCleanly(app);
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(OlderWindowsTest, StartPressedAgainBeginsAnewWhenTheToolCannotBeEnded) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ASSERT_TRUE(app.AnswerAs(kWindows7 | older::kToolCannotBeEnded));
    StartAHangingRun(app);

    Install().Configure("mode=list\n");
    app.Click(IDC_COMMAND1);
    WaitForTheRunToEnd(app, 2 * kRunEnds);
    EXPECT_EQ(app.Caption(), L"测试完成");
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(kListEnd));
    ExitCleanly(app);
    // Proof that the answers were given: the first tool outlived the program.
    EXPECT_EQ(Install().EndToolsStillRunning(), 1);
}

TEST_F(OlderWindowsTest, ARunWithoutTheFileSystemObjectShowsTheDriveList) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ASSERT_TRUE(app.AnswerAs(kWindows7 | older::kFileSystemObjectUnregistered));
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    WaitForTheRunToEnd(app, kRunEnds);
    EXPECT_EQ(app.Caption(), L"测试完成");
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(kListEnd));
    ExitCleanly(app);
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(OlderWindowsTest, ABlockedInterpreterIsExplainedAndTheProgramStaysUsable) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ASSERT_TRUE(app.AnswerAs(kWindows7 | older::kInterpreterBlocked));
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(WaitUntil([&] { return app.Caption() == L"测试未完成" || !FatalReport(app).empty(); }, kPromptly));
    EXPECT_TRUE(FatalReport(app).empty()) << "the fatal report: " << fs::path(FatalReport(app)).string();
    const std::wstring text = app.Text(IDC_RICHTEXTBOX1);
    for (const wchar_t* shown : {L"命令解释器", L"cmd.exe", L"1260", L"管理员"}) EXPECT_THAT(text, HasSubstr(shown));
    EXPECT_TRUE(app.Enabled(IDC_COMMAND3));
    EXPECT_FALSE(WorkFilesLeft());
    EXPECT_FALSE(fs::exists(fs::temp_directory_path() / L"Tindrel"));

    // Once the administrator lets it run, the next press runs the tool.
    ASSERT_TRUE(app.AnswerAs(kWindows7));
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    WaitForTheRunToEnd(app, kRunEnds);
    EXPECT_EQ(app.Caption(), L"测试完成");
    ExitCleanly(app);
}

TEST_F(OlderWindowsTest, WorkFilesWhoseNetworkFolderDroppedOffNeverEndTheProgram) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    ASSERT_TRUE(app.AnswerAs(kWindows7));
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    ASSERT_TRUE(app.AnswerAs(kWindows7 | older::kNetworkFolderGone));
    WaitForTheRunToEnd(app, kRunEnds);
    EXPECT_EQ(app.Caption(), L"测试完成");
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(kListEnd));
    // Proof that the answers were given: the files are still there, left for the next run.
    EXPECT_TRUE(WorkFilesLeft());
    ExitCleanly(app);
}

}  // namespace
}  // namespace tindrel::e2e
