#include "app/single_instance.h"

#include "resources/resource_ids.h"

namespace tindrel::app {
namespace {

// Local\ is this session's namespace, on every Windows version the program runs on.
constexpr wchar_t kMarkName[] = L"Local\\Tindrel-9d6ac343-b0d3-4cb0-9166-381dfd152330";
constexpr int kWindowWaitSteps = 60;
constexpr DWORD kWindowWaitStepMs = 50;

}  // namespace

SingleInstance::SingleInstance() : mark_(::CreateMutexW(nullptr, FALSE, kMarkName)) {
    // A mark that cannot be made (another user's, say) leaves this copy running on its own.
    anotherCopy_ = mark_ && ::GetLastError() == ERROR_ALREADY_EXISTS;
}

void SingleInstance::ShowRunningCopy() {
    for (int step = 0; step < kWindowWaitSteps; ++step) {
        if (const HWND window = ::FindWindowW(TINDREL_FORM1_CLASS, nullptr)) {
            if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
            // Allowed: the user has just started this copy, so it may give the foreground.
            ::SetForegroundWindow(::GetLastActivePopup(window));
            return;
        }
        ::Sleep(kWindowWaitStepMs);
    }
}

}  // namespace tindrel::app
