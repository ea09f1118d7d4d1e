#include "win/file_start.h"

#include <windows.h>

#include <algorithm>

#include "win/unique_handle.h"
#include "win/win32_error.h"

namespace tindrel::win {

FileStart ReadFileStart(const std::wstring& path, std::size_t maxBytes) {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"读取文件", path);
    FileStart start;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.Get(), &size)) start.Size = static_cast<std::uint64_t>(size.QuadPart);
    // One byte more than asked for tells whether anything follows.
    start.Bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(start.Size, maxBytes)) + 1);
    std::size_t total = 0;
    DWORD read = 0;
    do {
        if (total == start.Bytes.size()) start.Bytes.resize(std::min(maxBytes + 1, total * 2));
        if (!::ReadFile(file.Get(), start.Bytes.data() + total, static_cast<DWORD>(start.Bytes.size() - total), &read,
                        nullptr)) {
            ThrowLastError(L"读取文件", path);
        }
        total += read;
    } while (read != 0 && total <= maxBytes);
    start.Whole = total <= maxBytes;
    start.Bytes.resize(std::min(total, maxBytes));
    start.Size = std::max<std::uint64_t>(start.Size, total);
    return start;
}

}  // namespace tindrel::win
