#include "ui/version_record.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "run/win/win32_error.h"

namespace tindrel::ui {

AppVersion ReadOwnVersionRecord() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) win::ThrowLastError(L"查找程序文件");

    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) win::ThrowLastError(L"读取版本信息", path);
    std::vector<BYTE> record(size);
    if (!::GetFileVersionInfoW(path, 0, size, record.data())) win::ThrowLastError(L"读取版本信息", path);

    AppVersion version;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed) {
        // Major.minor from the first two parts; the revision is kept in the fourth.
        version.Major = HIWORD(fixed->dwFileVersionMS);
        version.Minor = LOWORD(fixed->dwFileVersionMS);
        version.Revision = LOWORD(fixed->dwFileVersionLS);
    }

    struct Translation {
        WORD Language;
        WORD CodePage;
    }* translations = nullptr;
    UINT translationSize = 0;
    wchar_t block[64] = L"\\StringFileInfo\\080404B0\\ProductName";
    if (::VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                         &translationSize) &&
        translationSize >= sizeof(Translation)) {
        std::swprintf(block, 64, L"\\StringFileInfo\\%04X%04X\\ProductName", translations->Language,
                      translations->CodePage);
    }
    wchar_t* title = nullptr;
    UINT titleLength = 0;
    if (::VerQueryValueW(record.data(), block, reinterpret_cast<void**>(&title), &titleLength) && title) {
        version.Title = title;
    }
    return version;
}

}  // namespace tindrel::ui
