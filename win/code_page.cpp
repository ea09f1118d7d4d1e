#include "win/code_page.h"

#include <windows.h>

#include <cstring>

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

std::wstring DecodeToolOutput(std::string_view bytes) {
    constexpr std::string_view kUtf16Mark = "\xFF\xFE";
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    static_assert(sizeof(wchar_t) == 2, "Windows' wchar_t is a UTF-16 unit");
    if (bytes.starts_with(kUtf16Mark)) {
        bytes.remove_prefix(kUtf16Mark.size());
        std::wstring text(bytes.size() / 2, L'\0');
        std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
        // A half character at the end (the tool stopped mid-write) shows as such.
        if (bytes.size() % 2 != 0) text += L'\xFFFD';
        return text;
    }
    if (bytes.starts_with(kUtf8Mark)) return FromCodePage(CP_UTF8, bytes.substr(kUtf8Mark.size()));
    return FromCodePage(CP_ACP, bytes);
}

}  // namespace tindrel::win
