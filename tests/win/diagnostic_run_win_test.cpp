// The test run on the real Win32 platform under Wine: real registry, files, cmd.exe and
// the simulated drive lister.

#include "tests/win/run_fixture.h"
#include "tests/support/locked_folder.h"
#include "tools/driver/older_windows_answers.h"

#include <tlhelp32.h>

#include <algorithm>
#include <chrono>

namespace tindrel::win::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path kBase = L"C:\\TindrelTests";
const std::wstring kListStart = L"找到 2 台刻录设备";
const std::wstring kListEnd = L"扫描完成。";

int CountProcesses(const wchar_t* name) {
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, name) == 0) ++count;
    }
    return count;
}

// Counts a run's waits, and how deeply they nest: a run begun inside another's wait
// would nest them.
class CountingPump final : public EventPump {
public:
    explicit CountingPump(EventPump& inner) : inner_(inner) {}
    void ProcessEventsUntil(Milliseconds deadline, const std::function<bool()>& stop) override {
        ++Waits;
        MaxDepth = std::max(MaxDepth, ++depth_);
        inner_.ProcessEventsUntil(deadline, stop);
        --depth_;
    }
    int Waits = 0;
    int MaxDepth = 0;

private:
    EventPump& inner_;
    int depth_ = 0;
};

// Every process of that name, or only those `parent` started.
void EndProcesses(const wchar_t* name, DWORD parent = 0) {
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, name) != 0 || (parent && entry.th32ParentProcessID != parent)) continue;
        const UniqueHandleKernel process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process) continue;
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), 10000);
    }
}

// Holds a run's first wait until the tool has written its log line, so that the cycles
// that must run out are all the tool's: on a loaded machine the interpreter alone can take
// seconds to start it, and a run that gave up before would end a tool that never ran.
class ToolStartPump final : public EventPump {
public:
    ToolStartPump(EventPump& inner, Clock& clock, std::wstring log)
        : inner_(inner), clock_(clock), log_(std::move(log)) {}
    void ProcessEventsUntil(Milliseconds deadline, const std::function<bool()>& stop) override {
        const Milliseconds giveUp = clock_.Now() + 30s;
        while (first_ && ReadBytes(log_).empty() && clock_.Now() < giveUp && !stop()) {
            inner_.ProcessEventsUntil(clock_.Now() + 50ms, stop);
        }
        first_ = false;
        inner_.ProcessEventsUntil(deadline, stop);
    }

private:
    EventPump& inner_;
    Clock& clock_;
    std::wstring log_;
    bool first_ = true;
};

class Win32RunTest : public RunFixture {
protected:
    // A test that ended early, or an interpreter that started its tool after the run gave
    // up, leaves a tool that would hold its folder and count against every later test:
    // whatever the outcome, the interpreters this process started go first, so that they
    // start nothing more, then the tools, then the work files they held, as Exit would.
    void TearDown() override {
        EndProcesses(L"cmd.exe", ::GetCurrentProcessId());
        EndProcesses(L"nerocmd.exe");
        RemoveWorkFiles(paths, context);
        RunFixture::TearDown();
    }

    // A run that gives up after its twenty cycles of 100 ms, counted once the tool in
    // `folder` has started.
    void RunUntilItGivesUp(const std::wstring& folder) {
        ToolStartPump started(pump, clock, folder + L"nerocmd.log");
        RunContext held(registry, files, encoding, launcher, clock, started, notice);
        held.CycleLength = 100ms;
        held.MaximumCycles = kMaximumCycles;
        StartTestRun(paths, view, held);
    }

    // A run that did not finish says why, and leaves nothing in the tool folder.
    void ExpectExplained(const std::wstring& folder, const std::wstring& why) {
        EXPECT_EQ(view.Caption, L"测试未完成");
        EXPECT_THAT(view.Result, HasSubstr(why));
        EXPECT_FALSE(WorkFilesLeft(folder));
    }
};

