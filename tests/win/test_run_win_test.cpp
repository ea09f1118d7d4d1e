// The test run on the real Win32 platform under Wine: real registry, files, cmd.exe and
// the simulated drive lister.

#include "tests/win/run_fixture.h"

#include <tlhelp32.h>

#include <chrono>

namespace tindrel::win::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

const fs::path kBase = L"C:\\TindrelTests";
const std::wstring kListStart = L"找到 2 台刻录设备";
const std::wstring kListEnd = L"扫描完成。";

int CountProcesses(const wchar_t* name) {
    const UniqueHandle<FileHandleTraits> snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, name) == 0) ++count;
    }
    return count;
}

class Win32RunTest : public RunFixture {};

TEST_F(Win32RunTest, ARealRunTakesTwelveSecondsAndLeavesNothingBehind) {
    const std::wstring folder = MakeToolFolder(kBase / L"Nero");
    context.CycleLength = 6s;
    std::string batch;
    DelayedAction captureBatch(1000, [&] { batch = ReadBytes(folder + L"run.bat"); });

    const auto start = std::chrono::steady_clock::now();
    Run();
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_GE(elapsed, 12s);
    EXPECT_LT(elapsed, 13s);
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
        for (const fs::path& place : {folder, folder.parent_path(), kBase / L"hostile", fs::current_path()}) {
            EXPECT_FALSE(fs::exists(place / L"canary")) << place.string();
        }
    }
}

TEST_F(Win32RunTest, AFolderOnAnotherDriveIsTheToolsWorkingDirectory) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);  // under Wine this is on C:, so use Z: (the Unix root)
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
    context.CycleLength = 100ms;
    Run();
    EXPECT_EQ(view.Caption, L"测试未完成");
    EXPECT_THAT(view.Result, HasSubstr(L"开始测试"));
    EXPECT_TRUE(view.ExitEnabled);
    EXPECT_FALSE(view.Busy);
    EXPECT_FALSE(WorkFilesLeft(folder));
    EXPECT_EQ(CountProcesses(L"nerocmd.exe"), 0);
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

TEST_F(Win32RunTest, FiftyPressesInARowShowTheLastResult) {
    const std::wstring folder = MakeToolFolder(kBase / L"fifty", "delay=200\r\n");
    int presses = 1;
    std::function<void()> press;
    std::vector<std::unique_ptr<DelayedAction>> pending;
    press = [&] {
        if (++presses < 50) pending.push_back(std::make_unique<DelayedAction>(40, press));
        Run();
    };
    pending.push_back(std::make_unique<DelayedAction>(40, press));
    Run();
    EXPECT_EQ(presses, 50);
    EXPECT_EQ(view.Caption, L"测试完成");
    EXPECT_THAT(view.Result, HasSubstr(kListEnd));
    EXPECT_FALSE(WorkFilesLeft(folder));
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

// Run under en_US, where cmd.exe reads batch files in OEM 437 and the ANSI page is 1252.
TEST_F(Win32RunTest, WesternAccentedFolderRunsWhereAnsiAndOemDiffer) {
    ASSERT_EQ(::GetACP(), 1252u) << "run with LANG=en_US.UTF-8";
    ASSERT_NE(::GetOEMCP(), 1252u);
    const std::wstring folder = MakeToolFolder(kBase / L"Café\\Nero");
    Run();
    EXPECT_THAT(view.Result, HasSubstr(L"Image Recorder"));
    EXPECT_FALSE(WorkFilesLeft(folder));
}

}  // namespace
}  // namespace tindrel::win::testing
