// A DLL named like a system DLL, placed beside tindrel.exe as in a downloads folder, is
// never loaded: the real program is copied into a fresh folder next to planted DLLs that
// leave a marker file when anything loads them, started from there and used.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/support/test_support.h"
#include "tools/driver/app_driver.h"
#include "tools/driver/simulated_install.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;

// RichEdit and the DLL it loads; what common controls and windows load for themes and
// composition; and the version reader.
const wchar_t* const kPlantedDlls[] = {L"msftedit.dll", L"riched20.dll", L"uxtheme.dll", L"version.dll", L"dwmapi.dll"};

class PlantedDllTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / L"tindrel-downloads";
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::copy_file(testing::OwnFolder() / L"tindrel.exe", folder_ / L"tindrel.exe");
        for (const wchar_t* name : kPlantedDlls) fs::copy_file(testing::OwnFolder() / L"planted" / name, folder_ / name);
        // Started from Explorer, the program's folder is also the current one.
        saved_ = fs::current_path();
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(saved_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::vector<std::string> Markers() const {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
            if (entry.path().extension() == L".loaded") found.push_back(entry.path().filename().string());
        }
        return found;
    }

    fs::path folder_;
    fs::path saved_;
};

// Without this, a marker that can never appear would pass the test below. Loaded under
// other names: this process has Wine's own DLLs of these names loaded already.
TEST_F(PlantedDllTest, EveryPlantedDllLeavesAMarkerWhenLoaded) {
    for (const wchar_t* name : kPlantedDlls) {
        const fs::path renamed = folder_ / (std::wstring(L"check-") + name);
        fs::copy_file(folder_ / name, renamed);
        const HMODULE dll = ::LoadLibraryW(renamed.c_str());
        EXPECT_TRUE(dll) << renamed.string();
        if (dll) ::FreeLibrary(dll);
    }
    EXPECT_EQ(Markers().size(), std::size(kPlantedDlls)) << ::testing::PrintToString(Markers());
}

TEST_F(PlantedDllTest, NoDllBesideTheProgramIsLoadedFromStartThroughAboutToExit) {
    // Wine loads its own DLL for most of these names whatever the folder; asked to prefer
    // DLLs from files, as Windows always does, it loads any planted one it is pointed to.
    wchar_t inherited[512] = {};
    ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", inherited, 512);
    std::wstring overrides = L"msftedit,riched20,uxtheme,version,dwmapi=n,b";
    if (inherited[0]) overrides = std::wstring(inherited) + L";" + overrides;
    ::SetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides.c_str());
    {
        RunningApp app((folder_ / L"tindrel.exe").c_str(), TINDREL_FORM1_CLASS);
        EXPECT_TRUE(app.MainWindow()) << "the program did not show its window";
        if (app.MainWindow()) {
            app.Click(IDC_COMMAND2);
            HWND about = nullptr;
            EXPECT_TRUE(WaitUntil([&] { return (about = app.FindWindowOf(TINDREL_ABOUT_CLASS)) != nullptr; }, kPromptly));
            if (about) ::PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
            EXPECT_TRUE(WaitUntil([&] { return app.FindWindowOf(TINDREL_ABOUT_CLASS) == nullptr; }, kPromptly));
            app.Click(IDC_COMMAND3);
            DWORD code = 99;
            EXPECT_TRUE(app.WaitForExit(kPromptly, &code));
            EXPECT_EQ(code, 0u);
        }
    }
    ::SetEnvironmentVariableW(L"WINEDLLOVERRIDES", inherited[0] ? inherited : nullptr);
    EXPECT_THAT(Markers(), IsEmpty()) << "a planted DLL was loaded";
}

}  // namespace
}  // namespace tindrel::e2e
