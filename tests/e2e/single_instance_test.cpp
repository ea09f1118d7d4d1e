// One copy at a time: a copy started while another runs shows that one and ends, before
// it makes any window, and the running copy's test run goes on undisturbed.

#include "tests/e2e/e2e_fixture.h"

namespace tindrel::e2e {
namespace {

using ::testing::HasSubstr;

TEST_F(EndToEndTest, ASecondCopyBringsTheRunningOneForwardAndEnds) {
    RunningApp first;
    ASSERT_TRUE(first.MainWindow());
    first.Click(IDC_COMMAND1);
    ASSERT_TRUE(first.WaitForCaption(L"正在测试...", kPromptly));
    ::ShowWindow(first.MainWindow(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(first.MainWindow()) != FALSE; }, kPromptly));

    RunningApp second = RunningApp::StartOnly();
    bool secondShowedAWindow = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            secondShowedAWindow = secondShowedAWindow || second.FindWindowOf(TINDREL_FORM1_CLASS) != nullptr;
            return !second.Running();
        },
        kPromptly))
        << "the second copy is still running";
    DWORD code = 99;
    ASSERT_TRUE(second.WaitForExit(0ms, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(secondShowedAWindow);

    // The first copy is back in front, restored, and its run ends as any run does.
    EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == first.MainWindow(); }, kPromptly));
    EXPECT_FALSE(::IsIconic(first.MainWindow()));
    ASSERT_TRUE(first.WaitForCaption(L"测试完成", kRunEnds));
    EXPECT_THAT(first.Text(IDC_RICHTEXTBOX1), HasSubstr(L"扫描完成。"));
    EXPECT_EQ(Install().ToolStarts(), 1);
    EXPECT_FALSE(WorkFilesLeft());
    first.Click(IDC_COMMAND3);
    EXPECT_TRUE(first.WaitForExit(kPromptly));
    EXPECT_FALSE(WorkFilesLeft());
}

}  // namespace
}  // namespace tindrel::e2e