TEST_F(Win32RunTest, ARealRunTakesTwelveSecondsAndLeavesNothingBehind) {
    const std::wstring folder = MakeToolFolder(kBase / L"Nero");
    CountingPump counting(pump);
    RunContext counted(registry, files, encoding, launcher, clock, counting, notice);
    counted.CycleLength = 6s;
    std::string batch;
    DelayedAction captureBatch(1000, [&] { batch = ReadBytes(folder + L"run.bat"); });

    const auto start = std::chrono::steady_clock::now();
    StartTestRun(paths, view, counted);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    // Two whole cycles, not one and not three, however long the machine took around them.
    EXPECT_GE(elapsed, 12s);
    EXPECT_EQ(counting.Waits, 2);
    EXPECT_EQ(batch, "C:\\TindrelTests\\Nero\\nerocmd --listdrives > C:\\TindrelTests\\Nero\\b.txt\r\n");
    EXPECT_EQ(view.Caption, L"测试完成");
    EXPECT_THAT(view.Result, HasSubstr(kListStart));
    EXPECT_THAT(view.Result, HasSubstr(L"映像刻录机"));
    EXPECT_FALSE(view.Busy);
    EXPECT_TRUE(view.ExitEnabled);
    EXPECT_FALSE(WorkFilesLeft(folder));
    EXPECT_EQ(ToolLog(folder), "--listdrives|C:\\TindrelTests\\Nero\r\n");
}

TEST_F(Win32RunTest, HostileFolderNamesRunTheToolAndNothingElse) {
    const wchar_t* names[] = {
        L"Program Files\\Ahead\\Nero", L"x&mkdir canary&y",  L"100%PATH%x", L"a^b(c),d;e=f'g",
        L"bang!x!y",                   L"刻录 软件\\Nero 6", L"q%%cd%%",    L"caret^&mkdir canary",
    };
    for (const wchar_t* name : names) {
        SCOPED_TRACE(fs::path(name).string());
        const fs::path folder = kBase / L"hostile" / name;
        const std::wstring tool = MakeToolFolder(folder);
        Run();
        EXPECT_EQ(view.Caption, L"测试完成");
        EXPECT_THAT(view.Result, HasSubstr(kListEnd));
        EXPECT_FALSE(WorkFilesLeft(tool));
        EXPECT_EQ(ToolLog(tool), "--listdrives|" + ToCodePage(CP_ACP, folder.wstring()) + "\r\n");
        // Read alike in every console code page: the Chinese folder is the batch's own, %~dp0.
        EXPECT_TRUE(std::all_of(paths.BatchLine.begin(), paths.BatchLine.end(), [](wchar_t c) { return c < 0x80; }));
        for (const fs::path& place : {folder, folder.parent_path(), kBase / L"hostile", fs::current_path()}) {
            EXPECT_FALSE(fs::exists(place / L"canary")) << place.string();
        }
    }
}

TEST_F(Win32RunTest, AFolderOnAnotherDriveIsTheToolsWorkingDirectory) {
    // Under Wine %TEMP% is on C:, so the other drive is Z:, the Unix root.
    if (::GetDriveTypeW(L"Z:\\") != DRIVE_FIXED) {
        ASSERT_FALSE(tindrel::testing::UnderWine()) << "Wine's drive Z: (the Unix root) is missing";
        GTEST_SKIP() << "needs a second fixed drive named Z:, as Wine's Unix root is";
    }
    const fs::path folder = L"Z:\\tmp\\tindrel-tests-drive\\Nero";
    const std::wstring tool = MakeToolFolder(folder);
    ASSERT_TRUE(::SetCurrentDirectoryW(L"C:\\windows"));
    Run();
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_EQ(ToolLog(tool), "--listdrives|Z:\\tmp\\tindrel-tests-drive\\Nero\r\n");
    EXPECT_FALSE(WorkFilesLeft(tool));
}

TEST_F(Win32RunTest, ASlowToolIsShownOnlyOnceItHasWrittenEverything) {
    const std::wstring folder = MakeToolFolder(kBase / L"slow", "split=1500\r\n");
    Run();
    EXPECT_THAT(view.Result, HasSubstr(kListStart));
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_FALSE(WorkFilesLeft(folder));
}

