// Failures are reported with what failed, on what, the error number, the system's own
// text for it and the place in the program that raised them.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "run/win/file_system_win.h"
#include "run/win/win32_error.h"

namespace tindrel::win {
namespace {

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
        EXPECT_THAT(report, HasSubstr(L"3"));
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
    Win32FileSystem files;
    EXPECT_FALSE(files.TryDeleteFile(L"C:\\windows\\temp\\tindrel-never-there.txt").has_value());
    EXPECT_THROW(files.TryDeleteFile(L"C:\\no such folder\\b.txt"), SystemError);
}

}  // namespace
}  // namespace tindrel::win
