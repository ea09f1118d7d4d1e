#pragma once
// The program's only conversions between its Unicode text and the system's code pages.

#include <optional>
#include <string>
#include <string_view>

#include "run/platform.h"

namespace tindrel::win {

std::wstring FromCodePage(unsigned codePage, std::string_view bytes);
std::string ToCodePage(unsigned codePage, std::wstring_view text);
// Empty when some character has no exact form in the code page.
std::optional<std::string> ToCodePageExactly(unsigned codePage, std::wstring_view text);

// The batch file in the code page the command interpreter reads it in: the OEM one.
// It equals the ANSI code page on Chinese systems, so there the bytes are the same.
class OemBatchEncoding final : public BatchEncoding {
public:
    std::optional<std::string> Encode(const std::wstring& text) const override;
};

}  // namespace tindrel::win
