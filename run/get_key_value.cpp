#include "run/get_key_value.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tindrel {
namespace {

// READ_CONTROL plus all six key-specific rights: the installation entry is opened
// with more than read access, so a key the user may only read is reported missing.
constexpr std::uint32_t kKeyAccess = 0x2003F;
constexpr std::uint32_t kBufferSize = 1024;

std::int32_t LittleEndianInt32(const std::uint8_t* bytes) {
    const std::uint32_t value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    return static_cast<std::int32_t>(value);
}

}  // namespace

bool GetKeyValue(RegistryApi& Registry, RegistryKey KeyRoot, std::wstring_view KeyName,
                 std::wstring_view SubKeyRef, std::wstring& KeyVal) {
    RegistryKey opened = 0;
    if (Registry.OpenKey(KeyRoot, Registry.TextToAnsi(KeyName), 0, kKeyAccess, opened) != 0) {
        KeyVal.clear();
        return false;
    }
    const OpenedKey key(Registry, opened);

    std::array<std::uint8_t, kBufferSize> data{};
    std::uint32_t size = kBufferSize;
    std::uint32_t type = 0;
    if (Registry.QueryValue(key.Get(), Registry.TextToAnsi(SubKeyRef), type, data.data(), size) != 0) {
        KeyVal.clear();
        return false;
    }
    size = std::min(size, kBufferSize);

    switch (type) {
        case kRegSz: {
            // Up to the first NUL: some installers store the path with two of them. Data
            // without any terminator is taken whole.
            std::string_view bytes(reinterpret_cast<const char*>(data.data()), size);
            bytes = bytes.substr(0, bytes.find('\0'));
            KeyVal = Registry.AnsiToText(bytes);
            break;
        }
        case kRegDword:
            // Shorter data reads as if zero-padded: the buffer was zero-filled.
            KeyVal = std::to_wstring(LittleEndianInt32(data.data()));
            break;
        default:
            break;
    }
    return true;
}

}  // namespace tindrel
