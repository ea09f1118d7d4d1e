#include "ui/version_record.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "win/win32_error.h"

namespace tindrel::ui {
namespace {

// One node of the record: a header of three WORDs (length of the whole node, length of
// its value, type), a zero-terminated UTF-16 key, then the value and the child nodes,
// each starting on a 4-byte boundary of the record.
struct Node {
    std::wstring_view Key;
    const BYTE* Value = nullptr;
    size_t ValueBytes = 0;
    bool Text = false;
    size_t ChildrenBegin = 0;
    size_t End = 0;
};

class Record {
public:
    Record(const void* data, size_t size) : data_(static_cast<const BYTE*>(data)), size_(size) {}

    std::optional<Node> At(size_t offset, size_t limit) const {
        if (limit > size_ || offset + 6 > limit) return std::nullopt;
        const size_t length = Word(offset);
        if (length < 6 || offset + length > limit) return std::nullopt;
        Node node;
        node.End = offset + length;
        node.Text = Word(offset + 4) == 1;
        const size_t keyBegin = offset + 6;
        size_t keyEnd = keyBegin;
        while (keyEnd + 2 <= node.End && Word(keyEnd) != 0) keyEnd += 2;
        if (keyEnd + 2 > node.End) return std::nullopt;
        node.Key = std::wstring_view(reinterpret_cast<const wchar_t*>(data_ + keyBegin), (keyEnd - keyBegin) / 2);
        const size_t valueBegin = Align(keyEnd + 2);
        const size_t valueBytes = Word(offset + 2) * (node.Text ? size_t{2} : size_t{1});
        if (valueBegin + valueBytes > node.End) return std::nullopt;
        node.Value = data_ + valueBegin;
        node.ValueBytes = valueBytes;
        node.ChildrenBegin = Align(valueBegin + valueBytes);
        return node;
    }

    std::optional<Node> Child(const Node& parent, std::wstring_view key) const {
        for (size_t at = parent.ChildrenBegin; at < parent.End;) {
            const std::optional<Node> child = At(at, parent.End);
            if (!child) return std::nullopt;
            if (child->Key == key) return child;
            at = Align(child->End);
        }
        return std::nullopt;
    }

private:
    WORD Word(size_t offset) const {
        WORD value;
        std::memcpy(&value, data_ + offset, sizeof value);
        return value;
    }
    static size_t Align(size_t offset) { return (offset + 3) & ~size_t{3}; }

    const BYTE* data_;
    size_t size_;
};

std::wstring TextOf(const Node& node) {
    std::wstring text(node.ValueBytes / 2, L'\0');
    std::memcpy(text.data(), node.Value, text.size() * 2);
    return text.substr(0, text.find(L'\0'));
}

}  // namespace

AppVersion ParseVersionRecord(const void* data, size_t size) {
    AppVersion version;
    const Record record(data, size);
    const std::optional<Node> root = record.At(0, size);
    if (!root || root->Key != L"VS_VERSION_INFO") return version;

    VS_FIXEDFILEINFO fixed;
    if (root->ValueBytes >= sizeof fixed) {
        std::memcpy(&fixed, root->Value, sizeof fixed);
        if (fixed.dwSignature == VS_FFI_SIGNATURE) {
            // Major.minor from the first two parts; the revision is kept in the fourth.
            version.Major = HIWORD(fixed.dwFileVersionMS);
            version.Minor = LOWORD(fixed.dwFileVersionMS);
            version.Revision = LOWORD(fixed.dwFileVersionLS);
        }
    }

    // The string table the record's first translation names; Simplified Chinese if none.
    wchar_t table[9] = L"080404B0";
    if (const auto vars = record.Child(*root, L"VarFileInfo")) {
        if (const auto translation = record.Child(*vars, L"Translation"); translation && translation->ValueBytes >= 4) {
            WORD pair[2];
            std::memcpy(pair, translation->Value, sizeof pair);
            std::swprintf(table, 9, L"%04X%04X", pair[0], pair[1]);
        }
    }
    if (const auto strings = record.Child(*root, L"StringFileInfo")) {
        if (const auto tableNode = record.Child(*strings, table)) {
            if (const auto name = record.Child(*tableNode, L"ProductName")) version.Title = TextOf(*name);
        }
    }
    return version;
}

AppVersion ReadOwnVersionRecord() {
    // Read from the program's own resources: version.dll would be one more DLL that is not
    // protected from being planted beside the program.
    const HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    if (!resource) win::ThrowLastError(L"读取版本信息");
    const HGLOBAL loaded = ::LoadResource(nullptr, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) win::ThrowLastError(L"读取版本信息");
    return ParseVersionRecord(data, ::SizeofResource(nullptr, resource));
}

}  // namespace tindrel::ui
