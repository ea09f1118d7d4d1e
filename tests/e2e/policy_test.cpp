// The user's "Prevent access to the command prompt" policy with scripts (DisableCMD = 1)
// on a real Windows, whose cmd.exe obeys it as Wine's never does: CI's policy job sets the
// value for these tests alone and removes it again; elsewhere they skip.

#include <windows.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "tests/e2e/e2e_fixture.h"
#include "win/unique_handle.h"

namespace tindrel::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using win::UniqueFile;
using win::UniqueHandleKernel;

bool BatchFilesDisabledByPolicy() {
    DWORD value = 0;
    DWORD size = sizeof value;
    return ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Policies\\Microsoft\\Windows\\System", L"DisableCMD",
                          RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
           value == 1;
}

std::string FileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// No code page is needed: the tool never runs, and the window's texts are read as Unicode.
class PolicyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing::UnderWine()) GTEST_SKIP() << "Wine's cmd.exe ignores the DisableCMD policy";
        if (!BatchFilesDisabledByPolicy()) {
            GTEST_SKIP() << "needs the user's DisableCMD policy value 1 (HKCU\\Software\\Policies\\Microsoft\\"
                            "Windows\\System), which CI's policy job sets";
        }
        ::SetProcessDPIAware();
        install_.emplace(kToolFolder);
    }

    std::optional<SimulatedInstall> install_;
};

// What the older-Windows answers (kBatchFilesRefused) make of cmd.exe under this policy,
// held against Windows' own: started as the program starts it, it refuses the batch file,
// says so on its standard output and ends with 0.
TEST_F(PolicyTest, WindowsOwnInterpreterRefusesTheBatchFileAsTheSuiteSimulatesIt) {
    const fs::path folder = kToolFolder / L"policy";
    fs::create_directories(folder);
    std::ofstream(folder / L"run.bat", std::ios::binary) << "echo ran> ran.txt\r\n";

    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const auto open = [&](const fs::path& file, DWORD access, DWORD disposition) {
        return UniqueFile(::CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                        disposition, 0, nullptr));
    };
    const UniqueFile input = open(L"NUL", GENERIC_READ, OPEN_EXISTING);
    const UniqueFile output = open(folder / L"stdout.txt", GENERIC_WRITE, CREATE_ALWAYS);
    const UniqueFile errors = open(folder / L"stderr.txt", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_TRUE(input && output && errors);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = output.Get();
    startup.hStdError = errors.Get();
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    std::wstring commandLine = L"cmd.exe /d /e:on /v:off /c .\\run.bat";
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(::CreateProcessW((fs::path(system) / L"cmd.exe").c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                 CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup, &started));
    const UniqueHandleKernel process(started.hProcess);
    const UniqueHandleKernel thread(started.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
    DWORD status = 99;
    ::GetExitCodeProcess(process.Get(), &status);

    EXPECT_FALSE(fs::exists(folder / L"ran.txt")) << "the batch file ran";
    EXPECT_EQ(status, 0u);
    EXPECT_FALSE(FileText(folder / L"stdout.txt").empty()) << "cmd.exe said nothing on its standard output";
    EXPECT_EQ(FileText(folder / L"stderr.txt"), "");
    std::cout << "cmd.exe ended with " << status << "; its standard output, in the OEM code page: "
              << FileText(folder / L"stdout.txt") << "\n";
}

// The program reads the value before it writes anything, and explains it.
TEST_F(PolicyTest, TheProgramExplainsThePolicyStartsNothingAndStaysUsable) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    app.Click(IDC_COMMAND1);
    ASSERT_TRUE(WaitUntil([&] { return app.Caption() == L"测试未完成"; }, kPromptly));
    EXPECT_THAT(app.Text(IDC_RICHTEXTBOX1), HasSubstr(L"DisableCMD 为 1"));
    EXPECT_EQ(install_->ToolStarts(), 0);
    EXPECT_FALSE(WorkFilesLeft());

    ASSERT_TRUE(WaitUntil([&] { return app.Enabled(IDC_COMMAND3); }, kPromptly));
    app.Click(IDC_COMMAND3);
    DWORD code = 99;
    ASSERT_TRUE(app.WaitForExit(kPromptly, &code));
    EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace tindrel::e2e
