#include "run/test_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/fake_platform.h"

namespace tindrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const std::wstring kFolder = L"C:\\Nero\\";
const std::wstring kOutput = kFolder + L"b.txt";
const std::wstring kBatch = kFolder + L"run.bat";

class TestRunTest : public ::testing::Test {
protected:
    TestRunTest() { world.InstallAt(kFolder); }

    std::size_t Count(const std::wstring& entry) const {
        return std::count(world.journal.begin(), world.journal.end(), entry);
    }
    Milliseconds DoneAt() const {
        for (const auto& [when, caption] : world.view.CaptionTimes) {
            if (caption == L"测试完成") return when;
        }
        return Milliseconds{-1};
    }
    bool WorkFilesLeft() const { return world.files.Files.count(kOutput) || world.files.Files.count(kBatch); }

    FakeWorld world;
};

TEST_F(TestRunTest, ARunTakesItsStepsInOrder) {
    world.ToolAnswersAfter(1s, "drive list");
    world.Run();

    EXPECT_THAT(world.journal,
                ElementsAre(L"cd C:\\Nero\\", L"write C:\\Nero\\run.bat", L"caption 正在测试...",
                            L"text 正在测试...请稍候！！", L"pointer busy", L"exit off",
                            L"launch C:\\Nero\\run.bat in C:\\Nero\\", L"caption 测试完成", L"text ",
                            L"load C:\\Nero\\b.txt", L"pointer text", L"exit on", L"delete C:\\Nero\\b.txt",
                            L"delete C:\\Nero\\run.bat"));
    EXPECT_EQ(world.view.Result, L"drive list");
    EXPECT_EQ(world.paths.Command, L"C:\\Nero\\nerocmd --listdrives");
    EXPECT_EQ(world.paths.BatchLine, L"C:\\Nero\\nerocmd --listdrives > C:\\Nero\\b.txt");
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(TestRunTest, TheBatchFileHoldsExactlyOneLine) {
    std::string written;
    world.launcher.OnLaunch = [&](int) {
        written = world.files.Files.at(kBatch).Bytes;
        world.SimulateAnswer(0s, "");
    };
    world.Run();
    EXPECT_EQ(written, "C:\\Nero\\nerocmd --listdrives > C:\\Nero\\b.txt\r\n");
}

TEST_F(TestRunTest, ResultsComeAfterTwelveSecondsAtTheEarliestThenOnSixSecondSteps) {
    const struct {
        Milliseconds ToolTime;
        Milliseconds Done;
    } cases[] = {{0s, 12s}, {6s, 12s}, {7s, 12s}, {12s, 12s}, {12001ms, 18s}, {25s, 30s}};
    for (const auto& c : cases) {
        FakeWorld w;
        w.InstallAt(kFolder);
        w.ToolAnswersAfter(c.ToolTime, "x");
        w.Run();
        ASSERT_EQ(w.view.Caption, L"测试完成");
        EXPECT_EQ(w.view.CaptionTimes.back().first, c.Done) << c.ToolTime.count();
    }
}

TEST_F(TestRunTest, ASlowToolIsShownWhole) {
    world.ToolAnswersAfter(15s, "full output of a slow scan");
    world.Run();
    EXPECT_EQ(DoneAt(), 18s);
    EXPECT_EQ(world.view.Result, L"full output of a slow scan");
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(TestRunTest, FilesLeftByAnEarlierRunAreRemovedBeforeTheNewBatchIsWritten) {
    world.ToolAnswersAfter(1s, "first");
    world.Run();
    world.files.Files[kOutput] = {"stale"};
    world.files.Files[kBatch] = {"stale"};
    world.journal.clear();

    world.Run();
    EXPECT_THAT(std::vector(world.journal.begin(), world.journal.begin() + 4),
                ElementsAre(L"stop tool 1", L"delete C:\\Nero\\b.txt", L"delete C:\\Nero\\run.bat", L"cd C:\\Nero\\"));
    EXPECT_EQ(world.view.Result, L"first");
}

TEST_F(TestRunTest, TheFirstRunRemovesNothingAndExitBeforeAnyRunRemovesNothing) {
    world.files.Files[kOutput] = {"not ours yet"};
    RemoveWorkFiles(world.paths, world.context);
    EXPECT_TRUE(world.journal.empty());
    EXPECT_TRUE(world.files.FileExists(kOutput));
}

TEST_F(TestRunTest, AMissingInstallationWritesNothingAndShowsNothing) {
    FakeWorld bare;
    EXPECT_THROW(bare.Run(), InstallationMissing);
    EXPECT_EQ(bare.journal, Journal{L"missing installation"});
}

TEST_F(TestRunTest, OddToolFoldersNeverReceiveWorkFiles) {
    // "nero.exe" alone leaves no folder; "mynero.exe" leaves "C:\Nero\my"; a folder
    // that is gone cannot hold the tool.
    for (const wchar_t* stored : {L"nero.exe", L"C:\\Nero\\mynero.exe", L"C:\\Gone\\nero.exe"}) {
        FakeWorld w;
        w.files.Directories.insert(L"C:\\Nero\\");
        w.SetRegistryPath(stored);
        EXPECT_THROW(w.Run(), InstallationMissing) << stored;
        EXPECT_EQ(w.journal, Journal{L"missing installation"}) << stored;
        EXPECT_TRUE(w.files.Files.empty());
    }
}

TEST_F(TestRunTest, FoldersTheBatchCodePageCannotSpellUseTheirShortName) {
    FakeWorld w;
    w.InstallAt(L"C:\\软件\\Nero\\");
    w.files.ShortNames[L"C:\\软件\\Nero\\"] = L"C:\\5F6B~1\\Nero\\";
    w.ToolAnswersAfter(0s, "ok");
    w.Run();
    EXPECT_EQ(w.paths.BatchLine, L"\"C:\\5F6B~1\\Nero\\nerocmd\" --listdrives > \"C:\\5F6B~1\\Nero\\b.txt\"");
    EXPECT_EQ(w.view.Result, L"ok");

    // An accented folder the code page can spell keeps its long name.
    FakeWorld cafe;
    cafe.InstallAt(L"C:\\Café\\");
    cafe.ToolAnswersAfter(0s, "ok");
    cafe.Run();
    EXPECT_EQ(cafe.paths.BatchLine, L"\"C:\\Café\\nerocmd\" --listdrives > \"C:\\Café\\b.txt\"");

    FakeWorld noShortName;
    noShortName.InstallAt(L"C:\\软件\\");
    try {
        noShortName.Run();
        FAIL() << "a folder that cannot be spelled must not be written";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Code, 1113u);
        EXPECT_EQ(error.Subject, L"C:\\软件\\run.bat");
    }
    EXPECT_TRUE(noShortName.files.Files.empty());
}

TEST_F(TestRunTest, TheToolRunsInItsFolderOnAnyDrive) {
    FakeWorld w;
    w.files.CurrentDirectory = L"C:\\Windows\\";
    w.InstallAt(L"D:\\Tools\\Nero\\");
    w.ToolAnswersAfter(0s, "");
    w.Run();
    EXPECT_THAT(w.journal, Contains(L"launch D:\\Tools\\Nero\\run.bat in D:\\Tools\\Nero\\"));
    EXPECT_EQ(w.files.CurrentDirectory, L"D:\\Tools\\Nero\\");
}

TEST_F(TestRunTest, WorkFilesHeldBrieflyAreDeletedOnRetry) {
    world.ToolAnswersAfter(0s, "out");
    world.Run();
    world.files.Files[kOutput] = {"out", false, 5};
    world.files.Files[kBatch] = {"bat", false, 2};
    world.journal.clear();

    RemoveWorkFiles(world.paths, world.context);
    EXPECT_THAT(world.journal, ElementsAre(L"delete C:\\Nero\\b.txt", L"delete C:\\Nero\\run.bat"));
}

TEST_F(TestRunTest, AWorkFileHeldForGoodIsAFailureAfterABoundedRetry) {
    world.ToolAnswersAfter(0s, "out");
    world.Run();
    world.files.Files[kOutput] = {"out", false, 1000000};
    const Milliseconds start = world.clock.Current;
    try {
        RemoveWorkFiles(world.paths, world.context);
        FAIL() << "expected the sharing violation to be reported";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Code, 32u);
        EXPECT_EQ(error.Subject, kOutput);
    }
    EXPECT_GE(world.clock.Current - start, kDeleteRetryTime);
    EXPECT_LT(world.clock.Current - start, kDeleteRetryTime + 1s);
}

