#include "run/win/registry_win.h"

#include <windows.h>

#include "win/code_page.h"

namespace tindrel::win {
namespace {
HKEY AsHkey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }
}  // namespace

RegistryStatus Win32Registry::OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                                      std::uint32_t access, RegistryKey& key) {
    HKEY opened = nullptr;
    const LSTATUS status = ::RegOpenKeyExA(AsHkey(root), path.c_str(), options, access, &opened);
    key = reinterpret_cast<RegistryKey>(opened);
    return status;
}

RegistryStatus Win32Registry::QueryValue(RegistryKey key, const std::string& name, std::uint32_t& type,
                                         std::uint8_t* data, std::uint32_t& size) {
    DWORD valueType = 0;
    DWORD valueSize = size;
    const LSTATUS status = ::RegQueryValueExA(AsHkey(key), name.c_str(), nullptr, &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return status;
}

void Win32Registry::CloseKey(RegistryKey key) { ::RegCloseKey(AsHkey(key)); }

std::string Win32Registry::TextToAnsi(std::wstring_view text) const { return ToCodePage(CP_ACP, text); }

std::wstring Win32Registry::AnsiToText(std::string_view bytes) const { return FromCodePage(CP_ACP, bytes); }

}  // namespace tindrel::win
