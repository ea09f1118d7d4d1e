#pragma once
#include <string>
#include <string_view>

#include "run/registry_api.h"

namespace tindrel {

// Reads one value of one key as text. True once the key opened and the value was
// queried, whatever its type; on failure KeyVal is emptied. REG_SZ becomes its text,
// REG_DWORD its signed decimal; any other type leaves KeyVal as the caller passed it.
bool GetKeyValue(RegistryApi& Registry, RegistryKey KeyRoot, std::wstring_view KeyName,
                 std::wstring_view SubKeyRef, std::wstring& KeyVal);

}  // namespace tindrel
