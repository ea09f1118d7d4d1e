#include <windows.h>

// Placeholder until the main window exists: proves the build, the static runtime and
// the Unicode GUI entry point under Wine.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::MessageBoxW(nullptr, L"Tindrel测试", L"Tindrel", MB_OK);
    return 0;
}
