#pragma once
// The registry as the value reader needs it: the three ANSI operations and the ANSI
// code page that key paths, value names and string data cross. Windows provides it
// through advapi32; tests provide an in-memory registry.

#include <cstdint>
#include <string>
#include <string_view>

namespace tindrel {

using RegistryKey = std::uintptr_t;  // an opaque key handle, as the platform hands it out
using RegistryStatus = long;         // 0 is success, anything else a system error number

inline constexpr RegistryKey kHkeyCurrentUser = 0x80000001;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    virtual RegistryStatus OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                                   std::uint32_t access, RegistryKey& key) = 0;
    // `size` holds the buffer's capacity on entry and the bytes returned on exit.
    virtual RegistryStatus QueryValue(RegistryKey key, const std::string& name, std::uint32_t& type,
                                      std::uint8_t* data, std::uint32_t& size) = 0;
    virtual void CloseKey(RegistryKey key) = 0;

    virtual std::string TextToAnsi(std::wstring_view text) const = 0;
    virtual std::wstring AnsiToText(std::string_view bytes) const = 0;
};

// An opened key, closed when it goes.
class OpenedKey {
public:
    OpenedKey(RegistryApi& registry, RegistryKey key) : registry_(registry), key_(key) {}
    ~OpenedKey() { registry_.CloseKey(key_); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    RegistryKey Get() const { return key_; }

private:
    RegistryApi& registry_;
    RegistryKey key_;
};

}  // namespace tindrel