TEST_F(Win32RunTest, AToolThatNeverAnswersIsEndedAndTheRunGivesUp) {
    const std::wstring folder = MakeToolFolder(kBase / L"hang", "mode=hang\r\n");
    RunUntilItGivesUp(folder);
    ASSERT_EQ(ToolLog(folder), "--listdrives|C:\\TindrelTests\\hang\r\n") << "the tool never started";
    EXPECT_EQ(view.Caption, L"测试未完成");
    EXPECT_THAT(view.Result, HasSubstr(L"开始测试"));
    EXPECT_TRUE(view.ExitEnabled);
    EXPECT_FALSE(view.Busy);
    EXPECT_FALSE(WorkFilesLeft(folder));
    EXPECT_EQ(CountProcesses(L"nerocmd.exe"), 0);
}

// Under Windows 7's answers (no job of its own, Windows' sharing rules) a tool stuck in a
// driver call outlives every attempt to end it and holds its output: the run still gives
// up after its twenty cycles and Exit still removes what it can, neither in a failure.
TEST_F(Win32RunTest, UnderWindows7sAnswersAToolThatCannotBeEndedStillLetsTheRunGiveUp) {
    const std::wstring folder = MakeToolFolder(kBase / L"stuck", "mode=hang\r\n");
    tindrel::e2e::OlderWindowsAnswers answers;
    // Off again however the test ends, so that the fixture can end the tool.
    struct AnswersOff {
        tindrel::e2e::OlderWindowsAnswers& Answers;
        ~AnswersOff() { Answers.Set(::GetCurrentProcess(), ::GetCurrentProcessId(), 0); }
    } off{answers};
    ASSERT_TRUE(answers.Set(::GetCurrentProcess(), ::GetCurrentProcessId(),
                            older::kWindows7 | older::kToolCannotBeEnded));
    EXPECT_NO_THROW(RunUntilItGivesUp(folder));
    EXPECT_NO_THROW(RemoveWorkFiles(paths, context));
    const int stuck = CountProcesses(L"nerocmd.exe");
    ASSERT_EQ(ToolLog(folder), "--listdrives|C:\\TindrelTests\\stuck\r\n") << "the tool never started";

    EXPECT_EQ(view.Caption, L"测试未完成");
    EXPECT_THAT(view.Result, HasSubstr(L"等待 2 秒后仍没有得到测试结果"));
    EXPECT_TRUE(view.ExitEnabled);
    EXPECT_FALSE(view.Busy);
    EXPECT_EQ(stuck, 1) << "the answers were not given: the tool did not outlive the run";
}

// Windows' interpreter refuses the batch file where a policy or AppLocker says so, as
// Wine's never does: it ends, having said why, and the batch line never runs.
TEST_F(Win32RunTest, ABatchFileTheInterpreterRefusesIsExplainedNotBlamedOnTheTool) {
    const std::wstring folder = MakeToolFolder(kBase / L"refused");
    tindrel::e2e::OlderWindowsAnswers answers;
    const struct {
        LONG Answer;
        std::vector<std::wstring> Shown;
    } cases[] = {
        {older::kBatchFilesRefused, {L"命令解释器的输出：\r\n命令提示符已被系统管理员停用。"}},
        {older::kBatchFilesRefusedWithError, {L"（退出代码为 1）", L"命令解释器的错误信息：\r\n此程序被组策略阻止。"}},
    };
    std::vector<std::wstring> shown;
    for (const auto& c : cases) {
        EXPECT_TRUE(answers.Set(::GetCurrentProcess(), ::GetCurrentProcessId(), c.Answer));
        Run();
        shown.push_back(view.Result);
        EXPECT_FALSE(WorkFilesLeft(folder));
        EXPECT_FALSE(fs::exists(paths.InterpreterOutput));
    }
    answers.Set(::GetCurrentProcess(), ::GetCurrentProcessId(), 0);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_THAT(shown[i], HasSubstr(L"批处理文件没有运行到 nerocmd"));
        for (const std::wstring& part : cases[i].Shown) EXPECT_THAT(shown[i], HasSubstr(part));
        EXPECT_THAT(shown[i], Not(HasSubstr(L"刻录机")));
    }
    EXPECT_EQ(ToolLog(folder), "");

    // Where the user's policy value says so, the run explains before it writes anything;
    // Wine's interpreter would run the batch file all the same.
    UniqueHkey policy;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Policies\\Microsoft\\Windows\\System", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, policy.Put(), nullptr),
              ERROR_SUCCESS);
    struct Unset {
        HKEY Key;
        ~Unset() { ::RegDeleteValueW(Key, L"DisableCMD"); }
    };
    for (const DWORD value : {1u, 2u}) {
        const Unset unset{policy.Get()};
        ::RegSetValueExW(policy.Get(), L"DisableCMD", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        Run();
        EXPECT_EQ(view.Caption, value == 1 ? L"测试未完成" : L"测试完成");
        if (value == 1) {
            EXPECT_THAT(view.Result, HasSubstr(L"DisableCMD 为 1"));
        }
    }
    EXPECT_EQ(ToolLog(folder), "--listdrives|C:\\TindrelTests\\refused\r\n") << "one run, with the value 2";
    EXPECT_FALSE(fs::exists(paths.InterpreterOutput));
}

