#include "run/locate_tool.h"

#include <gtest/gtest.h>

#include "tests/unit/fake_platform.h"

namespace tindrel::testing {
namespace {

const std::string kValue = FakeWorld::InstallValue();

struct Case {
    const char* Stored;
    bool Passes;
    const wchar_t* Folder;
};

TEST(LocateToolTest, TheLastEightCharactersDecideIgnoringAsciiCase) {
    const Case cases[] = {
        {"C:\\Nero\\nero.exe", true, L"C:\\Nero\\"},
        {"C:\\Nero\\NERO.EXE", true, L"C:\\Nero\\"},
        {"C:\\Nero\\Nero.Exe", true, L"C:\\Nero\\"},
        {"c:\\Program Files\\Ahead\\Nero\\nero.exe", true, L"c:\\Program Files\\Ahead\\Nero\\"},
        {" C:\\Nero \\nero.exe", true, L" C:\\Nero \\"},  // taken exactly as stored
        {"nero.exe", true, L""},
        {"C:\\Nero\\mynero.exe", true, L"C:\\Nero\\my"},
        {"C:\\Nero\\nero.exe ", false, nullptr},
        {"C:\\Nero\\nerocmd.exe", false, nullptr},
        {"ero.exe", false, nullptr},
        {"", false, nullptr},
    };
    for (const Case& c : cases) {
        FakeWorld world;
        world.registry.SetString(FakeWorld::InstallKey(), kValue, c.Stored);
        world.paths.Folder = L"stale";
        if (c.Passes) {
            LocateTool(world.paths, world.registry, world.notice);
            EXPECT_EQ(world.paths.Folder, c.Folder) << c.Stored;
        } else {
            EXPECT_THROW(LocateTool(world.paths, world.registry, world.notice), InstallationMissing) << c.Stored;
            EXPECT_EQ(world.paths.Folder, L"stale") << c.Stored;
        }
    }
}

TEST(LocateToolTest, MissingOrUnreadableEntriesReportTheMissingInstallation) {
    FakeWorld noKey;
    EXPECT_THROW(LocateTool(noKey.paths, noKey.registry, noKey.notice), InstallationMissing);

    FakeWorld noValue;
    noValue.registry.AddKey(FakeWorld::InstallKey());
    EXPECT_THROW(LocateTool(noValue.paths, noValue.registry, noValue.notice), InstallationMissing);

    // A REG_EXPAND_SZ path stays unconverted, so the text that decides is empty.
    FakeWorld expandable;
    expandable.registry.SetValue(FakeWorld::InstallKey(), kValue, 2, std::string("C:\\Nero\\nero.exe\0", 17));
    EXPECT_THROW(LocateTool(expandable.paths, expandable.registry, expandable.notice), InstallationMissing);

    // Opening needs write rights, so an entry the user may only read counts as missing.
    FakeWorld readOnly;
    readOnly.registry.SetString(FakeWorld::InstallKey(), kValue, "C:\\Nero\\nero.exe");
    readOnly.registry.MakeReadOnly(FakeWorld::InstallKey());
    EXPECT_THROW(LocateTool(readOnly.paths, readOnly.registry, readOnly.notice), InstallationMissing);
    EXPECT_EQ(readOnly.journal, Journal{L"missing installation"});
}

}  // namespace
}  // namespace tindrel::testing
