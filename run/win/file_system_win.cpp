#include "run/win/file_system_win.h"

#include <windows.h>

#include "run/win/code_page.h"
#include "run/win/unique_handle.h"
#include "run/win/win32_error.h"

namespace tindrel::win {

bool Win32FileSystem::FileExists(const std::wstring& path) { return scripting_.FileExists(path); }

bool Win32FileSystem::IsBeingWritten(const std::wstring& path) {
    // Leaving out FILE_SHARE_WRITE makes the open fail while any writer holds the file.
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

bool Win32FileSystem::IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<SystemError> Win32FileSystem::TryDeleteFile(const std::wstring& path) {
    if (::DeleteFileW(path.c_str())) return std::nullopt;
    const DWORD code = ::GetLastError();
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return std::nullopt;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_ACCESS_DENIED:  // also what a file pending deletion by another process gives
            return MakeSystemError(L"删除文件", path, code);
        default:
            throw MakeSystemError(L"删除文件", path, code);
    }
}

void Win32FileSystem::ChangeDirectory(const std::wstring& path) {
    if (!::SetCurrentDirectoryW(path.c_str())) ThrowLastError(L"更改当前目录", path);
}

void Win32FileSystem::WriteFile(const std::wstring& path, const std::string& bytes) {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"创建文件", path);
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        ThrowLastError(L"写入文件", path);
    }
    if (written != bytes.size()) ThrowStatus(ERROR_WRITE_FAULT, L"写入文件", path);
}

std::wstring Win32FileSystem::ShortPath(const std::wstring& path) {
    const DWORD length = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length == 0) return {};
    std::wstring shortPath(length, L'\0');
    const DWORD copied = ::GetShortPathNameW(path.c_str(), shortPath.data(), length);
    if (copied == 0 || copied >= length) return {};
    shortPath.resize(copied);
    return shortPath;
}

std::optional<std::string> OemBatchEncoding::Encode(const std::wstring& text) const {
    return ToCodePageExactly(CP_OEMCP, text);
}

}  // namespace tindrel::win
