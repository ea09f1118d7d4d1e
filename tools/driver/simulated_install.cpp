#include "tools/driver/simulated_install.h"

#include <fstream>

namespace tindrel::e2e {
namespace fs = std::filesystem;
namespace {
constexpr wchar_t kInstallKey[] = L"Software\\Ahead\\Nero - Burning Rom\\General";
constexpr wchar_t kInstallValue[] = L"RegisteredTypesNeroPath";
}  // namespace

fs::path OwnFolder() {
    wchar_t path[MAX_PATH];
    return fs::path(std::wstring(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH))).parent_path();
}

SimulatedInstall::SimulatedInstall(const fs::path& folder, const std::string& settings) : folder_(folder) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kInstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    wchar_t saved[1024] = {};
    DWORD size = sizeof saved - sizeof(wchar_t);
    hadValue_ = ::RegQueryValueExW(key_, kInstallValue, nullptr, nullptr, reinterpret_cast<BYTE*>(saved), &size) ==
                ERROR_SUCCESS;
    saved_ = saved;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    fs::copy_file(OwnFolder() / L"nerocmd.exe", folder_ / L"nerocmd.exe");
    Configure(settings);
    SetEntry((folder_ / L"nero.exe").wstring());
}

SimulatedInstall::~SimulatedInstall() {
    if (hadValue_) {
        SetEntry(saved_);
    } else {
        RemoveEntry();
    }
    ::RegCloseKey(key_);
}

void SimulatedInstall::Configure(const std::string& settings) const {
    std::ofstream(folder_ / L"nerocmd.cfg", std::ios::binary | std::ios::trunc) << settings;
}

void SimulatedInstall::SetEntry(const std::wstring& path) const {
    ::RegSetValueExW(key_, kInstallValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                     static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

void SimulatedInstall::SetRawEntry(DWORD type, const std::string& bytes) const {
    ::RegSetValueExA(key_, "RegisteredTypesNeroPath", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
}

void SimulatedInstall::RemoveEntry() const { ::RegDeleteValueW(key_, kInstallValue); }

bool SimulatedInstall::WorkFilesLeft() const {
    return fs::exists(folder_ / L"b.txt") || fs::exists(folder_ / L"run.bat");
}

}  // namespace tindrel::e2e
