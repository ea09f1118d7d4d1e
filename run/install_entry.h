#pragma once
// Where the burning suite records its installation: under HKEY_CURRENT_USER, the full
// path of its main program nero.exe.

namespace tindrel {

inline constexpr wchar_t kInstallKey[] = L"Software\\Ahead\\Nero - Burning Rom\\General";
inline constexpr wchar_t kInstallValue[] = L"RegisteredTypesNeroPath";

}  // namespace tindrel
