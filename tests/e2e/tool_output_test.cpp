// The tool's output as the results box shows it: text with a byte-order mark is decoded
// by that mark, the mark itself not shown.

#include <fstream>

#include "tests/e2e/e2e_fixture.h"

namespace tindrel::e2e {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

TEST_F(EndToEndTest, UnicodeOutputWithAByteOrderMarkIsShownAsItsText) {
    RunningApp app;
    ASSERT_TRUE(app.MainWindow());
    for (const char* mode : {"utf16", "utf8bom"}) {
        SCOPED_TRACE(mode);
        Install().Configure(std::string("mode=") + mode + "\n");
        app.Click(IDC_COMMAND1);
        ASSERT_TRUE(app.WaitForCaption(L"正在测试...", 5s));
        ASSERT_TRUE(app.WaitForCaption(L"测试完成", 20s));
        const std::wstring shown = app.Text(IDC_RICHTEXTBOX1);
        EXPECT_THAT(shown, StartsWith(L"找到 2 台刻录设备："));
        EXPECT_THAT(shown, HasSubstr(L"驱动器 1：D: HL-DT-ST DVDRAM GH24NSD1（DVD±R/RW，CD-R/RW）"));
        EXPECT_THAT(shown, HasSubstr(L"驱动器 2：Image Recorder 映像刻录机（写入映像文件）"));
        EXPECT_THAT(shown, EndsWith(L"扫描完成。\r\n"));
        EXPECT_THAT(shown, Not(HasSubstr(L"\xFEFF")));
        EXPECT_FALSE(WorkFilesLeft());
    }
}

}  // namespace
}  // namespace tindrel::e2e
