// Failures are reported with what failed, on what, the error number, the system's own
// text for it and the place in the program that raised them; one that leaves a window
// procedure gets the fatal report and ends the program.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "run/win/file_system_win.h"
#include "win/fatal_error_report.h"
#include "win/unique_handle.h"
#include "win/win32_error.h"

namespace tindrel::win {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

TEST(Win32ErrorTest, AFailedCallBecomesOneReportNamingEverything) {
    Win32FileSystem files;
    try {
        files.TryWriteFile(L"C:\\no such folder\\run.bat", "x");
        FAIL() << "expected a failure";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Code, static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(error.Subject, L"C:\\no such folder\\run.bat");
        EXPECT_FALSE(error.Description.empty());
        EXPECT_NE(error.Description.back(), L'\n') << "FormatMessage's line break is trimmed";
        const std::wstring report = error.Report();
        EXPECT_THAT(report, HasSubstr(error.Operation));
        EXPECT_THAT(report, HasSubstr(L"C:\\no such folder\\run.bat"));
        EXPECT_THAT(report, HasSubstr(L"\r\n错误号：3\r\n"));
        EXPECT_THAT(report, HasSubstr(error.Description));
        EXPECT_THAT(report, HasSubstr(L"file_system_win.cpp:"));
    }
}

// The caller's line, not the helper's, and the file's name alone: a release build holds
// no build folder, and a report stays short.
TEST(Win32ErrorTest, AnErrorNamesTheFileAndLineThatRaisedIt) {
    const std::wstring here = L"win32_error_test.cpp:" + std::to_wstring(__LINE__ + 3);
    try {
        ::SetLastError(ERROR_ACCESS_DENIED);
        ThrowLastError(L"打开", L"C:\\x");
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Where(), here);
        EXPECT_THAT(error.Report(), HasSubstr(L"\r\n位置：" + here));
        EXPECT_THAT(error.what(), HasSubstr(std::string(here.begin(), here.end())));
    }
    const std::wstring made = L"win32_error_test.cpp:" + std::to_wstring(__LINE__ + 1);
    EXPECT_EQ(MakeSystemError(L"读取", L"", ERROR_HANDLE_EOF).Where(), made);
    const std::wstring status = L"win32_error_test.cpp:" + std::to_wstring(__LINE__ + 2);
    try {
        ThrowStatus(ERROR_FILE_NOT_FOUND, L"打开注册表项");
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Where(), status);
    }
}

TEST(Win32ErrorTest, OnlyTransientDeleteFailuresAreLeftToRetry) {
    // A delete never ends the program: a file that is gone, folder and all, is deleted;
    // one held open is worth another try; one that cannot go for any other reason stays.
    Win32FileSystem files;
    EXPECT_EQ(files.TryDeleteFile(L"C:\\windows\\temp\\tindrel-never-there.txt"), DeleteResult::Deleted);
    EXPECT_EQ(files.TryDeleteFile(L"C:\\no such folder\\b.txt"), DeleteResult::Deleted);
    EXPECT_EQ(files.TryDeleteFile(L"C:\\windows\\temp\\a|b<c>.txt"), DeleteResult::Stays);

    const std::wstring held = L"C:\\windows\\temp\\tindrel-held.txt";
    UniqueFile holder(::CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(files.TryDeleteFile(held), DeleteResult::Held);
    holder.Reset();
    EXPECT_EQ(files.TryDeleteFile(held), DeleteResult::Deleted);

    // A read-only file is refused with access denied, as a pending deletion is, but no
    // holder will ever let it go.
    const std::wstring readOnly = L"C:\\windows\\temp\\tindrel-read-only.txt";
    UniqueFile(::CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)).Reset();
    ASSERT_TRUE(::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(files.TryDeleteFile(readOnly), DeleteResult::Stays);
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(files.TryDeleteFile(readOnly), DeleteResult::Deleted);
}

// A window whose procedure fails on one message, as the results box's timer tick would
// where memory ran out.
constexpr UINT kFailingMessage = WM_APP + 1;
constexpr UINT kHandledMessage = WM_APP + 2;

LRESULT CALLBACK FailingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return GuardMessage([&]() -> LRESULT {
        if (message == kFailingMessage) ThrowStatus(ERROR_NOT_ENOUGH_MEMORY, L"分段显示结果");
        if (message == kHandledMessage) return 42;
        return ::DefWindowProcW(window, message, wParam, lParam);
    });
}

HWND CreateFailingWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &FailingProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TindrelFailingWindow";
    ::RegisterClassW(&windowClass);
    return ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
}

// In the process that fails: the report's text goes to the error output, where the death
// test reads it, and the report is dismissed as a user would, or left up while `failAgain`
// gets a message that fails. A report that never comes, or a process still there a minute
// after that message, ends the process with a code of its own.
constexpr UINT kNoReport = 3;
void PassOnTheReportAndDismissIt(HWND failAgain = nullptr) {
    std::thread([failAgain] {
        for (int waited = 0; waited < 60000; waited += 20) {
            const HWND report = ::FindWindowW(L"#32770", L"Tindrel");
            DWORD process = 0;
            if (report) ::GetWindowThreadProcessId(report, &process);
            if (process == ::GetCurrentProcessId()) {
                const HWND text = ::GetDlgItem(report, 0xFFFF);
                std::wstring shown(static_cast<size_t>(::GetWindowTextLengthW(text)) + 1, L'\0');
                shown.resize(static_cast<size_t>(::GetWindowTextW(text, shown.data(), static_cast<int>(shown.size()))));
                std::string bytes(shown.size() * 3, '\0');
                const int length = ::WideCharToMultiByte(CP_UTF8, 0, shown.data(), static_cast<int>(shown.size()),
                                                         bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
                bytes.resize(static_cast<size_t>(length));
                std::fputs(bytes.c_str(), stderr);
                std::fflush(stderr);
                if (!failAgain) {
                    ::PostMessageW(report, WM_COMMAND, IDOK, 0);
                    return;
                }
                ::PostMessageW(failAgain, kFailingMessage, 0, 0);
                ::Sleep(60000);
                break;
            }
            ::Sleep(20);
        }
        ::ExitProcess(kNoReport);
    }).detach();
}

TEST(GuardMessageTest, AFailureInAWindowProcedureIsReportedAndEndsTheProgram) {
    const HWND window = CreateFailingWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(::SendMessageW(window, kHandledMessage, 0, 0), 42);
    // Swallowed, the failure would let the window go on; let through, it would unwind
    // through Windows' code. Either way the process would not end with the report's code.
    EXPECT_EXIT(
        {
            PassOnTheReportAndDismissIt();
            ::SendMessageW(CreateFailingWindow(), kFailingMessage, 0, 0);
            std::fputs("the window went on after the failure", stderr);
        },
        ::testing::ExitedWithCode(2),
        AllOf(HasSubstr("程序遇到无法处理的错误"), HasSubstr("操作失败：分段显示结果"), HasSubstr("位置：win32_error_test.cpp:")));
    ::DestroyWindow(window);

    // A failure while the report is up (the load timer ticks in its message loop) ends
    // the program at once, with the first report still unanswered.
    EXPECT_EXIT(
        {
            const HWND failing = CreateFailingWindow();
            PassOnTheReportAndDismissIt(failing);
            ::SendMessageW(failing, kFailingMessage, 0, 0);
        },
        ::testing::ExitedWithCode(2), HasSubstr("分段显示结果"));
}

}  // namespace
}  // namespace tindrel::win
