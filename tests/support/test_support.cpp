#include "tests/support/test_support.h"

#include <windows.h>

namespace tindrel::testing {

namespace fs = std::filesystem;

fs::path OwnFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(std::wstring(path, length)).parent_path();
}

bool WorkFilesLeft(const fs::path& folder) { return fs::exists(folder / L"b.txt") || fs::exists(folder / L"run.bat"); }

}  // namespace tindrel::testing
