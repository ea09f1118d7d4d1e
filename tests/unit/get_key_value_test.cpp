#include "run/get_key_value.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/fake_registry.h"

namespace tindrel {
namespace {

using ::testing::ElementsAre;
using testing::FakeRegistry;

const std::string kKey = "Software\\Test";

class GetKeyValueTest : public ::testing::Test {
protected:
    bool Read(const std::wstring& name, std::wstring& value) {
        return GetKeyValue(registry, kHkeyCurrentUser, L"Software\\Test", name, value);
    }
    FakeRegistry registry;
};

TEST_F(GetKeyValueTest, StringsAreReadWholeUpToTheBufferAndFailBeyondIt) {
    registry.SetString(kKey, "fits", std::string(1023, 'a'));     // 1024 bytes with terminator
    registry.SetString(kKey, "too long", std::string(1024, 'b'));  // 1025 bytes
    std::wstring value = L"before";

    EXPECT_TRUE(Read(L"fits", value));
    EXPECT_EQ(value, std::wstring(1023, L'a'));

    value = L"before";
    EXPECT_FALSE(Read(L"too long", value));
    EXPECT_EQ(value, L"");
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST_F(GetKeyValueTest, StringsAreReadUpToTheirFirstZero) {
    registry.SetValue(kKey, "bare", kRegSz, "C:\\Nero\\nero.exe");
    registry.SetValue(kKey, "doubled", kRegSz, std::string("C:\\Nero\\nero.exe\0\0", 18));
    registry.SetValue(kKey, "inner", kRegSz, std::string("ab\0cd\0", 6));
    registry.SetValue(kKey, "empty", kRegSz, std::string());
    registry.SetValue(kKey, "only zeros", kRegSz, std::string("\0\0", 2));
    std::wstring value;

    EXPECT_TRUE(Read(L"bare", value));
    EXPECT_EQ(value, L"C:\\Nero\\nero.exe");
    // Some installers write the path with two terminators; reg query shows the plain path.
    EXPECT_TRUE(Read(L"doubled", value));
    EXPECT_EQ(value, L"C:\\Nero\\nero.exe");
    EXPECT_TRUE(Read(L"inner", value));
    EXPECT_EQ(value, L"ab");
    EXPECT_TRUE(Read(L"empty", value));
    EXPECT_EQ(value, L"");
    EXPECT_TRUE(Read(L"only zeros", value));
    EXPECT_EQ(value, L"");
}

TEST_F(GetKeyValueTest, DwordsBecomeSignedDecimal) {
    const struct {
        std::uint32_t Data;
        const wchar_t* Text;
    } cases[] = {{0x00000001, L"1"},
                 {0x000001A0, L"416"},
                 {0xFFFFFFFF, L"-1"},
                 {0x80000000, L"-2147483648"},
                 {0x7FFFFFFF, L"2147483647"}};
    for (const auto& c : cases) {
        registry.SetDword(kKey, "n", c.Data);
        std::wstring value;
        EXPECT_TRUE(Read(L"n", value));
        EXPECT_EQ(value, c.Text) << std::hex << c.Data;
    }
}

TEST_F(GetKeyValueTest, ShortDwordDataReadsAsZeroPadded) {
    registry.SetValue(kKey, "short", kRegDword, std::string("\x2A\x01", 2));
    std::wstring value;
    EXPECT_TRUE(Read(L"short", value));
    EXPECT_EQ(value, L"298");
}

TEST_F(GetKeyValueTest, OtherTypesLeaveTheCallersTextAndSucceed) {
    registry.SetValue(kKey, "expand", 2, std::string("%ProgramFiles%\\Nero\\nero.exe\0", 29));
    registry.SetValue(kKey, "binary", 3, std::string("\x01\x02", 2));

    std::wstring value = L"kept";
    EXPECT_TRUE(Read(L"expand", value));
    EXPECT_EQ(value, L"kept");
    EXPECT_TRUE(Read(L"binary", value));
    EXPECT_EQ(value, L"kept");

    std::wstring empty;
    EXPECT_TRUE(Read(L"expand", empty));
    EXPECT_EQ(empty, L"");
}

TEST_F(GetKeyValueTest, MissingKeyOrValueGivesEmptyTextAndFalse) {
    registry.AddKey(kKey);
    std::wstring value = L"stale";
    EXPECT_FALSE(GetKeyValue(registry, kHkeyCurrentUser, L"Software\\Absent", L"x", value));
    EXPECT_EQ(value, L"");

    value = L"stale";
    EXPECT_FALSE(Read(L"absent", value));
    EXPECT_EQ(value, L"");
    EXPECT_THAT(registry.Calls, ElementsAre("open Software\\Absent", "open Software\\Test", "query absent", "close"));
}

TEST_F(GetKeyValueTest, KeyTheUserMayOnlyReadIsReportedMissing) {
    registry.SetString(kKey, "path", "C:\\Nero\\nero.exe");
    registry.MakeReadOnly(kKey);
    std::wstring value = L"stale";
    EXPECT_FALSE(Read(L"path", value));
    EXPECT_EQ(value, L"");
    EXPECT_THAT(registry.Calls, ElementsAre("open Software\\Test"));
}

TEST_F(GetKeyValueTest, OpensWithFullKeyRightsQueriesAZeroedBufferAndClosesOnce) {
    registry.SetString(kKey, "path\xC3\xA9", "\xE5\x88\xBB");
    std::wstring value;
    EXPECT_TRUE(Read(L"path\u00E9", value));
    EXPECT_EQ(value, L"\u523B");

    EXPECT_EQ(registry.LastOpenOptions, 0u);
    EXPECT_EQ(registry.LastOpenAccess, 0x2003Fu);
    EXPECT_EQ(registry.LastQueryCapacity, 1024u);
    EXPECT_TRUE(registry.BufferWasZeroed);
    EXPECT_THAT(registry.Calls, ElementsAre("open Software\\Test", "query path\xC3\xA9", "close"));
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace tindrel
