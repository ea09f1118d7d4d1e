#include "tools/driver/app_driver.h"

#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/support/test_support.h"
#include "tools/driver/unix_process.h"

namespace tindrel::e2e {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto giveUp = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        std::this_thread::sleep_for(50ms);
    }
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPromptlyMs, &length)) return L"<hung>";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          kPromptlyMs, &copied);
    text.resize(copied);
    return text;
}

RECT RectIn(HWND parent, HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE ClientSize(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    return SIZE{rect.right, rect.bottom};
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, old);
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize), 0,
                          0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    info.bmiHeader.biSizeImage = imageSize;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageSize);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return out.good();
}

std::vector<std::uint32_t> ScreenPixels(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    const auto* first = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(first, first + static_cast<size_t>(width) * height);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    for (std::uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

void PressKey(WORD key, bool shift) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD virtualKey, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (shift) add(VK_SHIFT, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void ClickWithMouse(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

RunningApp::RunningApp() : RunningApp(L"tindrel.exe", TINDREL_FORM1_CLASS) {}

RunningApp::RunningApp(const wchar_t* program, const wchar_t* windowClass) {
    const auto started = std::chrono::steady_clock::now();
    if (!Start(program)) return;
    const auto giveUp = started + kPromptly;
    while (!(main_ = FindWindowOf(windowClass)) || !::IsWindowVisible(main_)) {
        if (std::chrono::steady_clock::now() > giveUp || !Running()) {
            main_ = nullptr;
            return;
        }
        ::Sleep(1);
    }
    startup_ = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
}

RunningApp::RunningApp(NoWindow) { Start(L"tindrel.exe"); }

RunningApp RunningApp::StartOnly() { return RunningApp(NoWindow{}); }

RunningApp::RunningApp(RunningApp&& other) noexcept
    : process_(std::exchange(other.process_, {})),
      main_(std::exchange(other.main_, nullptr)),
      startup_(other.startup_),
      unixName_(std::move(other.unixName_)),
      unixPid_(other.unixPid_),
      answers_(std::move(other.answers_)) {}

bool RunningApp::Start(const wchar_t* program) {
    // A program named without a folder is the one built beside this one.
    std::wstring exe = program;
    if (std::filesystem::path(exe).is_relative()) exe = (testing::OwnFolder() / program).wstring();
    // Linux keeps the first 15 bytes of the name.
    unixName_ = std::filesystem::path(exe).filename().string().substr(0, 15);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_) != FALSE;
}

RunningApp::~RunningApp() {
    End();
    if (process_.hProcess) ::CloseHandle(process_.hProcess);
    if (process_.hThread) ::CloseHandle(process_.hThread);
}

HWND RunningApp::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(main_, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

void RunningApp::Click(int id) const {
    // Posted, not sent: Start's handler runs the whole test run before it returns.
    ::PostMessageW(Control(id), BM_CLICK, 0, 0);
}

namespace {

struct WindowSearch {
    DWORD Process;
    const wchar_t* ClassName;
    const wchar_t* Caption;
    HWND Found;
};

// A named CALLBACK, not a lambda: 32-bit callbacks are __stdcall.
BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* s = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner == s->Process && ::lstrcmpiW(name, s->ClassName) == 0 && (!s->Caption || WindowText(window) == s->Caption)) {
        s->Found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND RunningApp::FindWindowOf(const wchar_t* className, const wchar_t* caption) const {
    WindowSearch search{process_.dwProcessId, className, caption, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::wstring RunningApp::Caption() const {
    // For another process's window GetWindowTextW reads the stored caption, never sending
    // WM_GETTEXT.
    wchar_t text[256] = {};
    ::GetWindowTextW(main_, text, 256);
    return text;
}

bool RunningApp::WaitForCaption(const std::wstring& caption, std::chrono::milliseconds timeout) const {
    return WaitUntil([&] { return Caption() == caption; }, timeout);
}

bool RunningApp::WaitForExit(std::chrono::milliseconds timeout, DWORD* code) const {
    if (::WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return false;
    if (code) ::GetExitCodeProcess(process_.hProcess, code);
    return true;
}

double RunningApp::CpuSeconds() const {
    if (!unixPid_) unixPid_ = FindUnixProcess(unixName_);
    return unixPid_ ? ReadUnixProcess(unixPid_).CpuSeconds : 0;
}

void RunningApp::End() const {
    if (!Running()) return;
    ::TerminateProcess(process_.hProcess, 99);
    ::WaitForSingleObject(process_.hProcess, 5000);
}

bool RunningApp::Running() const {
    return process_.hProcess && ::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

}  // namespace tindrel::e2e
