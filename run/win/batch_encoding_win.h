#pragma once
#include "run/platform.h"

namespace tindrel::win {

// The batch file in the code page the command interpreter reads it in: the OEM one.
// It equals the ANSI code page on Chinese systems, so there the bytes are the same.
class OemBatchEncoding final : public BatchEncoding {
public:
    std::optional<std::string> Encode(const std::wstring& text) const override;
};

}  // namespace tindrel::win
