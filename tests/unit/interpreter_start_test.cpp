#include "run/interpreter_start.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tindrel {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

const std::wstring kSystem = L"C:\\Windows\\system32";

TEST(InterpreterStartTest, ANetworkBatchFolderIsNamedByAVariableFromTheSystemFolder) {
    // cmd.exe cannot work in a network folder, where .\run.bat would not be found.
    const InterpreterStart local = PlanInterpreterStart(L"C:\\Nero\\run.bat", L"C:\\Nero\\", L"", kSystem);
    EXPECT_EQ(local.Arguments, L"/d /e:on /v:off /c .\\run.bat");
    EXPECT_EQ(local.WorkingFolder, L"C:\\Nero\\");

    const std::wstring batch = L"\\\\fs\\home\\李 a&b %x%\\Temp\\Tindrel\\run.bat";
    const InterpreterStart network = PlanInterpreterStart(batch, L"C:\\Nero\\", L"", kSystem);
    EXPECT_EQ(network.Arguments, L"/d /e:on /v:off /s /c \"\"%TINDREL_BATCH_FILE%\"\"");
    EXPECT_EQ(network.WorkingFolder, kSystem);
    EXPECT_EQ(network.Environment, L"TINDREL_BATCH_FILE=" + batch + L"\0TINDREL_TOOL_FOLDER=C:\\Nero\\\0\0"s);
}

TEST(InterpreterStartTest, TheEnvironmentLosesEveryErrorlevelAndCarriesTheToolFolderWhereItSorts) {
    // %ERRORLEVEL% would expand to such a variable instead of the tool's status; the rest,
    // the per-drive folders included, stays as it was. An old tool folder variable goes.
    const std::wstring_view parent =
        L"=C:=C:\\x\0=D:=D:\\\0ALLUSERSPROFILE=C:\\ProgramData\0ERRORLEVEL=5\0errorlevel=7\0ErrorLevelX=1\0"
        L"Path=C:\\Windows;a=b\0tindrel_tool_folder=old\0windir=C:\\Windows\0\0"sv;
    EXPECT_EQ(PlanInterpreterStart(L"C:\\Nero\\run.bat", L"D:\\软件\\Nero\\", parent, kSystem).Environment,
              L"=C:=C:\\x\0=D:=D:\\\0ALLUSERSPROFILE=C:\\ProgramData\0ErrorLevelX=1\0Path=C:\\Windows;a=b\0"
              L"TINDREL_TOOL_FOLDER=D:\\软件\\Nero\\\0windir=C:\\Windows\0\0"sv);
    // Without its final NUL.
    EXPECT_EQ(PlanInterpreterStart(L"C:\\Nero\\run.bat", L"C:\\Nero\\", L"A=1\0ErrorLevel=0"sv, kSystem).Environment,
              L"A=1\0TINDREL_TOOL_FOLDER=C:\\Nero\\\0\0"sv);
}

class FakeDrives final : public NetworkDrives {
public:
    std::vector<Mapping> SessionMappings() override {
        ++Lists;
        return Mappings;
    }
    void Unmap(const std::wstring& drive) override { Unmapped.push_back(drive); }

    std::vector<Mapping> Mappings;
    std::vector<std::wstring> Unmapped;
    int Lists = 0;
};

TEST(InterpreterStartTest, AStoppedBatchLosesOnlyTheLetterItsPushdMapped) {
    EXPECT_EQ(NetworkShareOf(L"\\\\server\\apps\\Nero\\"), L"\\\\server\\apps");
    EXPECT_EQ(NetworkShareOf(L"\\\\server\\apps\\"), L"\\\\server\\apps");
    EXPECT_EQ(NetworkShareOf(L"C:\\Nero\\"), L"");

    // The user's own letters, one of them for the same share, are there at the start;
    // pushd then maps Z:, and the user maps W: to another share meanwhile.
    FakeDrives drives;
    drives.Mappings = {{L"X:", L"\\\\server\\apps"}, {L"Y:", L"\\\\other\\docs"}};
    PushdDrives pushd(&drives, L"\\\\server\\apps\\Nero\\");
    drives.Mappings.push_back({L"Z:", L"\\\\SERVER\\Apps"});
    drives.Mappings.push_back({L"W:", L"\\\\other\\docs"});
    pushd.RemoveNew();
    EXPECT_EQ(drives.Unmapped, std::vector<std::wstring>{L"Z:"});
    // Once only: a letter mapped later is not this batch's.
    drives.Mappings.push_back({L"V:", L"\\\\server\\apps"});
    pushd.RemoveNew();
    EXPECT_EQ(drives.Unmapped.size(), 1u);

    // A local tool folder maps nothing, and nothing is listed.
    FakeDrives untouched;
    PushdDrives local(&untouched, L"C:\\Nero\\");
    local.RemoveNew();
    EXPECT_EQ(untouched.Lists, 0);
}

}  // namespace
}  // namespace tindrel
