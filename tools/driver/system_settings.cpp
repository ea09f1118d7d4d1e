#include "tools/driver/system_settings.h"

#include <algorithm>

namespace tindrel::e2e {
namespace {
constexpr wchar_t kWindowMetrics[] = L"Control Panel\\Desktop\\WindowMetrics";
}  // namespace

ScreenDpi::ScreenDpi(DWORD dpi) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                      nullptr);
    DWORD size = sizeof saved_;
    hadValue_ = ::RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&saved_), &size) ==
                ERROR_SUCCESS;
    ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
}

ScreenDpi::~ScreenDpi() {
    if (hadValue_) {
        ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved_), sizeof saved_);
    } else {
        ::RegDeleteValueW(key_, L"LogPixels");
    }
    ::RegCloseKey(key_);
}

MessageFontSetting::MessageFontSetting(const wchar_t* face, int points) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kWindowMetrics, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD nameLength = 256, type = 0;
            BYTE data[1024];
            DWORD size = sizeof data;
            if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
            saved_.push_back({std::wstring(name, nameLength), type, std::vector<BYTE>(data, data + size)});
        }
        ::RegCloseKey(key);
    }

    metrics_.cbSize = sizeof metrics_;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics_, &metrics_, 0);
    NONCLIENTMETRICSW changed = metrics_;
    LOGFONTW& font = changed.lfMessageFont;
    // In pixels at this process's DPI, which the setting is kept relative to.
    font.lfHeight = -::MulDiv(points, static_cast<int>(::GetDpiForSystem()), 72);
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    font.lfItalic = FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    if (face) ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof changed, &changed, SPIF_UPDATEINIFILE);
}

MessageFontSetting::~MessageFontSetting() {
    ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics_, &metrics_, SPIF_UPDATEINIFILE);
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kWindowMetrics, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;;) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const bool wasThere = std::any_of(saved_.begin(), saved_.end(),
                                          [&](const SavedValue& value) { return value.Name == name; });
        if (wasThere || ::RegDeleteValueW(key, name) != ERROR_SUCCESS) ++index;
    }
    for (const SavedValue& value : saved_) {
        ::RegSetValueExW(key, value.Name.c_str(), 0, value.Type, value.Data.data(), static_cast<DWORD>(value.Data.size()));
    }
    ::RegCloseKey(key);
}

}  // namespace tindrel::e2e
