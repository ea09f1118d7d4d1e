// Failures are reported with what failed, on what, the error number and the system's
// own text for it.

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
    }
}

TEST(Win32ErrorTest, OnlyTransientDeleteFailuresAreLeftToRetry) {
    Win32FileSystem files;
    EXPECT_FALSE(files.TryDeleteFile(L"C:\\windows\\temp\\tindrel-never-there.txt").has_value());
    EXPECT_THROW(files.TryDeleteFile(L"C:\\no such folder\\b.txt"), SystemError);
}

}  // namespace
}  // namespace tindrel::win
