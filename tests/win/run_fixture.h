#pragma once
// What the Win32 run tests share: a tool folder holding the simulated drive lister, the
// installation entry pointing at it, the real Win32 platform, and a view that records.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "run/diagnostic_run.h"
#include "run/install_entry.h"
#include "run/run_context.h"
#include "run/steady_clock.h"
#include "run/win/batch_encoding_win.h"
#include "run/win/event_pump_win.h"
#include "run/win/file_system_win.h"
#include "run/win/registry_win.h"
#include "run/win/tool_launcher_win.h"
#include "run/work_files.h"
#include "tests/support/environment.h"
#include "tests/support/test_support.h"
#include "win/code_page.h"
#include "win/com_ptr.h"
#include "win/unique_handle.h"

namespace tindrel::win::testing {

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Opens a file as a viewer or virus scanner does that lets others delete it: its name
// stays taken until the handle goes.
inline UniqueFile OpenAsViewer(const std::wstring& path) {
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
}

struct InstallationMissing {};

class ThrowingNotice final : public InstallationNotice {
public:
    [[noreturn]] void ReportMissingInstallation() override { throw InstallationMissing{}; }
};

class RecordingView final : public RunView {
public:
    void SetCaption(const std::wstring& Text) override { Caption = Text; }
    void SetResultText(const std::wstring& Text) override { Result = Text; }
    std::optional<SystemError> LoadResultFile(const std::wstring& Path) override {
        Result = FromCodePage(CP_ACP, ReadBytes(fs::path(Path)));
        ++Loads;
        if (OnLoad) OnLoad(Path);
        return std::nullopt;
    }
    void SetResultPointer(bool busy) override { Busy = busy; }
    void SetExitEnabled(bool enabled) override { ExitEnabled = enabled; }

    std::wstring Caption;
    std::wstring Result;
    bool Busy = false;
    bool ExitEnabled = true;
    int Loads = 0;
    std::function<void(const std::wstring&)> OnLoad;
};

// Calls `action` once, `delay` after it is armed, from the message loop: a button press
// arriving while a run waits.
class DelayedAction {
public:
    DelayedAction(UINT delay, std::function<void()> action) : action_(std::move(action)) {
        window_ = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::SetTimer(window_, 1, delay, &DelayedAction::OnTimer);
    }
    ~DelayedAction() { ::DestroyWindow(window_); }
    DelayedAction(const DelayedAction&) = delete;
    DelayedAction& operator=(const DelayedAction&) = delete;

private:
    static void CALLBACK OnTimer(HWND window, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(window, id);
        reinterpret_cast<DelayedAction*>(::GetWindowLongPtrW(window, GWLP_USERDATA))->action_();
    }
    HWND window_;
    std::function<void()> action_;
};

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // The simulated tool prints Chinese in the ANSI code page; the tests read it back.
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (name.find("Western") != std::string::npos) {
            TINDREL_REQUIRE_ANSI_CODE_PAGE(1252u, "en_US.UTF-8");
        } else {
            TINDREL_REQUIRE_ANSI_CODE_PAGE(936u, "zh_CN.UTF-8");
        }
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kInstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    installKey_.Put(), nullptr),
                  ERROR_SUCCESS);
        // Short cycles, and up to 30 s for a run's tool: on a loaded machine the command
        // interpreter alone can take seconds to start.
        context.CycleLength = Milliseconds{300};
        context.MaximumCycles = 100;
    }
    void TearDown() override {
        context.Tool.reset();
        ::RegDeleteValueW(installKey_.Get(), kInstallValue);
        std::error_code ignored;
        for (const auto& folder : made_) fs::remove_all(folder, ignored);
    }

    // A fresh tool folder holding the simulated tool with the given settings, named in
    // the installation entry. Returns it with its trailing backslash.
    std::wstring MakeToolFolder(const fs::path& folder, const std::string& settings = "") {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        fs::create_directories(folder);
        made_.push_back(folder);
        fs::copy_file(tindrel::testing::OwnFolder() / L"nerocmd.exe", folder / L"nerocmd.exe");
        WriteBytes(folder / L"nerocmd.cfg", settings);
        std::wstring withSlash = folder.wstring();
        if (withSlash.back() != L'\\') withSlash += L'\\';
        SetInstallPath(withSlash + L"nero.exe");
        return withSlash;
    }
    void SetInstallPath(const std::wstring& path) {
        ASSERT_EQ(::RegSetValueExW(installKey_.Get(), kInstallValue, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(path.c_str()),
                                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    void Run() { StartTestRun(paths, view, context); }

    static bool WorkFilesLeft(const std::wstring& folder) { return tindrel::testing::WorkFilesLeft(folder); }
    static std::string ToolLog(const std::wstring& folder) { return ReadBytes(folder + L"nerocmd.log"); }

    ComApartment com;
    Win32Registry registry;
    Win32FileSystem files;
    OemBatchEncoding encoding;
    JobToolLauncher launcher;
    SteadyClock clock;
    Win32EventPump pump{clock};
    ThrowingNotice notice;
    RunContext context{registry, files, encoding, launcher, clock, pump, notice};
    ToolPaths paths;
    RecordingView view;

private:
    UniqueHkey installKey_;
    std::vector<fs::path> made_;
};

}  // namespace tindrel::win::testing
