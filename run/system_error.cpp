#include "run/system_error.h"

#include <algorithm>
#include <string_view>

namespace tindrel {
namespace {

// UTF-16 (Windows) or UTF-32 (elsewhere) to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8(const std::wstring& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

}  // namespace

SystemError::SystemError(std::wstring operation, std::wstring subject, unsigned long code, std::wstring description,
                         std::source_location where)
    : Operation(std::move(operation)), Subject(std::move(subject)), Code(code), Description(std::move(description)),
      Location(where), what_(Utf8(Report())) {}

std::wstring SystemError::Where() const {
    std::string_view file = Location.file_name();
    file.remove_prefix(std::min(file.size(), file.find_last_of("/\\") + 1));
    // Source file names are ASCII.
    return std::wstring(file.begin(), file.end()) + L":" + std::to_wstring(Location.line());
}

std::wstring SystemError::Report() const {
    std::wstring text = L"操作失败：" + Operation;
    if (!Subject.empty()) text += L"\r\n对象：" + Subject;
    text += L"\r\n错误号：" + std::to_wstring(Code);
    if (!Description.empty()) text += L"\r\n" + Description;
    text += L"\r\n位置：" + Where();
    return text;
}

}  // namespace tindrel
