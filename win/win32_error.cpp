#include "win/win32_error.h"

namespace tindrel::win {

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

SystemError MakeSystemError(std::wstring operation, std::wstring subject, DWORD code, std::source_location where) {
    return SystemError(std::move(operation), std::move(subject), code, SystemMessage(code), where);
}

void ThrowLastError(std::wstring operation, std::wstring subject, std::source_location where) {
    const DWORD code = ::GetLastError();
    throw MakeSystemError(std::move(operation), std::move(subject), code, where);
}

void ThrowStatus(DWORD status, std::wstring operation, std::wstring subject, std::source_location where) {
    throw MakeSystemError(std::move(operation), std::move(subject), status, where);
}

}  // namespace tindrel::win
