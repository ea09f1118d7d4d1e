// The real tindrel.exe where real users differ from the test machine: a tool folder a
// standard user may not write to, a tool that fails or is missing, an old output that
// another program holds, a registry path that is not a full path.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "resources/resource_ids.h"
#include "tests/support/environment.h"
#include "tests/support/locked_folder.h"
#include "tools/driver/app_driver.h"
#include "tools/driver/simulated_install.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path kBase = L"C:\\TindrelE2E";
const std::wstring kListEnd = L"扫描完成。";

// Points TMP and TEMP, and so the program's private work folder, at `folder`.
class TempFolder {
public:
    explicit TempFolder(const fs::path& folder) {
        fs::create_directories(folder);
        for (const wchar_t* name : {L"TMP", L"TEMP"}) {
            wchar_t old[32768];
            const DWORD length = ::GetEnvironmentVariableW(name, old, 32768);
            saved_.emplace_back(name, length ? std::optional<std::wstring>(std::wstring(old, length)) : std::nullopt);
            ::SetEnvironmentVariableW(name, folder.c_str());
        }
    }
    ~TempFolder() {
        for (const auto& [name, value] : saved_) ::SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

private:
    std::vector<std::pair<const wchar_t*, std::optional<std::wstring>>> saved_;
};

// The simulated tool prints its drive list in Chinese, in the ANSI code page.
class RunEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override { TINDREL_REQUIRE_ANSI_CODE_PAGE(936u, "zh_CN.UTF-8"); }
};

std::wstring RunAndWait(RunningApp& app) {
    app.Click(IDC_COMMAND1);
    EXPECT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    EXPECT_TRUE(WaitUntil([&] { return app.Caption() != L"正在测试..."; }, kRunEnds));
    return app.Text(IDC_RICHTEXTBOX1);
}

TEST_F(RunEndToEndTest, AStandardUsersRunUnderProgramFilesShowsTheDriveList) {
    const SimulatedInstall install(kBase / L"Program Files (x86)\\Ahead\\Nero");
    const fs::path temp = kBase / L"Users\\王 a&b %PATH% !x! ^(y)\\AppData\\Local\\Temp";
    const TempFolder tempFolder(temp);
    const tindrel::testing::LockedFolder locked(install.Folder());
    if (!locked.Refuses()) GTEST_SKIP() << "chattr +i is not available here, so no folder refuses new files";

    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(app.WaitForCaption(L"正在测试...", kPromptly));
    EXPECT_TRUE(fs::exists(temp / L"Tindrel\\run.bat"));
    ASSERT_TRUE(app.WaitForCaption(L"测试完成", kRunEnds));
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(kListEnd));
    EXPECT_FALSE(install.WorkFilesLeft());
    EXPECT_FALSE(fs::exists(temp / L"Tindrel"));
    for (const fs::path& place : {temp, temp.parent_path(), kBase / L"Users"}) EXPECT_FALSE(fs::exists(place / L"canary"));
    app.Click(IDC_COMMAND3);
    DWORD code = 99;
    ASSERT_TRUE(app.WaitForExit(kPromptly, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(RunEndToEndTest, WhatTheToolDidIsWhatTheUserReads) {
    // One program through three runs: a failed scan is explained with what the tool
    // printed and its status; the next run shows its own list though last week's output
    // is held open by a viewer; a tool gone from its folder is explained. How each ending
    // of the tool is told (error output, prompts, helpers, PATHEXT, no output) is in the
    // Win32 tests, through the same run.
    const SimulatedInstall install(kBase / L"Nero endings", "mode=partial\nexit=5\n");
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    std::wstring text = RunAndWait(app);
    EXPECT_EQ(app.Caption(), L"测试未完成");
    EXPECT_THAT(text, HasSubstr(L"找到 2 台刻录设备"));
    EXPECT_THAT(text, HasSubstr(L"退出代码为 5"));
    EXPECT_TRUE(app.Enabled(IDC_COMMAND3));
    EXPECT_FALSE(install.WorkFilesLeft());

    install.Configure("mode=list\n");
    std::ofstream(install.Folder() / L"b.txt") << "CD-ROM 0: OLD DRIVE FROM LAST WEEK\n";
    const HANDLE viewer = ::CreateFileW((install.Folder() / L"b.txt").c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    text = RunAndWait(app);
    ::CloseHandle(viewer);
    EXPECT_EQ(app.Caption(), L"测试完成");
    EXPECT_THAT(text, HasSubstr(kListEnd));
    EXPECT_THAT(text, Not(HasSubstr(L"OLD DRIVE")));
    EXPECT_FALSE(install.WorkFilesLeft());

    fs::remove(install.Folder() / L"nerocmd.exe");
    text = RunAndWait(app);
    EXPECT_EQ(app.Caption(), L"测试未完成");
    EXPECT_THAT(text, HasSubstr(L"没有找到 nerocmd"));
    EXPECT_THAT(text, HasSubstr(install.Folder().wstring()));
    EXPECT_FALSE(install.WorkFilesLeft());
    app.Click(IDC_COMMAND3);
    EXPECT_TRUE(app.WaitForExit(kPromptly));
}

TEST_F(RunEndToEndTest, ARelativeRegistryPathIsNoInstallation) {
    const SimulatedInstall install(kBase / L"Nero relative");
    install.SetEntry(L"Nero relative\\nero.exe");
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    app.Click(IDC_COMMAND1);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = app.FindWindowOf(L"#32770", L"错误")) != nullptr; }, kPromptly));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitForExit(kPromptly, &code));
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(install.WorkFilesLeft());
}

}  // namespace
}  // namespace tindrel::e2e
