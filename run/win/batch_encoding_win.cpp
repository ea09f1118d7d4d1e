#include "run/win/batch_encoding_win.h"

#include <windows.h>

#include "win/code_page.h"

namespace tindrel::win {

std::optional<std::string> OemBatchEncoding::Encode(const std::wstring& text) const {
    return ToCodePageExactly(CP_OEMCP, text);
}

}  // namespace tindrel::win
