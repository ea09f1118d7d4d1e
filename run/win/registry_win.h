#pragma once
#include "run/registry_api.h"

namespace tindrel::win {

// The registry through advapi32's ANSI functions, text in the system ANSI code page.
class Win32Registry final : public RegistryApi {
public:
    RegistryStatus OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                           std::uint32_t access, RegistryKey& key) override;
    RegistryStatus QueryValue(RegistryKey key, const std::string& name, std::uint32_t& type,
                              std::uint8_t* data, std::uint32_t& size) override;
    void CloseKey(RegistryKey key) override;
    std::string TextToAnsi(std::wstring_view text) const override;
    std::wstring AnsiToText(std::string_view bytes) const override;
};

}  // namespace tindrel::win