TEST_F(Win32RunTest, StartDuringTheWaitWhileTheEarlierToolHoldsItsOutput) {
    const std::wstring folder = MakeToolFolder(kBase / L"nested", "mode=hang\r\n");
    DelayedAction press(700, [&] {
        WriteBytes(folder + L"nerocmd.cfg", "mode=list\r\n");
        Run();
    });
    Run();
    EXPECT_EQ(view.Caption, L"测试完成");
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_EQ(view.Loads, 1);
    EXPECT_TRUE(view.ExitEnabled);
    EXPECT_FALSE(WorkFilesLeft(folder));
    EXPECT_EQ(CountProcesses(L"nerocmd.exe"), 0);
}

TEST_F(Win32RunTest, ManyPressesDuringAWaitBeginTheRunAgainOnTheSameStack) {
    const std::wstring folder = MakeToolFolder(kBase / L"presses", "delay=50\r\n");
    // Each press ends one interpreter and starts another; under load Wine's process
    // creation fails now and then in a storm of hundreds, which is no fault of the run.
    constexpr int kPresses = 50;
    CountingPump counting(pump);
    RunContext counted(registry, files, encoding, launcher, clock, counting, notice);
    counted.CycleLength = context.CycleLength;
    counted.MaximumCycles = context.MaximumCycles;
    int presses = 0;
    std::chrono::steady_clock::time_point lastPress;
    std::function<void()> press;
    std::vector<std::unique_ptr<DelayedAction>> pending;
    press = [&] {
        lastPress = std::chrono::steady_clock::now();
        if (++presses < kPresses) pending.push_back(std::make_unique<DelayedAction>(10, press));
        StartTestRun(paths, view, counted);
    };
    pending.push_back(std::make_unique<DelayedAction>(10, press));
    StartTestRun(paths, view, counted);

    EXPECT_EQ(presses, kPresses);
    EXPECT_EQ(counting.MaxDepth, 1);
    EXPECT_GE(std::chrono::steady_clock::now() - lastPress, 2 * context.CycleLength);
    EXPECT_EQ(view.Caption, L"测试完成");
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_FALSE(WorkFilesLeft(folder));
    EXPECT_EQ(CountProcesses(L"nerocmd.exe"), 0);
}

