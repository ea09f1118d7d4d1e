#include "run/batch_policy.h"

#include <array>
#include <cstdint>

namespace tindrel {
namespace {

constexpr std::uint32_t kKeyRead = 0x20019;  // KEY_READ
constexpr std::array<std::uint8_t, 4> kBlocksBatchFiles = {1, 0, 0, 0};

}  // namespace

bool PolicyBlocksBatchFiles(RegistryApi& Registry) {
    RegistryKey opened = 0;
    if (Registry.OpenKey(kHkeyCurrentUser, kCommandPromptPolicyKey, 0, kKeyRead, opened) != 0) return false;
    const OpenedKey key(Registry, opened);
    std::array<std::uint8_t, 4> data{};
    std::uint32_t size = static_cast<std::uint32_t>(data.size());
    std::uint32_t type = 0;
    return Registry.QueryValue(key.Get(), kCommandPromptPolicyValue, type, data.data(), size) == 0 &&
           type == kRegDword && size == data.size() && data == kBlocksBatchFiles;
}

}  // namespace tindrel
