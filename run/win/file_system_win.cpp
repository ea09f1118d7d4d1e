#include "run/win/file_system_win.h"

#include <windows.h>

#include "win/code_page.h"
#include "win/file_start.h"
#include "win/system_folder.h"
#include "win/unique_handle.h"
#include "win/win32_error.h"

namespace tindrel::win {

bool Win32FileSystem::FileExists(const std::wstring& path) {
    // The scripting runtime may be unregistered (a common precaution against script
    // viruses); the file system then answers itself.
    if (const std::optional<bool> exists = scripting_.FileExists(path)) return *exists;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::NameTaken(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    // A file pending deletion answers "access denied" on Windows, not "not found".
    const DWORD code = ::GetLastError();
    return code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND;
}

bool Win32FileSystem::IsBeingWritten(const std::wstring& path) {
    // Leaving out FILE_SHARE_WRITE makes the open fail while any writer holds the file.
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

bool Win32FileSystem::IsDirectory(const std::wstring& path) {
    // A folder too long for the usual calls is still a folder; the run says it is too
    // long rather than that nothing is installed.
    std::wstring longForm = path;
    if (path.size() >= MAX_PATH - 12 && path.size() > 2 && path[1] == L':') longForm = L"\\\\?\\" + path;
    const DWORD attributes = ::GetFileAttributesW(longForm.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::uint64_t Win32FileSystem::FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) ThrowLastError(L"读取文件大小", path);
    return std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

DeleteResult Win32FileSystem::TryDeleteFile(const std::wstring& path) {
    if (::DeleteFileW(path.c_str())) return DeleteResult::Deleted;
    switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:  // a cleaner took the folder
            return DeleteResult::Deleted;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return DeleteResult::Held;
        case ERROR_ACCESS_DENIED: {
            // A file pending deletion by another process answers this, and so do a read-only
            // file and one the user has no right to delete (an output an elevated run left
            // under Program Files); only the first goes when its holder lets go. Every
            // Windows from XP on refuses the attributes of a file pending deletion too, so a
            // file whose attributes can be read is not pending and stays.
            return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? DeleteResult::Held
                                                                                 : DeleteResult::Stays;
        }
        default:  // write-protected media, a network folder gone (ERROR_BAD_NETPATH, ERROR_NETNAME_DELETED) and the rest
            return DeleteResult::Stays;
    }
}

std::wstring Win32FileSystem::CurrentDirectory() {
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    if (length == 0) ThrowLastError(L"读取当前目录");
    std::wstring directory(length, L'\0');
    const DWORD copied = ::GetCurrentDirectoryW(length, directory.data());
    if (copied == 0) ThrowLastError(L"读取当前目录");
    directory.resize(copied < length ? copied : 0);
    return directory;
}

void Win32FileSystem::ChangeDirectory(const std::wstring& path) {
    if (!::SetCurrentDirectoryW(path.c_str())) ThrowLastError(L"更改当前目录", path);
}

void Win32FileSystem::LeaveDirectory(const std::wstring& previous) {
    if (!::SetCurrentDirectoryW(previous.c_str())) ChangeDirectory(SystemFolder());
}

std::optional<SystemError> Win32FileSystem::TryWriteFile(const std::wstring& path, const std::string& bytes) {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = ::GetLastError();
        switch (code) {
            case ERROR_ACCESS_DENIED:  // no right to write there, or a read-only file in the way
            case ERROR_WRITE_PROTECT:
            case ERROR_NETWORK_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION:
            case ERROR_LOCK_VIOLATION:
                return MakeSystemError(L"创建文件", path, code);
            default:
                throw MakeSystemError(L"创建文件", path, code);
        }
    }
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        ThrowLastError(L"写入文件", path);
    }
    if (written != bytes.size()) ThrowStatus(ERROR_WRITE_FAULT, L"写入文件", path);
    return std::nullopt;
}

namespace {

// Creates the folder and any missing folder above it; a cleaner may have removed the
// temporary folder itself.
void CreateFolderChain(const std::wstring& folder) {
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return;
    DWORD code = ::GetLastError();
    if (code == ERROR_PATH_NOT_FOUND) {
        const std::size_t parentEnd = folder.find_last_of(L'\\', folder.size() - 2);
        if (parentEnd != std::wstring::npos && parentEnd > 2) {
            CreateFolderChain(folder.substr(0, parentEnd + 1));
            if (::CreateDirectoryW(folder.c_str(), nullptr)) return;
            code = ::GetLastError();
        }
    }
    if (code != ERROR_ALREADY_EXISTS) ThrowStatus(code, L"创建文件夹", folder);
    // The name may be taken by a file rather than a folder.
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ThrowStatus(ERROR_DIRECTORY, L"创建文件夹", folder);
    }
}

}  // namespace

std::wstring Win32FileSystem::PrivateWorkFolder(const std::wstring& name) {
    // The user's own temporary folder: only they and administrators may read it, and
    // it holds nothing of other users.
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0) ThrowLastError(L"查找临时文件夹");
    if (length > MAX_PATH) ThrowStatus(ERROR_INSUFFICIENT_BUFFER, L"查找临时文件夹");
    std::wstring folder(temp, length);
    if (folder.back() != L'\\') folder += L'\\';
    folder += name + L"\\";
    CreateFolderChain(folder);
    return folder;
}

void Win32FileSystem::RemoveEmptyFolder(const std::wstring& path) {
    // Fails, as meant, while the folder still holds anything.
    ::RemoveDirectoryW(path.c_str());
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

std::wstring Win32FileSystem::ReadTextStart(const std::wstring& path, std::uint64_t maxBytes) {
    try {
        return DecodeToolOutput(ReadFileStart(path, static_cast<std::size_t>(maxBytes)).Bytes);
    } catch (const SystemError& error) {
        if (error.Code == ERROR_FILE_NOT_FOUND || error.Code == ERROR_PATH_NOT_FOUND) return {};
        throw;
    }
}

}  // namespace tindrel::win
