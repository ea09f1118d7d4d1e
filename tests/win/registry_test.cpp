// GetKeyValue against the real registry API: values are written with the real API
// under a private key of HKEY_CURRENT_USER and read back through the ANSI functions.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "run/get_key_value.h"
#include "run/win/registry_win.h"
#include "tests/support/environment.h"
#include "win/unique_handle.h"

namespace tindrel::win {
namespace {

constexpr wchar_t kTestKey[] = L"Software\\TindrelTests\\GetKeyValue";

class RealRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key_.Put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.Reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    }
    void SetRaw(const char* name, DWORD type, const std::string& bytes) {
        ASSERT_EQ(::RegSetValueExA(key_.Get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    bool Read(const std::wstring& name, std::wstring& value, const std::wstring& key = kTestKey) {
        return GetKeyValue(registry_, kHkeyCurrentUser, key, name, value);
    }

    Win32Registry registry_;
    UniqueHkey key_;
};

TEST_F(RealRegistryTest, StringsAtTheBufferBoundary) {
    SetRaw("fits", REG_SZ, std::string(1023, 'a') + '\0');
    SetRaw("over", REG_SZ, std::string(1024, 'b') + '\0');
    SetRaw("bare", REG_SZ, "C:\\Nero\\nero.exe");

    std::wstring value = L"before";
    EXPECT_TRUE(Read(L"fits", value));
    EXPECT_EQ(value, std::wstring(1023, L'a'));
    EXPECT_FALSE(Read(L"over", value));
    EXPECT_EQ(value, L"");
    EXPECT_TRUE(Read(L"bare", value));
    EXPECT_EQ(value, L"C:\\Nero\\nero.exe");
}

TEST_F(RealRegistryTest, DwordsAndOtherTypes) {
    const DWORD negative = 0x80000000, big = 0x1A0;
    SetRaw("negative", REG_DWORD, std::string(reinterpret_cast<const char*>(&negative), 4));
    SetRaw("big", REG_DWORD, std::string(reinterpret_cast<const char*>(&big), 4));
    SetRaw("expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\nero.exe") + '\0');

    std::wstring value;
    EXPECT_TRUE(Read(L"negative", value));
    EXPECT_EQ(value, L"-2147483648");
    EXPECT_TRUE(Read(L"big", value));
    EXPECT_EQ(value, L"416");
    value = L"kept";
    EXPECT_TRUE(Read(L"expand", value));
    EXPECT_EQ(value, L"kept");
    value.clear();
    EXPECT_TRUE(Read(L"expand", value));
    EXPECT_EQ(value, L"");
}

TEST_F(RealRegistryTest, MissingKeyAndMissingValue) {
    std::wstring value = L"stale";
    EXPECT_FALSE(Read(L"x", value, L"Software\\TindrelTests\\Absent"));
    EXPECT_EQ(value, L"");
    value = L"stale";
    EXPECT_FALSE(Read(L"absent", value));
    EXPECT_EQ(value, L"");
}

TEST_F(RealRegistryTest, ChineseTextIsDecodedFromTheAnsiCodePage) {
    // Under any other code page this test would pass or fail by luck.
    TINDREL_REQUIRE_ANSI_CODE_PAGE(936u, "zh_CN.UTF-8");
    const std::wstring path = L"C:\\软件\\刻录\\nero.exe";
    ASSERT_EQ(::RegSetValueExW(key_.Get(), L"中文", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                               static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    std::wstring value;
    EXPECT_TRUE(Read(L"中文", value));
    EXPECT_EQ(value, path);
}

}  // namespace
}  // namespace tindrel::win
