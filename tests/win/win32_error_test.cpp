// Failures are reported with what failed, on what, the error number and the system's
// own text for it.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "run/win/file_system_win.h"
#include "run/win/unique_handle.h"
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
}

}  // namespace
}  // namespace tindrel::win
