// The version record reader, on records laid out as resource compilers lay them out,
// including damaged and truncated ones placed against an inaccessible page.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "run/system_error.h"
#include "ui/version_record.h"

namespace tindrel::ui {
namespace {

std::string Padded(std::string bytes) {
    while (bytes.size() % 4) bytes += '\0';
    return bytes;
}

std::string Bytes(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }

// A node: length, value length, type, key, value, children, each on a 4-byte boundary.
std::string Node(const std::wstring& key, const std::string& value, WORD valueLength, WORD type,
                 const std::vector<std::string>& children = {}) {
    std::string node(6, '\0');
    node += Bytes(key.c_str(), (key.size() + 1) * sizeof(wchar_t));
    node = Padded(node) + value;
    for (const std::string& child : children) node = Padded(node) + child;
    const WORD header[3] = {static_cast<WORD>(node.size()), valueLength, type};
    std::memcpy(node.data(), header, sizeof header);
    return node;
}

std::string Text(const std::wstring& key, const std::wstring& text) {
    return Node(key, Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)), static_cast<WORD>(text.size() + 1), 1);
}

std::string Fixed(WORD major, WORD minor, WORD build, WORD revision) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = 0x10000;
    fixed.dwFileVersionMS = MAKELONG(minor, major);
    fixed.dwFileVersionLS = MAKELONG(revision, build);
    return Bytes(&fixed, sizeof fixed);
}

struct Table {
    std::wstring Key;
    std::wstring ProductName;
};

std::string Record(const std::vector<Table>& tables, const std::vector<DWORD>& translations) {
    std::vector<std::string> stringTables;
    for (const Table& table : tables) {
        stringTables.push_back(Node(table.Key, {}, 0, 1, {Text(L"CompanyName", L"Tindrel"), Text(L"ProductName", table.ProductName)}));
    }
    std::vector<std::string> children{Node(L"StringFileInfo", {}, 0, 1, stringTables)};
    if (!translations.empty()) {
        const std::string pairs = Bytes(translations.data(), translations.size() * sizeof(DWORD));
        children.push_back(Node(L"VarFileInfo", {}, 0, 1, {Node(L"Translation", pairs, static_cast<WORD>(pairs.size()), 0)}));
    }
    const std::string fixed = Fixed(2, 1, 0, 7);
    return Node(L"VS_VERSION_INFO", fixed, static_cast<WORD>(fixed.size()), 0, children);
}

const std::vector<Table> kTwoTables{{L"040904B0", L"Tindrel (English)"}, {L"080404B0", L"Tindrel 中文"}};

TEST(VersionRecordTest, ReadsTheFileVersionAndTheProductNameOfTheFirstTranslation) {
    std::string record = Record(kTwoTables, {MAKELONG(0x0804, 1200), MAKELONG(0x0409, 1200)});
    AppVersion version = ParseVersionRecord(record.data(), record.size());
    EXPECT_EQ(version.Major, 2u);
    EXPECT_EQ(version.Minor, 1u);
    EXPECT_EQ(version.Revision, 7u);
    EXPECT_EQ(version.Title, L"Tindrel 中文");

    record = Record(kTwoTables, {MAKELONG(0x0409, 1200)});
    EXPECT_EQ(ParseVersionRecord(record.data(), record.size()).Title, L"Tindrel (English)");

    // No translation: the Simplified Chinese table.
    record = Record(kTwoTables, {});
    EXPECT_EQ(ParseVersionRecord(record.data(), record.size()).Title, L"Tindrel 中文");
    // A translation without a table: no name, but still the version.
    record = Record(kTwoTables, {MAKELONG(0x0411, 932)});
    version = ParseVersionRecord(record.data(), record.size());
    EXPECT_EQ(version.Title, L"");
    EXPECT_EQ(version.Major, 2u);
}

TEST(VersionRecordTest, DamagedRecordsGiveEmptyFieldsNotGarbage) {
    const std::string good = Record(kTwoTables, {MAKELONG(0x0804, 1200)});

    std::string record = good;
    record[0] = '\xFF';  // the record claims more bytes than it has
    record[1] = '\xFF';
    AppVersion version = ParseVersionRecord(record.data(), record.size());
    EXPECT_EQ(version.Major, 0u);
    EXPECT_EQ(version.Title, L"");

    record = good;
    std::memcpy(record.data() + 6, L"VS_VERSION_INFX", 30);  // not a version record
    EXPECT_EQ(ParseVersionRecord(record.data(), record.size()).Major, 0u);

    record = good;
    const size_t name = record.rfind(Bytes(L"ProductName", 22)) - 6;  // in the Chinese table
    record[name] = '\xF0';  // the name's node runs past its table
    record[name + 1] = '\x0F';
    version = ParseVersionRecord(record.data(), record.size());
    EXPECT_EQ(version.Title, L"");
    EXPECT_EQ(version.Major, 2u);
}

TEST(VersionRecordTest, EveryTruncationIsReadWithinItsBytes) {
    const std::string good = Record(kTwoTables, {MAKELONG(0x0804, 1200)});
    // The record ends where an inaccessible page begins: a read past its end faults.
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    auto* pages = static_cast<char*>(::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_TRUE(pages);
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
    for (size_t size = 0; size <= good.size(); ++size) {
        char* copy = pages + page - size;
        std::memcpy(copy, good.data(), size);
        // The whole record claims just the bytes it has; its nodes still claim more.
        const WORD claimed = static_cast<WORD>(size);
        if (size >= sizeof claimed) std::memcpy(copy, &claimed, sizeof claimed);
        const AppVersion version = ParseVersionRecord(copy, size);
        EXPECT_TRUE(version.Title.empty() || version.Title == L"Tindrel 中文") << size;
        EXPECT_TRUE(version.Major == 0 || version.Major == 2) << size;
    }
    ::VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(VersionRecordTest, AProgramWithoutARecordIsAnError) {
    EXPECT_THROW(ReadOwnVersionRecord(), SystemError);
}

}  // namespace
}  // namespace tindrel::ui
