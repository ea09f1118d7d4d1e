#include "run/win/code_page.h"

#include <windows.h>

namespace tindrel::win {

std::wstring FromCodePage(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
    return text;
}

std::string ToCodePage(unsigned codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::optional<std::string> ToCodePageExactly(unsigned codePage, std::wstring_view text) {
    std::string bytes = ToCodePage(codePage, text);
    // Best-fit mappings (é to e) and default characters both fail the round trip.
    if (FromCodePage(codePage, bytes) != text) return std::nullopt;
    return bytes;
}

std::optional<std::string> OemBatchEncoding::Encode(const std::wstring& text) const {
    return ToCodePageExactly(CP_OEMCP, text);
}

}  // namespace tindrel::win