TEST_F(TestRunTest, AStartPressDuringTheWaitHandsTheRunOver) {
    world.PressStartAt(8s);
    world.launcher.OnLaunch = [this](int n) {
        if (n == 1) return world.SimulateHang();  // the earlier tool holds b.txt open
        world.SimulateAnswer(2s, "second");
    };
    world.Run();

    EXPECT_EQ(world.launcher.Launches, 2);
    EXPECT_THAT(world.journal, Contains(L"stop tool 1"));
    EXPECT_EQ(world.view.Caption, L"测试完成");
    EXPECT_EQ(world.view.Result, L"second");
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_FALSE(world.view.Busy);
    EXPECT_EQ(DoneAt(), 20s);
    // The earlier run neither showed anything after the newer one nor deleted twice.
    EXPECT_EQ(world.journal.back(), L"delete C:\\Nero\\run.bat");
    EXPECT_EQ(Count(L"caption 测试完成"), 1u);
    EXPECT_EQ(Count(L"delete C:\\Nero\\b.txt"), 2u);  // the newer run's step 1 and its end
    EXPECT_FALSE(WorkFilesLeft());
    EXPECT_LT(world.clock.Current, 21s);
}

TEST_F(TestRunTest, FiftyPressesInARowEndWithTheLastRunsResult) {
    world.launcher.OnLaunch = [this](int n) { world.SimulateAnswer(1s, "run " + std::to_string(n)); };
    for (int press = 1; press < 50; ++press) world.PressStartAt(Milliseconds{press * 200});
    world.Run();

    EXPECT_EQ(world.launcher.Launches, 50);
    EXPECT_EQ(world.view.Result, L"run 50");
    EXPECT_EQ(Count(L"caption 测试完成"), 1u);
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(TestRunTest, OutputThatNeverComesEndsTheRunInBoundedTime) {
    world.ToolNeverAnswers();
    world.Run();

    EXPECT_EQ(world.clock.Current, world.context.CycleLength * kMaximumCycles);
    EXPECT_EQ(world.view.Caption, L"测试未完成");
    EXPECT_THAT(world.view.Result, HasSubstr(L"120 秒"));
    EXPECT_THAT(world.view.Result, HasSubstr(L"开始测试"));
    EXPECT_FALSE(world.view.Busy);
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_THAT(world.journal, Contains(L"stop tool 1"));
    EXPECT_THAT(world.journal, Not(Contains(L"load C:\\Nero\\b.txt")));
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(TestRunTest, TheWaitKeepsHandlingEventsInEveryCycle) {
    world.ToolAnswersAfter(0s, "");
    bool aboutOpened = false;
    world.pump.At(3s, [&] { aboutOpened = true; });
    world.Run();
    EXPECT_TRUE(aboutOpened);
    EXPECT_EQ(world.pump.Calls, 2);
}

}  // namespace
}  // namespace tindrel::testing
