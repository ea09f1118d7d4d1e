#include "run/diagnostic_run.h"

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
const std::wstring kPrivate = FakeFileSystem::kPrivateFolder;
const std::wstring kPrivateError = kPrivate + L"stderr.txt";

class DiagnosticRunTest : public ::testing::Test {
protected:
    DiagnosticRunTest() { world.InstallAt(kFolder); }

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

TEST_F(DiagnosticRunTest, ARunTakesItsStepsInOrder) {
    world.ToolAnswersAfter(1s, "drive list");
    world.Run();

    EXPECT_THAT(world.journal,
                ElementsAre(L"cd C:\\Nero\\", L"make private folder Tindrel", L"write C:\\Nero\\run.bat",
                            L"caption 正在测试...", L"text 正在测试...请稍候！！", L"pointer busy", L"exit off",
                            L"launch C:\\Nero\\run.bat", L"stop tool 1", L"load C:\\Nero\\b.txt",
                            L"caption 测试完成", L"pointer text", L"exit on", L"delete C:\\Nero\\b.txt",
                            L"delete C:\\Nero\\run.bat", L"delete " + kPrivateError, L"remove folder " + kPrivate,
                            L"leave for C:\\Users\\li\\Downloads\\"));
    // The tool's error output goes to the private folder, never the tool folder; the
    // interpreter's own output, which echoes the batch line, goes beside it.
    EXPECT_EQ(world.launcher.ErrorFile, kPrivateError);
    EXPECT_EQ(world.launcher.OutputFile, kPrivate + L"stdout.txt");
    EXPECT_EQ(world.view.Result, L"drive list");
    EXPECT_EQ(world.paths.Command, L"C:\\Nero\\nerocmd --listdrives");
    EXPECT_EQ(world.paths.BatchLine, L"C:\\Nero\\nerocmd --listdrives > C:\\Nero\\b.txt");
    EXPECT_EQ(world.paths.WorkFolder, kFolder);
    EXPECT_FALSE(WorkFilesLeft());
    // The tool folder is not kept in use once the run is over.
    EXPECT_EQ(world.files.Current, L"C:\\Users\\li\\Downloads\\");
}

TEST_F(DiagnosticRunTest, TheBatchFileHoldsExactlyOneLine) {
    std::string written;
    world.launcher.OnLaunch = [&](int) {
        written = world.files.Files.at(kBatch).Bytes;
        world.SimulateAnswer(0s, "");
    };
    world.Run();
    EXPECT_EQ(written, "C:\\Nero\\nerocmd --listdrives > C:\\Nero\\b.txt\r\n");
}

TEST_F(DiagnosticRunTest, ResultsComeAfterTwelveSecondsAtTheEarliestThenOnSixSecondSteps) {
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

TEST_F(DiagnosticRunTest, ASlowToolIsShownWhole) {
    world.ToolAnswersAfter(15s, "full output of a slow scan");
    world.Run();
    EXPECT_EQ(DoneAt(), 18s);
    EXPECT_EQ(world.view.Result, L"full output of a slow scan");
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(DiagnosticRunTest, FilesLeftByAnEarlierRunAreRemovedBeforeTheNewBatchIsWritten) {
    world.ToolAnswersAfter(1s, "first");
    world.Run();
    world.files.Files[kOutput] = {"stale"};
    world.files.Files[kBatch] = {"stale"};
    world.journal.clear();

    world.Run();
    EXPECT_THAT(std::vector(world.journal.begin(), world.journal.begin() + 4),
                ElementsAre(L"delete C:\\Nero\\b.txt", L"delete C:\\Nero\\run.bat", L"cd C:\\Nero\\",
                            L"make private folder Tindrel"));
    EXPECT_EQ(world.view.Result, L"first");
}

TEST_F(DiagnosticRunTest, TheFirstRunRemovesNothingAndExitBeforeAnyRunRemovesNothing) {
    world.files.Files[kOutput] = {"not ours yet"};
    RemoveWorkFiles(world.paths, world.context);
    EXPECT_TRUE(world.journal.empty());
    EXPECT_TRUE(world.files.FileExists(kOutput));
}

TEST_F(DiagnosticRunTest, AMissingInstallationWritesNothingAndShowsNothing) {
    FakeWorld bare;
    EXPECT_THROW(bare.Run(), InstallationMissing);
    EXPECT_EQ(bare.journal, Journal{L"missing installation"});
}

TEST_F(DiagnosticRunTest, OddToolFoldersNeverReceiveWorkFiles) {
    // "nero.exe" alone leaves no folder; "mynero.exe" leaves "C:\Nero\my"; a folder
    // that is gone cannot hold the tool.
    // A relative path would resolve against whatever directory is current.
    for (const wchar_t* stored : {L"nero.exe", L"C:\\Nero\\mynero.exe", L"C:\\Gone\\nero.exe", L"Nero\\nero.exe",
                                  L"\\Nero\\nero.exe", L"C:Nero\\nero.exe", L"..\\Nero\\nero.exe",
                                  L"\\\\?\\C:\\Nero\\nero.exe"}) {
        FakeWorld w;
        w.files.Directories.insert(L"C:\\Nero\\");
        w.files.Directories.insert(L"Nero\\");
        w.files.Directories.insert(L"\\Nero\\");
        w.files.Directories.insert(L"C:Nero\\");
        w.files.Directories.insert(L"..\\Nero\\");
        w.files.Directories.insert(L"\\\\?\\C:\\Nero\\");
        w.SetRegistryPath(stored);
        EXPECT_THROW(w.Run(), InstallationMissing) << stored;
        EXPECT_EQ(w.journal, Journal{L"missing installation"}) << stored;
        EXPECT_TRUE(w.files.Files.empty());
    }
}

TEST_F(DiagnosticRunTest, FoldersOutsideAsciiAreNamedByTheInterpreterWhateverItsCodePage) {
    // The console's code page may be UTF-8 rather than the OEM one, so the batch file holds
    // ASCII only: the batch file's own folder and the tool folder's variable stand for
    // names outside it, short names or not. A name with % in it keeps an ASCII short name
    // or its spelling where it has one (Wine's cmd expands % in a variable's value again).
    const std::wstring chinese = L"C:\\软件\\Nero\\";
    const struct {
        std::wstring Folder;
        bool Refusing;
        std::wstring Temp;
        std::wstring ShortName;
        std::wstring Line;
    } cases[] = {
        {chinese, false, L"", L"C:\\5F6B~1\\Nero\\", L"\"%~dp0nerocmd\" --listdrives > \"%~dp0b.txt\""},
        {chinese, true, L"C:\\Users\\李明\\Temp\\", L"",
         L"pushd \"%TINDREL_TOOL_FOLDER%\" && \"%TINDREL_TOOL_FOLDER%nerocmd\" --listdrives > \"%~dp0b.txt\""},
        {L"C:\\Programas\\Açaí\\", true, L"C:\\Users\\João\\Temp\\", L"",
         L"pushd \"%TINDREL_TOOL_FOLDER%\" && \"%TINDREL_TOOL_FOLDER%nerocmd\" --listdrives > \"%~dp0b.txt\""},
        {L"C:\\100%软件\\", false, L"", L"C:\\100%~1\\", L"\"C:\\100%%~1\\nerocmd\" --listdrives > \"C:\\100%%~1\\b.txt\""},
        {L"C:\\100%Café\\", false, L"", L"", L"\"C:\\100%%Café\\nerocmd\" --listdrives > \"C:\\100%%Café\\b.txt\""},
        {L"C:\\100%软件\\", true, L"", L"",
         L"pushd \"%TINDREL_TOOL_FOLDER%\" && \"%TINDREL_TOOL_FOLDER%nerocmd\" --listdrives > "
         L"\"C:\\Users\\li\\AppData\\Local\\Temp\\Tindrel\\b.txt\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Folder));
        FakeWorld w;
        w.InstallAt(c.Folder);
        if (c.Refusing) w.files.Refusing.insert(c.Folder);
        if (!c.Temp.empty()) w.files.TempFolder = c.Temp;
        if (!c.ShortName.empty()) w.files.ShortNames[c.Folder] = c.ShortName;
        std::string batch;
        w.launcher.OnLaunch = [&](int) {
            batch = w.files.Files.at(w.paths.WorkFolder + L"run.bat").Bytes;
            w.SimulateAnswer(0s, "ok");
        };
        w.Run();
        EXPECT_EQ(w.paths.BatchLine, c.Line);
        EXPECT_EQ(batch, w.encoding.Encode(c.Line + L"\r\n"));
        const bool ascii = std::all_of(batch.begin(), batch.end(), [](char b) { return (b & 0x80) == 0; });
        EXPECT_EQ(ascii, c.Folder != L"C:\\100%Café\\");
        EXPECT_EQ(w.launcher.ToolFolder, c.Folder);
        EXPECT_EQ(w.view.Result, L"ok");
        EXPECT_TRUE(w.files.Files.empty());
    }
}

TEST_F(DiagnosticRunTest, TheToolRunsInItsFolderOnAnyDrive) {
    FakeWorld w;
    w.InstallAt(L"D:\\Tools\\Nero\\");
    w.ToolAnswersAfter(0s, "");
    w.Run();
    EXPECT_THAT(w.journal, Contains(L"launch D:\\Tools\\Nero\\run.bat"));
    EXPECT_THAT(w.journal, Contains(L"cd D:\\Tools\\Nero\\"));
}

TEST_F(DiagnosticRunTest, WorkFilesHeldBrieflyAreDeletedOnRetry) {
    world.ToolAnswersAfter(0s, "out");
    world.Run();
    world.files.Files[kOutput] = {"out", false, 5};
    world.files.Files[kBatch] = {"bat", false, 2};
    world.journal.clear();

    RemoveWorkFiles(world.paths, world.context);
    EXPECT_THAT(world.journal, ElementsAre(L"delete C:\\Nero\\b.txt", L"delete C:\\Nero\\run.bat"));
}

TEST_F(DiagnosticRunTest, AWorkFileHeldForGoodIsLeftForTheNextRunAfterABoundedRetry) {
    // A scanner, or a tool Windows cannot end, holds the output at the end of a run, at
    // Exit or at log-off: the program goes on, and the next run steps around the file.
    world.ToolAnswersAfter(0s, "out");
    world.Run();
    world.files.Files[kOutput] = {"out", false, 1000000};
    const Milliseconds start = world.clock.Current;
    EXPECT_NO_THROW(RemoveWorkFiles(world.paths, world.context));
    EXPECT_GE(world.clock.Current - start, kDeleteRetryTime);
    EXPECT_LT(world.clock.Current - start, kDeleteRetryTime + 1s);
    EXPECT_TRUE(world.files.FileExists(kOutput));

    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试完成");
    EXPECT_EQ(world.view.Result, L"out");
    EXPECT_EQ(world.paths.WorkFolder, kPrivate);
}

TEST_F(DiagnosticRunTest, AWorkFileThatCannotBeDeletedForAnyReasonIsSteppedAroundAtOnce) {
    // The tool folder is a network share that dropped off as the run ended: no retry
    // helps, and the program neither waits for one nor ends in the error report.
    world.ToolAnswersAfter(0s, "out");
    world.pump.At(11s, [this] { world.files.Files[kOutput].Undeletable = true; });
    EXPECT_NO_THROW(world.Run());
    EXPECT_EQ(world.view.Caption, L"测试完成");
    EXPECT_EQ(world.view.Result, L"out");
    EXPECT_EQ(world.clock.Current, DoneAt());
    EXPECT_TRUE(world.files.FileExists(kOutput));
    EXPECT_FALSE(world.files.FileExists(kBatch));

    // Exit, and the next Start, which goes to the private folder.
    world.files.DeleteAttempts = 0;
    EXPECT_NO_THROW(RemoveWorkFiles(world.paths, world.context));
    EXPECT_EQ(world.files.DeleteAttempts, 1);
    world.ToolAnswersAfter(0s, "again");
    EXPECT_NO_THROW(world.Run());
    EXPECT_EQ(world.view.Caption, L"测试完成");
    EXPECT_EQ(world.view.Result, L"again");
    EXPECT_EQ(world.paths.WorkFolder, kPrivate);
    EXPECT_EQ(world.files.Files.at(kOutput).Bytes, "out");
    EXPECT_EQ(world.clock.Current, world.view.CaptionTimes.back().first);
}

TEST_F(DiagnosticRunTest, ARefusedInterpreterIsExplainedAndTheProgramStaysUsable) {
    // Software Restriction Policies or AppLocker block cmd.exe on many shared PCs.
    world.launcher.Refusal = SystemError(L"启动命令解释器", L"C:\\Windows\\system32\\cmd.exe", 1260,
                                         L"此程序被组策略阻止。");
    world.ToolAnswersAfter(0s, "list");
    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试未完成");
    for (const wchar_t* shown : {L"命令解释器", L"C:\\Windows\\system32\\cmd.exe", L"此程序被组策略阻止。", L"1260",
                                 L"管理员", L"开始测试"}) {
        EXPECT_THAT(world.view.Result, HasSubstr(shown));
    }
    EXPECT_FALSE(world.view.Busy);
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_FALSE(WorkFilesLeft());
    EXPECT_FALSE(world.files.IsDirectory(kPrivate));
    EXPECT_EQ(world.clock.Current, 0ms) << "nothing to wait for";

    // Failing this once (Windows short of memory or in trouble) is explained too, with
    // advice that fits.
    world.launcher.Refusal = SystemError(L"启动命令解释器", L"C:\\Windows\\system32\\cmd.exe", 1359, L"内部错误。");
    world.launcher.RefusalBlocks = false;
    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试未完成");
    EXPECT_THAT(world.view.Result, HasSubstr(L"内部错误。"));
    EXPECT_THAT(world.view.Result, HasSubstr(L"重新启动计算机"));
    EXPECT_THAT(world.view.Result, Not(HasSubstr(L"管理员")));
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_FALSE(WorkFilesLeft());

    world.launcher.Refusal.reset();
    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试完成");
    EXPECT_EQ(world.view.Result, L"list");
}

TEST_F(DiagnosticRunTest, APolicyThatBlocksBatchFilesIsExplainedBeforeAnythingIsWritten) {
    const std::string key = "Software\\Policies\\Microsoft\\Windows\\System";
    world.registry.SetDword(key, "DisableCMD", 1);
    world.registry.MakeReadOnly(key);  // as a standard user has it
    world.ToolAnswersAfter(0s, "list");
    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试未完成");
    for (const wchar_t* shown : {L"阻止访问命令提示符", L"DisableCMD 为 1", L"管理员"}) {
        EXPECT_THAT(world.view.Result, HasSubstr(shown));
    }
    EXPECT_EQ(world.launcher.Launches, 0);
    EXPECT_TRUE(world.files.Files.empty());
    EXPECT_FALSE(world.files.IsDirectory(kPrivate));
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_EQ(world.registry.OpenKeyCount(), 0u);

    // 2 turns off only the interactive prompt.
    world.registry.SetDword(key, "DisableCMD", 2);
    world.Run();
    EXPECT_EQ(world.view.Result, L"list");
}

TEST_F(DiagnosticRunTest, ABatchFileTheInterpreterNeverRanIsNotBlamedOnTheTool) {
    // The interpreter ends without creating the output file: a policy or AppLocker
    // refused the batch file, or pushd could not enter the tool folder. What it said, on
    // either output, is quoted as its own, whatever its status; a policy is suggested
    // only where it did not echo the batch line, which it does for a batch it runs.
    const std::wstring share = L"\\\\server\\apps\\Nero\\";
    const struct {
        std::wstring Folder;
        std::string Output;
        std::string Errors;
        unsigned long Status;
        std::vector<std::wstring> Shown;
    } cases[] = {
        {kFolder, "The command prompt has been disabled by your administrator.", "", 0,
         {L"命令解释器的输出：\r\nThe command prompt has been disabled"}},
        {share, "C:\\Temp\\Tindrel>pushd \"\\\\server\\apps\\Nero\\\" && \"nerocmd\" --listdrives",
         "The network path was not found.", 1,
         {L"（退出代码为 1）", L"Tindrel>pushd", L"命令解释器的错误信息：\r\nThe network path", L"批处理文件已经运行",
          share}},
        {kFolder, "", "", 0, {L"没有说明原因"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Shown.back());
        FakeWorld w;
        w.InstallAt(c.Folder);
        w.files.Files[c.Folder + L"nerocmd.exe"] = {"MZ"};
        w.launcher.OnLaunch = [&](int n) {
            w.files.Files[w.launcher.OutputFile] = {c.Output};
            w.files.Files[w.launcher.ErrorFile] = {c.Errors};
            w.launcher.Ended[n] = c.Status;
        };
        w.Run();
        EXPECT_EQ(w.view.Caption, L"测试未完成");
        EXPECT_THAT(w.view.Result, HasSubstr(L"批处理文件没有运行到 nerocmd"));
        const bool batchRan = c.Output.find("--listdrives") != std::string::npos;
        EXPECT_EQ(w.view.Result.find(L"管理员") != std::wstring::npos, !batchRan);
        for (const std::wstring& shown : c.Shown) EXPECT_THAT(w.view.Result, HasSubstr(shown));
        for (const wchar_t* never : {L"nerocmd 的", L"刻录机", L"没有找到", L"nerocmd 已经运行"}) {
            EXPECT_THAT(w.view.Result, Not(HasSubstr(never)));
        }
        EXPECT_EQ(w.files.Files.size(), 1u) << "only the tool";
    }
}

TEST_F(DiagnosticRunTest, TheStatusIsReadOnceTheInterpreterHasEnded) {
    // The tool's output is complete as soon as it ends, a moment before the interpreter
    // ends, and a check can land in that gap. A run waits for the status a little, and
    // judges one that never comes as it stands.
    const auto outputCompleteAtOnce = [](FakeWorld& w, Milliseconds interpreterEnds, unsigned long status) {
        w.InstallAt(kFolder);
        w.launcher.OnLaunch = [&w, interpreterEnds, status](int n) {
            w.files.Files[kOutput] = {"first drive only"};
            w.pump.At(interpreterEnds, [&w, n, status] { w.launcher.Ended[n] = status; });
        };
    };
    FakeWorld failing;
    outputCompleteAtOnce(failing, 12300ms, 5);
    failing.Run();
    EXPECT_EQ(failing.view.Caption, L"测试未完成");
    EXPECT_THAT(failing.view.Result, HasSubstr(L"退出代码为 5"));
    EXPECT_LT(failing.clock.Current, 13s);

    FakeWorld stuck;
    outputCompleteAtOnce(stuck, 60s, 5);
    stuck.Run();
    EXPECT_EQ(stuck.view.Caption, L"测试完成");
    EXPECT_EQ(stuck.view.Result, L"first drive only");
    EXPECT_LT(stuck.clock.Current, 18s);
    EXPECT_THAT(stuck.journal, Contains(L"stop tool 1"));

    // Start pressed while the run waits for the status begins again.
    FakeWorld pressed;
    outputCompleteAtOnce(pressed, 60s, 5);
    pressed.PressStartAt(12200ms);
    pressed.Run();
    EXPECT_EQ(pressed.launcher.Launches, 2);
    EXPECT_EQ(pressed.view.Result, L"first drive only");
    EXPECT_EQ(pressed.pump.MaxDepth, 1);
}

TEST_F(DiagnosticRunTest, AStartPressDuringTheWaitHandsTheRunOver) {
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
    EXPECT_THAT(std::vector(world.journal.end() - 5, world.journal.end()),
                ElementsAre(L"delete C:\\Nero\\b.txt", L"delete C:\\Nero\\run.bat", L"delete " + kPrivateError,
                            L"remove folder " + kPrivate, L"leave for C:\\Users\\li\\Downloads\\"));
    EXPECT_EQ(Count(L"caption 测试完成"), 1u);
    EXPECT_EQ(Count(L"delete C:\\Nero\\b.txt"), 2u);  // the newer run's step 1 and its end
    EXPECT_FALSE(WorkFilesLeft());
    EXPECT_LT(world.clock.Current, 21s);
}

TEST_F(DiagnosticRunTest, FiftyPressesInARowEndWithTheLastRunsResult) {
    world.launcher.OnLaunch = [this](int n) { world.SimulateAnswer(1s, "run " + std::to_string(n)); };
    for (int press = 1; press < 50; ++press) world.PressStartAt(Milliseconds{press * 200});
    world.Run();

    EXPECT_EQ(world.launcher.Launches, 50);
    EXPECT_EQ(world.view.Result, L"run 50");
    EXPECT_EQ(Count(L"caption 测试完成"), 1u);
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(DiagnosticRunTest, OutputThatNeverComesEndsTheRunInBoundedTime) {
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

TEST_F(DiagnosticRunTest, TheWaitKeepsHandlingEventsInEveryCycle) {
    world.ToolAnswersAfter(0s, "");
    bool aboutOpened = false;
    world.pump.At(3s, [&] { aboutOpened = true; });
    world.Run();
    EXPECT_TRUE(aboutOpened);
    EXPECT_EQ(world.pump.Calls, 2);
}

TEST_F(DiagnosticRunTest, PressesDuringAWaitBeginTheRunAgainWithoutNesting) {
    // A press every 60 ms for a minute: each one ends the waiting tool and begins again
    // from the first step, on the same stack; the result comes a full 12 s after the
    // last press, from the last launch.
    world.launcher.OnLaunch = [this](int n) { world.SimulateAnswer(0s, "run " + std::to_string(n)); };
    const Milliseconds lastPress{1000 * 60};
    for (int press = 1; press <= 1000; ++press) world.PressStartAt(Milliseconds{press * 60});
    world.Run();

    EXPECT_EQ(world.pump.MaxDepth, 1);
    EXPECT_EQ(world.launcher.Launches, 1001);
    EXPECT_EQ(world.view.Result, L"run 1001");
    EXPECT_EQ(DoneAt(), lastPress + 12s);
    EXPECT_EQ(Count(L"caption 测试完成"), 1u);
    EXPECT_EQ(Count(L"stop tool 1000"), 1u);
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_FALSE(world.view.Busy);
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(DiagnosticRunTest, APressWhileTheWorkFilesAreBeingRemovedBeginsOneMoreRun) {
    world.ToolAnswersAfter(0s, "out");
    // The batch file is held at the end of the first run; Start is pressed during the retry.
    world.launcher.OnLaunch = [this](int n) {
        world.SimulateAnswer(0s, "run " + std::to_string(n));
        if (n == 1) world.files.Files[kBatch].BusyDeletes = 3;
    };
    world.PressStartAt(12100ms);
    world.Run();
    EXPECT_EQ(world.launcher.Launches, 2);
    EXPECT_EQ(world.view.Result, L"run 2");
    EXPECT_EQ(world.pump.MaxDepth, 1);
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(DiagnosticRunTest, AToolFolderThatRefusesTheBatchFileSendsTheWorkFilesToThePrivateFolder) {
    // Under Program Files a standard user may not create files.
    FakeWorld w;
    const std::wstring folder = L"C:\\Program Files (x86)\\Ahead\\Nero\\";
    w.InstallAt(folder);
    w.files.Refusing.insert(folder);
    std::string batch;
    w.launcher.OnLaunch = [&](int) {
        batch = w.files.Files.at(kPrivate + L"run.bat").Bytes;
        w.SimulateAnswer(1s, "drive list");
    };
    w.Run();

    EXPECT_EQ(batch, "pushd \"C:\\Program Files (x86)\\Ahead\\Nero\\\" && \"C:\\Program Files (x86)\\Ahead\\Nero\\nerocmd\" "
                     "--listdrives > \"C:\\Users\\li\\AppData\\Local\\Temp\\Tindrel\\b.txt\"\r\n");
    EXPECT_THAT(w.journal, Contains(L"launch " + kPrivate + L"run.bat"));
    EXPECT_THAT(w.journal, Contains(L"cd " + folder));
    EXPECT_EQ(w.view.Caption, L"测试完成");
    EXPECT_EQ(w.view.Result, L"drive list");
    EXPECT_EQ(w.paths.WorkFolder, kPrivate);
    // Nothing is left in either place, not even the private folder.
    EXPECT_TRUE(w.files.Files.empty());
    EXPECT_FALSE(w.files.IsDirectory(kPrivate));

    // Logging off during a later run stops the tool and removes the files from where
    // that run put them.
    w.ToolNeverAnswers();
    w.pump.At(w.clock.Current + 3s, [&] {
        EXPECT_TRUE(w.files.Files.count(kPrivate + L"run.bat"));
        w.context.Tool->Stop();
        RemoveWorkFiles(w.paths, w.context);
        EXPECT_TRUE(w.files.Files.empty());
        EXPECT_FALSE(w.files.IsDirectory(kPrivate));
    });
    w.Run();
    EXPECT_EQ(w.view.Caption, L"测试未完成");
}

TEST_F(DiagnosticRunTest, ARunThatMovesBackToTheToolFolderLeavesNoPrivateFolderBehind) {
    // The first pass finds the tool folder refusing files; by the press that begins the
    // second, it takes them again.
    FakeWorld w;
    w.InstallAt(kFolder);
    w.files.Refusing.insert(kFolder);
    w.launcher.OnLaunch = [&](int n) {
        if (n == 1) return w.SimulateHang();
        w.SimulateAnswer(0s, "second");
    };
    w.pump.At(3s, [&] {
        w.files.Refusing.clear();
        w.Run();
    });
    w.Run();
    EXPECT_EQ(w.view.Result, L"second");
    EXPECT_EQ(w.paths.WorkFolder, kFolder);
    EXPECT_TRUE(w.files.Files.empty());
    EXPECT_FALSE(w.files.IsDirectory(kPrivate));
}

TEST_F(DiagnosticRunTest, APrivateFolderTheBatchCodePageCannotSpellIsNeverSpelledInTheBatchFile) {
    // The user's name holds Chinese, which this code page lacks; the tool folder is plain.
    // The batch file names its own folder, whether the volume has short names or not.
    FakeWorld w;
    w.InstallAt(kFolder);
    w.files.Refusing.insert(kFolder);
    w.files.TempFolder = L"C:\\Users\\李明\\Temp\\";
    w.files.ShortNames[L"C:\\Users\\李明\\Temp\\Tindrel\\"] = L"C:\\Users\\5F6B~1\\Temp\\Tindrel\\";
    w.ToolAnswersAfter(0s, "ok");
    w.Run();
    EXPECT_EQ(w.paths.BatchLine, L"pushd \"C:\\Nero\\\" && \"C:\\Nero\\nerocmd\" --listdrives > \"%~dp0b.txt\"");
    EXPECT_EQ(w.paths.WorkFolder, L"C:\\Users\\李明\\Temp\\Tindrel\\");
    EXPECT_EQ(w.view.Caption, L"测试完成");
    EXPECT_EQ(w.view.Result, L"ok");
}

TEST_F(DiagnosticRunTest, OutputThatCannotReallyBeRemovedIsNeverShownAsThisRunsResult) {
    // An earlier b.txt held open by a viewer with delete sharing is "deleted" but keeps
    // its name, so the command interpreter could not create this run's output there.
    world.ToolAnswersAfter(0s, "first");
    world.Run();
    world.files.Files[kOutput] = {"OLD DRIVE FROM LAST WEEK"};
    world.files.Files[kOutput].HeldByOther = true;
    world.ToolAnswersAfter(1s, "new drive list");
    world.Run();

    EXPECT_EQ(world.view.Caption, L"测试完成");
    EXPECT_EQ(world.view.Result, L"new drive list");
    EXPECT_EQ(world.paths.WorkFolder, kPrivate);
    EXPECT_FALSE(world.files.Files.count(kPrivate + L"b.txt"));
    world.files.Release(kOutput);
    EXPECT_TRUE(world.files.Files.empty());

    // Held without delete sharing for longer than the retry: the same.
    FakeWorld held;
    held.InstallAt(kFolder);
    held.files.Files[kOutput] = {"OLD", false, 1000000};
    held.ToolAnswersAfter(1s, "fresh");
    held.Run();
    EXPECT_EQ(held.view.Result, L"fresh");
    EXPECT_EQ(held.files.Files.at(kOutput).Bytes, "OLD");  // someone else's to let go of
}

TEST_F(DiagnosticRunTest, TheTemporaryFolderAsUsersHaveItNeverEndsTheProgram) {
    // A private folder holding an output another program will not let go of, or a file
    // where the folder should be: the run takes the next private name.
    FakeWorld held;
    held.InstallAt(kFolder);
    held.files.Refusing.insert(kFolder);
    held.files.Directories.insert(kPrivate);
    held.files.Files[kPrivate + L"b.txt"] = {"OLD"};
    held.files.Files[kPrivate + L"b.txt"].HeldByOther = true;
    held.ToolAnswersAfter(0s, "new");
    // The other program lets go during the run; the run's end then takes what it left.
    held.pump.At(5s, [&] { held.files.Release(kPrivate + L"b.txt"); });
    held.Run();
    EXPECT_EQ(held.view.Result, L"new");
    EXPECT_EQ(held.paths.WorkFolder, held.files.TempFolder + L"Tindrel.2\\");
    EXPECT_FALSE(held.files.IsDirectory(kPrivate));
    EXPECT_TRUE(held.files.Files.empty());

    FakeWorld fileInTheWay;
    fileInTheWay.InstallAt(kFolder);
    fileInTheWay.files.Refusing.insert(kFolder);
    fileInTheWay.files.Files[fileInTheWay.files.TempFolder + L"Tindrel"] = {"a file"};
    fileInTheWay.ToolAnswersAfter(0s, "new");
    fileInTheWay.Run();
    EXPECT_EQ(fileInTheWay.view.Result, L"new");
    EXPECT_EQ(fileInTheWay.paths.WorkFolder, fileInTheWay.files.TempFolder + L"Tindrel.2\\");

    // A temporary folder that refuses everything: a writable tool folder still runs the
    // tool (its error output then goes nowhere); a refusing one explains why not.
    FakeWorld refusing;
    refusing.InstallAt(kFolder);
    for (int n = 1; n <= kPrivateFolderNames; ++n) {
        const std::wstring name = n == 1 ? L"Tindrel" : L"Tindrel." + std::to_wstring(n);
        refusing.files.TempRefusal.emplace(name, SystemError(L"创建文件夹", refusing.files.TempFolder + name, 5, L"拒绝访问。"));
    }
    refusing.ToolAnswersAfter(0s, "list");
    refusing.Run();
    EXPECT_EQ(refusing.view.Result, L"list");
    EXPECT_EQ(refusing.launcher.ErrorFile, L"");

    refusing.files.Refusing.insert(kFolder);
    refusing.Run();
    EXPECT_EQ(refusing.view.Caption, L"测试未完成");
    EXPECT_THAT(refusing.view.Result, HasSubstr(kFolder));
    EXPECT_THAT(refusing.view.Result, HasSubstr(L"拒绝访问。"));
    EXPECT_THAT(refusing.view.Result, HasSubstr(L"TEMP"));
    EXPECT_EQ(refusing.launcher.Launches, 1);
    EXPECT_TRUE(refusing.view.ExitEnabled);
}

TEST_F(DiagnosticRunTest, WhatTheToolReportsDecidesBetweenAResultAndAnExplanation) {
    const struct {
        const char* Name;
        std::string Output;
        unsigned long Status;
        std::string Errors;
        const wchar_t* Caption;
        std::vector<std::wstring> Shown;
    } cases[] = {
        {"success", "drive list", 0, "a warning", L"测试完成", {L"drive list"}},
        {"a failed scan", "first drive only", 5, "", L"测试未完成", {L"first drive only", L"退出代码为 5"}},
        {"errors only", "", 0, "no drivers", L"测试未完成", {L"no drivers", L"只输出了错误信息"}},
        {"a crash", "", 0xC0000005, "", L"测试未完成", {L"3221225477（0xC0000005）"}},
        {"not found by the interpreter", "", 9009, "'nerocmd' is not recognized", L"测试未完成",
         {L"命令解释器找不到 nerocmd", L"'nerocmd' is not recognized", L"PATHEXT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeWorld w;
        w.InstallAt(kFolder);
        w.files.Files[kFolder + L"nerocmd.exe"] = {"MZ"};
        w.launcher.OnLaunch = [&](int) { w.SimulateAnswer(1s, c.Output, c.Status, c.Errors); };
        w.Run();
        EXPECT_EQ(w.view.Caption, c.Caption);
        for (const std::wstring& shown : c.Shown) EXPECT_THAT(w.view.Result, HasSubstr(shown));
        if (c.Status != 0 || c.Output.empty()) {
            EXPECT_THAT(w.view.Result, HasSubstr(kFolder));
        }
        EXPECT_FALSE(WorkFilesLeft());
        EXPECT_FALSE(w.files.Files.count(kPrivateError));
    }
}

TEST_F(DiagnosticRunTest, AFinishedToolCountsAsDoneWhileAHelperStillHoldsItsOutput) {
    world.launcher.OnLaunch = [this](int) { world.SimulateAnswer(1s, "drive list", 0, "", true); };
    world.Run();
    EXPECT_EQ(DoneAt(), 12s);
    EXPECT_EQ(world.view.Result, L"drive list");
    // The helper is ended with the rest of the tool before the files go.
    EXPECT_THAT(world.journal, Contains(L"stop tool 1"));
    EXPECT_FALSE(WorkFilesLeft());
}

// A scanner or indexer holding the output without sharing it when the run loads it: the
// run loads again while it handles events, and shows the result once the file is free.
// Held for longer, or refused for another reason, it is explained; never the fatal report.
TEST_F(DiagnosticRunTest, AnOutputThatCannotBeReadAtOnceIsShownWhenFreeOrExplained) {
    const SystemError held(L"读取文件", kOutput, 32, L"另一个程序正在使用此文件，进程无法访问。");
    world.ToolAnswersAfter(1s, "drive list");
    world.view.LoadFailures = {held, held};
    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试完成");
    EXPECT_EQ(world.view.Result, L"drive list");
    EXPECT_EQ(Count(L"load " + kOutput), 3);

    const SystemError denied(L"读取文件", kOutput, 5, L"拒绝访问。");
    for (const auto& [failure, retried] : {std::pair{held, true}, std::pair{denied, false}}) {
        SCOPED_TRACE(failure.Code);
        world.view.LoadFailures.assign(1000, failure);
        world.view.CaptionTimes.clear();
        world.journal.clear();
        world.Run();
        EXPECT_THAT(world.view.CaptionTimes, Not(Contains(::testing::Pair(::testing::_, L"测试完成"))));
        EXPECT_EQ(world.view.Caption, L"测试未完成");
        EXPECT_THAT(world.view.Result, HasSubstr(kOutput + L"\r\n" + failure.Description));
        EXPECT_EQ(world.view.Result.find(L"占用") != std::wstring::npos, retried);
        EXPECT_EQ(Count(L"load " + kOutput) > 1, retried);
        EXPECT_TRUE(world.view.ExitEnabled && !world.view.Busy);
    }
}

TEST_F(DiagnosticRunTest, AnEmptyOutputSaysWhyInsteadOfReportingSuccess) {
    // The command interpreter creates b.txt even when it cannot find the tool.
    world.ToolAnswersAfter(0s, "");
    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试未完成");
    EXPECT_THAT(world.view.Result, HasSubstr(L"没有找到 nerocmd"));
    EXPECT_THAT(world.view.Result, HasSubstr(kFolder));
    EXPECT_THAT(world.journal, Not(Contains(L"load " + kOutput)));
    EXPECT_FALSE(world.view.Busy);
    EXPECT_TRUE(world.view.ExitEnabled);
    EXPECT_FALSE(WorkFilesLeft());

    // The tool is there but printed nothing.
    world.files.Files[kFolder + L"nerocmd.exe"] = {"MZ"};
    world.Run();
    EXPECT_EQ(world.view.Caption, L"测试未完成");
    EXPECT_THAT(world.view.Result, HasSubstr(L"没有输出任何内容"));
    EXPECT_THAT(world.view.Result, HasSubstr(kFolder));
    EXPECT_FALSE(WorkFilesLeft());
}

TEST_F(DiagnosticRunTest, RegistryPathsWithForwardSlashesOrOnANetworkShareRun) {
    FakeWorld slashes;
    slashes.files.Directories.insert(kFolder);
    slashes.SetRegistryPath(L"C:/Nero/nero.exe");
    slashes.ToolAnswersAfter(0s, "ok");
    slashes.Run();
    EXPECT_EQ(slashes.paths.Folder, kFolder);
    EXPECT_EQ(slashes.paths.BatchLine, L"C:\\Nero\\nerocmd --listdrives > C:\\Nero\\b.txt");
    EXPECT_EQ(slashes.view.Result, L"ok");

    // The command interpreter cannot work in a network folder; the work files go to the
    // private folder and the batch enters the share with pushd.
    FakeWorld share;
    share.InstallAt(L"\\\\server\\apps\\Nero\\");
    share.ToolAnswersAfter(0s, "ok");
    share.Run();
    EXPECT_EQ(share.paths.WorkFolder, kPrivate);
    EXPECT_THAT(share.paths.BatchLine, ::testing::StartsWith(L"pushd \"\\\\server\\apps\\Nero\\\" && "));
    EXPECT_EQ(share.view.Result, L"ok");
    EXPECT_TRUE(share.files.Files.empty());
}

TEST_F(DiagnosticRunTest, AToolFolderTooLongForTheCommandInterpreterIsExplainedAndNothingIsWritten) {
    const std::wstring longest = L"C:\\" + std::wstring(244, L'n') + L"\\";  // 248 characters
    const std::wstring tooLong = L"C:\\" + std::wstring(245, L'n') + L"\\";
    FakeWorld fits;
    fits.InstallAt(longest);
    fits.ToolAnswersAfter(0s, "ok");
    fits.Run();
    EXPECT_EQ(fits.view.Result, L"ok");

    FakeWorld w;
    w.InstallAt(tooLong);
    w.ToolAnswersAfter(0s, "ok");
    w.Run();
    EXPECT_EQ(w.view.Caption, L"测试未完成");
    EXPECT_THAT(w.view.Result, HasSubstr(L"路径太长（249 个字符）"));
    EXPECT_EQ(w.launcher.Launches, 0);
    EXPECT_TRUE(w.files.Files.empty());
    EXPECT_FALSE(w.view.Busy);
    EXPECT_TRUE(w.view.ExitEnabled);
}

TEST_F(DiagnosticRunTest, TheProgramLeavesTheToolFolderForTheSystemFolderWhenItsOwnIsGone) {
    world.files.Current = L"E:\\Removed\\";
    world.ToolAnswersAfter(0s, "ok");
    world.Run();
    EXPECT_EQ(world.files.Current, FakeFileSystem::kSystemFolder);
}

}  // namespace
}  // namespace tindrel::testing
