#pragma once
// The program's only conversions between its Unicode text and the system's code pages.

#include <optional>
#include <string>
#include <string_view>

namespace tindrel::win {

std::wstring FromCodePage(unsigned codePage, std::string_view bytes);
std::string ToCodePage(unsigned codePage, std::wstring_view text);
// Empty when some character has no exact form in the code page.
std::optional<std::string> ToCodePageExactly(unsigned codePage, std::wstring_view text);

// The tool's output as text: UTF-16 LE or UTF-8 when it starts with that byte-order mark
// (the mark not part of the text), the system ANSI code page otherwise.
std::wstring DecodeToolOutput(std::string_view bytes);

}  // namespace tindrel::win
