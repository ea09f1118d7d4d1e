#include "tools/driver/older_windows_answers.h"

#include <utility>

#include "tests/support/test_support.h"

namespace tindrel::e2e {
namespace {

// The worker's own handle to the process: one given up on may outlive the caller's.
struct Injection {
    win::UniqueHandleKernel Process;
    std::wstring Dll;
    bool Loaded = false;
};

// Runs LoadLibraryW(dll) in the process; true once the DLL's DllMain agreed.
bool LoadInto(HANDLE process, const std::wstring& dll) {
    const SIZE_T bytes = (dll.size() + 1) * sizeof(wchar_t);
    void* const remotePath = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remotePath) return false;
    if (!::WriteProcessMemory(process, remotePath, dll.c_str(), bytes, nullptr)) {
        ::VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
        return false;
    }
    // kernel32 lies at the same address in every process of the session.
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const win::UniqueHandleKernel thread(::CreateRemoteThread(process, nullptr, 0, loadLibrary, remotePath, 0, nullptr));
    const bool ended = thread && ::WaitForSingleObject(thread.Get(), 10000) == WAIT_OBJECT_0;
    // A thread given up on may not have read the path yet: its few bytes stay with the
    // process rather than be read freed, which the program would be blamed for.
    if (thread && !ended) return false;
    ::VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
    DWORD module = 0;  // the low half of the HMODULE on 64-bit; never 0 for a loaded module
    return ended && ::GetExitCodeThread(thread.Get(), &module) && module != 0;
}

DWORD WINAPI Inject(void* parameter) {
    auto* const injection = static_cast<Injection*>(parameter);
    injection->Loaded = LoadInto(injection->Process.Get(), injection->Dll);
    return 0;
}

// Wine starts a thread in another process through a call that process must take in, and
// one taken while the process is busy can deadlock it (and this caller with it, for
// good). A process idle in its message loop takes it in its wait, safely: so the DLL is
// loaded only then, and a load that does not come back is given up.
bool LoadWhenIdle(HANDLE process, const std::wstring& dll) {
    if (::GetProcessId(process) != ::GetCurrentProcessId()) ::WaitForInputIdle(process, 30000);
    HANDLE own = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), process, ::GetCurrentProcess(), &own, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    auto* const injection = new Injection{win::UniqueHandleKernel(own), dll};
    const win::UniqueHandleKernel worker(::CreateThread(nullptr, 0, Inject, injection, 0, nullptr));
    if (!worker) {
        delete injection;
        return false;
    }
    if (::WaitForSingleObject(worker.Get(), 30000) != WAIT_OBJECT_0) return false;  // the worker keeps `injection`
    const bool loaded = injection->Loaded;
    delete injection;
    return loaded;
}

}  // namespace

OlderWindowsAnswers::~OlderWindowsAnswers() {
    if (block_) ::UnmapViewOfFile(block_);
}

OlderWindowsAnswers::OlderWindowsAnswers(OlderWindowsAnswers&& other) noexcept
    : mapping_(std::move(other.mapping_)), block_(std::exchange(other.block_, nullptr)) {}

bool OlderWindowsAnswers::Set(HANDLE process, DWORD processId, LONG answers) {
    if (!block_) {
        wchar_t name[64];
        older::SharedBlockName(processId, name);
        mapping_.Reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(older::SharedBlock),
                                            name));
        if (!mapping_) return false;
        block_ = static_cast<older::SharedBlock*>(
            ::MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE, 0, 0, sizeof(older::SharedBlock)));
        if (!block_) return false;
        block_->Answers = answers;
        if (!LoadWhenIdle(process, (testing::OwnFolder() / L"older_windows.dll").wstring())) {
            ::UnmapViewOfFile(std::exchange(block_, nullptr));
            return false;
        }
    }
    ::InterlockedExchange(&block_->Answers, answers);
    return (answers & ~block_->Rewritten) == 0;
}

OlderWindowsAnswers::LoopCounts OlderWindowsAnswers::Counts() const {
    if (!block_) return {};
    return {block_->Waits, block_->RefusedWaits, block_->Peeks};
}

}  // namespace tindrel::e2e