TEST_F(Win32RunTest, AWorkFileHeldBrieflyIsDeletedOnceItIsFree) {
    const std::wstring folder = MakeToolFolder(kBase / L"held");
    Run();
    WriteBytes(folder + L"b.txt", "held");
    UniqueFile holder(::CreateFileW((folder + L"b.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    ASSERT_TRUE(holder);
    DelayedAction release(500, [&] { holder.Reset(); });
    const auto start = std::chrono::steady_clock::now();
    RemoveWorkFiles(paths, context);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
    EXPECT_FALSE(fs::exists(folder + L"b.txt"));
}

TEST_F(Win32RunTest, OddRegistryPathsNeverReceiveWorkFiles) {
    fs::create_directories(kBase / L"odd");
    for (const wchar_t* stored : {L"nero.exe", L"C:\\TindrelTests\\odd\\mynero.exe", L"C:\\TindrelTests\\gone\\nero.exe"}) {
        SetInstallPath(stored);
        EXPECT_THROW(Run(), InstallationMissing);
    }
    EXPECT_TRUE(fs::is_empty(kBase / L"odd"));
    EXPECT_FALSE(fs::exists(fs::current_path() / L"run.bat"));
    EXPECT_FALSE(fs::exists(L"C:\\TindrelTests\\odd\\myrun.bat"));
}

// Sets an environment variable for as long as the object lives.
class EnvironmentVariable {
public:
    EnvironmentVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t old[32768];
        const DWORD length = ::GetEnvironmentVariableW(name, old, 32768);
        if (length) saved_ = std::wstring(old, length);
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~EnvironmentVariable() { ::SetEnvironmentVariableW(name_, saved_ ? saved_->c_str() : nullptr); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const wchar_t* name_;
    std::optional<std::wstring> saved_;
};

TEST_F(Win32RunTest, AToolFolderThatRefusesFilesRunsFromTheUsersPrivateFolder) {
    // Program Files for a standard user, and a folder whose name smuggles in a command;
    // the user's own name holds what cmd.exe would otherwise take as syntax.
    const fs::path temp = kBase / L"Users\\li a&b %PATH% !x! ^(李)\\AppData\\Local\\Temp";
    fs::create_directories(temp);
    const EnvironmentVariable tmp(L"TMP", temp.wstring());
    const EnvironmentVariable temp2(L"TEMP", temp.wstring());
    for (const wchar_t* name : {L"Program Files (x86)\\Ahead\\Nero", L"x&mkdir canary&y %PATH%"}) {
        SCOPED_TRACE(fs::path(name).string());
        const fs::path log = kBase / L"refused.log";
        fs::remove(log);
        const std::wstring folder = MakeToolFolder(kBase / name, "log=" + ToCodePage(CP_ACP, log.wstring()) + "\r\n");
        const tindrel::testing::LockedFolder locked(folder);
        if (!locked.Refuses()) GTEST_SKIP() << "chattr +i is not available here, so no folder refuses new files";

        for (int run = 1; run <= 2; ++run) {
            SCOPED_TRACE(run);
            Run();
            EXPECT_EQ(view.Caption, L"测试完成");
            EXPECT_THAT(view.Result, HasSubstr(kListStart));
            EXPECT_THAT(view.Result, HasSubstr(kListEnd));
            EXPECT_EQ(paths.WorkFolder, (temp / L"Tindrel").wstring() + L"\\");
            EXPECT_THAT(paths.BatchLine, ::testing::StartsWith(L"pushd "));
            // Nothing is left in either place, not even the private folder.
            EXPECT_FALSE(WorkFilesLeft(folder));
            EXPECT_FALSE(fs::exists(temp / L"Tindrel"));
        }
        // The tool ran in its own folder both times.
        const std::string inFolder = "--listdrives|" + ToCodePage(CP_ACP, (kBase / name).wstring()) + "\r\n";
        EXPECT_EQ(ReadBytes(log), inFolder + inFolder);
        for (const fs::path& place : {temp, temp.parent_path(), kBase / L"Users", kBase, fs::path(folder)}) {
            EXPECT_FALSE(fs::exists(place / L"canary")) << place.string();
        }
    }
}

TEST_F(Win32RunTest, AnOldOutputHeldOpenByAnotherProgramIsNeverShownAsNew) {
    const std::wstring folder = MakeToolFolder(kBase / L"stale");
    Run();
    WriteBytes(folder + L"b.txt", "CD-ROM 0: OLD DRIVE FROM LAST WEEK\r\n");
    UniqueFile viewer = OpenAsViewer(folder + L"b.txt");
    ASSERT_TRUE(viewer);
    Run();
    EXPECT_EQ(view.Caption, L"测试完成");
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_THAT(view.Result, Not(HasSubstr(L"OLD DRIVE")));
    EXPECT_NE(paths.WorkFolder, folder);
    viewer.Reset();
    EXPECT_FALSE(WorkFilesLeft(folder));
    EXPECT_FALSE(fs::exists(paths.WorkFolder));
}

TEST_F(Win32RunTest, AnEmptyOutputOrAToolNotFoundIsExplainedNotShownAsSuccess) {
    const std::wstring folder = MakeToolFolder(kBase / L"empty", "mode=empty\r\n");
    Run();
    ExpectExplained(folder, L"没有输出任何内容");
    EXPECT_THAT(view.Result, HasSubstr(folder));
    EXPECT_EQ(view.Loads, 0);

    // PATHEXT without .EXE: the interpreter cannot find the tool that is there.
    {
        const EnvironmentVariable pathext(L"PATHEXT", L".COM;.BAT;.CMD");
        Run();
        ExpectExplained(folder, L"命令解释器找不到 nerocmd");
    }

    // The command interpreter still creates b.txt when the tool is not there at all.
    fs::remove(folder + L"nerocmd.exe");
    Run();
    ExpectExplained(folder, L"没有找到 nerocmd");
}

TEST_F(Win32RunTest, RegistryPathsAreTakenOnlyWhenTheyAreFullPaths) {
    const std::wstring folder = MakeToolFolder(kBase / L"slashes");
    SetInstallPath(L"C:/TindrelTests/slashes/nero.exe");
    Run();
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_EQ(paths.Folder, folder);

    // A relative path would resolve against whatever is current, here a folder that holds
    // the tool.
    ASSERT_TRUE(::SetCurrentDirectoryW(kBase.c_str()));
    SetInstallPath(L"slashes\\nero.exe");
    EXPECT_THROW(Run(), InstallationMissing);
    EXPECT_FALSE(WorkFilesLeft(folder));
}

TEST_F(Win32RunTest, AfterARunTheToolFolderIsNoLongerTheCurrentDirectory) {
    const std::wstring folder = MakeToolFolder(kBase / L"leave");
    ASSERT_TRUE(::SetCurrentDirectoryW(L"C:\\windows"));
    Run();
    EXPECT_TRUE(fs::equivalent(fs::current_path(), L"C:\\windows"));
    // The folder can be renamed, as an uninstaller would.
    EXPECT_TRUE(::MoveFileW(folder.c_str(), (kBase / L"left").c_str()));
    fs::remove_all(kBase / L"left");
}

TEST_F(Win32RunTest, AToolFolderTooLongForTheCommandInterpreterGetsAMessage) {
    // 249 characters with its backslash is one more than the tool's full name allows;
    // 300 is past what most calls take at all. Such folders are made through \\?\.
    for (const std::size_t length : {249u, 300u}) {
        SCOPED_TRACE(length);
        std::wstring folder = (kBase / L"long").wstring();
        while (folder.size() < length - 1) folder += folder.size() % 50 ? L'x' : L'\\';
        folder += L'\\';
        std::error_code ignored;
        fs::create_directories(L"\\\\?\\" + folder, ignored);
        SetInstallPath(folder + L"nero.exe");
        Run();
        EXPECT_EQ(view.Caption, L"测试未完成");
        EXPECT_THAT(view.Result, HasSubstr(L"路径太长（" + std::to_wstring(length) + L" 个字符）"));
        EXPECT_TRUE(view.ExitEnabled);
        EXPECT_FALSE(view.Busy);
        EXPECT_FALSE(fs::exists(L"\\\\?\\" + folder + L"run.bat"));
        fs::remove_all(L"\\\\?\\" + (kBase / L"long").wstring(), ignored);
    }
}

TEST_F(Win32RunTest, HowTheToolEndsAndWhatItSaysOnItsErrorOutputReachTheUser) {
    // Through the real interpreter: the tool's exit status, its error output, a prompt
    // for a key nobody can press, and a helper that keeps the output open after the tool
    // has ended (once the tool is done the result is due, and the helper is ended).
    const struct {
        const char* Settings;
        const wchar_t* Caption;
        std::vector<std::wstring> Shown;
    } cases[] = {
        {"mode=partial\r\nexit=5\r\n", L"测试未完成", {kListStart, L"退出代码为 5"}},
        {"mode=stderr\r\n", L"测试未完成", {L"没有找到刻录设备的驱动程序", L"只输出了错误信息"}},
        {"mode=prompt\r\n", L"测试完成", {kListEnd}},
        {"mode=child\r\n", L"测试完成", {kListEnd}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Settings);
        const std::wstring folder = MakeToolFolder(kBase / L"endings", c.Settings);
        Run();
        EXPECT_EQ(view.Caption, c.Caption);
        for (const std::wstring& shown : c.Shown) EXPECT_THAT(view.Result, HasSubstr(shown));
        EXPECT_FALSE(WorkFilesLeft(folder));
        EXPECT_FALSE(fs::exists(paths.ErrorFile));
        EXPECT_EQ(CountProcesses(L"nerocmd.exe"), 0);
    }

    // The same from the private folder, under a Chinese user name, for a Chinese tool
    // folder: the batch line holds ASCII only, whatever the console's code page.
    const fs::path temp = kBase / L"Users\\李明 김 Ő\\Temp";
    fs::create_directories(temp);
    const EnvironmentVariable tmp(L"TMP", temp.wstring());
    const EnvironmentVariable temp2(L"TEMP", temp.wstring());
    const std::wstring folder = MakeToolFolder(kBase / L"软件 endings", "mode=partial\r\nexit=5\r\n");
    WriteBytes(folder + L"b.txt", "CD-ROM 0: OLD\r\n");
    UniqueFile viewer = OpenAsViewer(folder + L"b.txt");
    ASSERT_TRUE(viewer);
    Run();
    viewer.Reset();
    EXPECT_EQ(paths.WorkFolder, (temp / L"Tindrel").wstring() + L"\\");
    EXPECT_EQ(paths.BatchLine,
              L"pushd \"%TINDREL_TOOL_FOLDER%\" && \"%TINDREL_TOOL_FOLDER%nerocmd\" --listdrives > \"%~dp0b.txt\"");
    EXPECT_EQ(view.Caption, L"测试未完成");
    EXPECT_THAT(view.Result, HasSubstr(kListStart));
    EXPECT_THAT(view.Result, HasSubstr(L"退出代码为 5"));
    EXPECT_FALSE(fs::exists(temp / L"Tindrel"));
}

TEST_F(Win32RunTest, AnOutputStillHeldWhenTheRunEndsIsLeftForTheNextRun) {
    // On Windows the interpreter's redirection lets nobody delete b.txt while a tool that
    // could not be ended holds it; a handle without delete sharing stands in for it here.
    const std::wstring folder = MakeToolFolder(kBase / L"held at the end");
    UniqueFile holder;
    view.OnLoad = [&](const std::wstring& path) {
        holder = UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    };
    Run();
    ASSERT_TRUE(holder);
    EXPECT_EQ(view.Caption, L"测试完成");
    EXPECT_TRUE(fs::exists(folder + L"b.txt"));
    EXPECT_NO_THROW(RemoveWorkFiles(paths, context));  // Exit and log-off

    view.OnLoad = nullptr;
    Run();
    EXPECT_EQ(view.Caption, L"测试完成");
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_NE(paths.WorkFolder, folder);
    holder.Reset();
    Run();
    EXPECT_EQ(paths.WorkFolder, folder);
    EXPECT_FALSE(WorkFilesLeft(folder));
}

TEST_F(Win32RunTest, ThePrivateFolderIsHadWhateverStateTheTemporaryFolderIsIn) {
    const std::wstring folder = MakeToolFolder(kBase / L"temp states", "mode=stderr\r\n");
    const fs::path temp = kBase / L"Users\\gone\\AppData\\Local\\Temp";
    std::error_code ignored;
    fs::remove_all(kBase / L"Users\\gone", ignored);
    const EnvironmentVariable tmp(L"TMP", temp.wstring());
    const EnvironmentVariable temp2(L"TEMP", temp.wstring());

    // A cleaner removed the temporary folder itself: it is made again, with the error output.
    Run();
    EXPECT_THAT(view.Result, HasSubstr(L"没有找到刻录设备的驱动程序"));
    EXPECT_TRUE(fs::is_directory(temp));
    EXPECT_FALSE(fs::exists(temp / L"Tindrel"));

    // A file where the private folder would be: another name.
    WriteBytes(temp / L"Tindrel", "not a folder");
    Run();
    EXPECT_THAT(view.Result, HasSubstr(L"没有找到刻录设备的驱动程序"));
    EXPECT_EQ(fs::path(paths.ErrorFile).parent_path(), temp / L"Tindrel.2");
    EXPECT_FALSE(fs::exists(temp / L"Tindrel.2"));
    EXPECT_EQ(ReadBytes(temp / L"Tindrel"), "not a folder");
    EXPECT_FALSE(WorkFilesLeft(folder));
}

// Under Wine a network share is a folder of the prefix's dosdevices\unc; empty elsewhere.
const std::wstring kShare = L"\\\\tindrel-tests\\share";
fs::path WineShareFolder() {
    wchar_t prefix[MAX_PATH];
    const DWORD size = ::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
    if (!tindrel::testing::UnderWine() || size == 0 || size >= MAX_PATH) return {};
    std::wstring local = L"Z:" + std::wstring(prefix, size) + L"/dosdevices/unc/tindrel-tests/share";
    std::replace(local.begin(), local.end(), L'/', L'\\');
    return local;
}

TEST_F(Win32RunTest, NetworkFoldersRunWhateverErrorlevelVariableTheUserHas) {
    // A private folder on a network path (a redirected profile's %TEMP%), where cmd.exe
    // cannot work, beside a local tool folder and then a network one, with a variable
    // named errorlevel in the program's environment, which the interpreter must not get.
    const fs::path local = WineShareFolder();
    if (local.empty()) GTEST_SKIP() << "needs Wine's dosdevices\\unc for a network path";
    std::error_code ignored;
    fs::remove_all(local, ignored);
    fs::create_directories(local / L"Users\\li\\Temp");
    const fs::path temp = fs::path(kShare) / L"Users\\li\\Temp";
    const EnvironmentVariable tmp(L"TMP", temp.wstring());
    const EnvironmentVariable temp2(L"TEMP", temp.wstring());
    const EnvironmentVariable errorlevel(L"errorlevel", L"5");
    const std::wstring folder = MakeToolFolder(kBase / L"beside a network temp");
    WriteBytes(folder + L"b.txt", "CD-ROM 0: OLD\r\n");
    UniqueFile viewer = OpenAsViewer(folder + L"b.txt");
    for (const std::wstring& tool : {folder, MakeToolFolder(fs::path(kShare) / L"软件\\Nero")}) {
        SCOPED_TRACE(fs::path(tool).string());
        SetInstallPath(tool + L"nero.exe");
        Run();
        EXPECT_EQ(view.Caption, L"测试完成");
        EXPECT_THAT(view.Result, HasSubstr(kListEnd));
        EXPECT_EQ(paths.WorkFolder, temp.wstring() + L"\\Tindrel\\");
        EXPECT_FALSE(fs::exists(temp / L"Tindrel"));
    }
    viewer.Reset();
    fs::remove_all(local.parent_path(), ignored);
}

// Run under en_US, where cmd.exe reads batch files in OEM 437 and the ANSI page is 1252.
TEST_F(Win32RunTest, WesternAccentedFolderRunsWhereAnsiAndOemDiffer) {
    ASSERT_NE(::GetOEMCP(), 1252u);
    const std::wstring folder = MakeToolFolder(kBase / L"Café\\Nero");
    Run();
    EXPECT_THAT(view.Result, HasSubstr(L"Image Recorder"));
    EXPECT_FALSE(WorkFilesLeft(folder));
}

}  // namespace
}  // namespace tindrel::win::testing
