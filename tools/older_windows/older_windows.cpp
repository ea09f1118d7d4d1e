// Loaded into a running tindrel.exe by the driver (RunningApp::AnswerAs): rewrites the
// program's import address table so that chosen calls answer as older or real Windows
// does (older_windows.h). Each rewritten call reads the driver's current choice when it
// is made; what is not chosen goes to the real function unchanged.

#include "tools/older_windows/older_windows.h"

#include <objbase.h>

namespace {

using namespace tindrel::older;

SharedBlock* shared = nullptr;

bool On(Answer answer) { return shared && (shared->Answers & answer) != 0; }

// What the program's import slots held before, for the calls that pass through.
decltype(&::MsgWaitForMultipleObjectsEx) realMsgWaitForMultipleObjectsEx = ::MsgWaitForMultipleObjectsEx;
decltype(&::CreateProcessW) realCreateProcessW = ::CreateProcessW;
decltype(&::AssignProcessToJobObject) realAssignProcessToJobObject = ::AssignProcessToJobObject;
decltype(&::SetInformationJobObject) realSetInformationJobObject = ::SetInformationJobObject;
decltype(&::TerminateJobObject) realTerminateJobObject = ::TerminateJobObject;
decltype(&::TerminateProcess) realTerminateProcess = ::TerminateProcess;
decltype(&::DeleteFileW) realDeleteFileW = ::DeleteFileW;
decltype(&::CoCreateInstance) realCoCreateInstance = ::CoCreateInstance;
decltype(&::GetShortPathNameW) realGetShortPathNameW = ::GetShortPathNameW;
decltype(&::PeekMessageW) realPeekMessageW = ::PeekMessageW;

constexpr DWORD kTouchAndPointer = 0x1800;  // QS_TOUCH | QS_POINTER
// Scripting.FileSystemObject
constexpr CLSID kFileSystemObject = {0x0D43FE01, 0xF093, 0x11CF, {0x89, 0x40, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};

template <typename Result>
Result Failing(DWORD code, Result result) {
    ::SetLastError(code);
    return result;
}

void Count(volatile LONG SharedBlock::*counter) {
    if (shared) ::InterlockedIncrement(&(shared->*counter));
}

DWORD WINAPI MsgWaitForMultipleObjectsExAsOlder(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                                DWORD flags) {
    if (On(kWakeMaskBeforeWindows8) && (wakeMask & kTouchAndPointer)) {
        Count(&SharedBlock::RefusedWaits);
        return Failing(ERROR_INVALID_PARAMETER, WAIT_FAILED);
    }
    Count(&SharedBlock::Waits);
    return realMsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, flags);
}

BOOL WINAPI PeekMessageWCounted(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
    Count(&SharedBlock::Peeks);
    return realPeekMessageW(message, window, first, last, remove);
}

bool IsInterpreter(LPCWSTR application) {
    const int length = application ? ::lstrlenW(application) : 0;
    return length >= 8 && ::lstrcmpiW(application + length - 8, L"\\cmd.exe") == 0;
}

// What the interpreter prints, in the code page it prints in.
void Say(HANDLE output, const wchar_t* message) {
    char bytes[256];
    const int length = ::WideCharToMultiByte(CP_OEMCP, 0, message, -1, bytes, sizeof bytes, nullptr, nullptr);
    DWORD written = 0;
    if (length > 1) ::WriteFile(output, bytes, static_cast<DWORD>(length - 1), &written, nullptr);
}

BOOL WINAPI CreateProcessWAsOlder(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                                  LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                                  LPVOID environment, LPCWSTR directory, LPSTARTUPINFOW startup,
                                  LPPROCESS_INFORMATION information) {
    if (On(kInterpreterBlocked) && IsInterpreter(application)) return Failing(ERROR_ACCESS_DISABLED_BY_POLICY, FALSE);
    if (On(kJobWithoutBreakaway) && (flags & CREATE_BREAKAWAY_FROM_JOB)) return Failing(ERROR_ACCESS_DENIED, FALSE);
    // The interpreter still starts; it only ends without running the batch file.
    wchar_t endsWithZero[] = L"cmd.exe /d /c exit 0";
    wchar_t endsWithOne[] = L"cmd.exe /d /c exit 1";
    if ((On(kBatchFilesRefused) || On(kBatchFilesRefusedWithError)) && IsInterpreter(application) && startup) {
        const bool onError = On(kBatchFilesRefusedWithError);
        Say(onError ? startup->hStdError : startup->hStdOutput,
            onError ? L"此程序被组策略阻止。有关详细信息，请与系统管理员联系。\r\n" : L"命令提示符已被系统管理员停用。\r\n");
        commandLine = onError ? endsWithOne : endsWithZero;
    }
    return realCreateProcessW(application, commandLine, processAttributes, threadAttributes, inheritHandles, flags,
                              environment, directory, startup, information);
}

BOOL WINAPI AssignProcessToJobObjectAsOlder(HANDLE job, HANDLE process) {
    if (On(kJobWithoutBreakaway)) return Failing(ERROR_ACCESS_DENIED, FALSE);
    return realAssignProcessToJobObject(job, process);
}

// Closing a kill-on-close job would end the tool under Wine; a stuck tool outlives it.
BOOL WINAPI SetInformationJobObjectAsOlder(HANDLE job, JOBOBJECTINFOCLASS kind, LPVOID information, DWORD length) {
    if (On(kToolCannotBeEnded) && kind == JobObjectExtendedLimitInformation &&
        length == sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION)) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = *static_cast<JOBOBJECT_EXTENDED_LIMIT_INFORMATION*>(information);
        limits.BasicLimitInformation.LimitFlags &= ~static_cast<DWORD>(JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE);
        return realSetInformationJobObject(job, kind, &limits, length);
    }
    return realSetInformationJobObject(job, kind, information, length);
}

BOOL WINAPI TerminateJobObjectAsOlder(HANDLE job, UINT code) {
    if (On(kToolCannotBeEnded)) return TRUE;
    return realTerminateJobObject(job, code);
}

BOOL WINAPI TerminateProcessAsOlder(HANDLE process, UINT code) {
    // The program's own end must still work.
    if (On(kToolCannotBeEnded) && ::GetProcessId(process) != ::GetCurrentProcessId()) return TRUE;
    return realTerminateProcess(process, code);
}

BOOL WINAPI DeleteFileWAsOlder(LPCWSTR path) {
    if (On(kNetworkFolderGone)) return Failing(ERROR_NETNAME_DELETED, FALSE);
    if (On(kSharingRules)) {
        // Leaving out FILE_SHARE_WRITE makes the open fail while a writer holds the file.
        const HANDLE probe = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_SHARING_VIOLATION) {
            return Failing(ERROR_SHARING_VIOLATION, FALSE);
        }
        if (probe != INVALID_HANDLE_VALUE) ::CloseHandle(probe);
    }
    return realDeleteFileW(path);
}

HRESULT WINAPI CoCreateInstanceAsOlder(REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID interfaceId,
                                       LPVOID* object) {
    if (On(kFileSystemObjectUnregistered) && ::IsEqualCLSID(type, kFileSystemObject)) {
        if (object) *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    return realCoCreateInstance(type, outer, context, interfaceId, object);
}

// The program looks COM's functions up when it first needs them, so CoCreateInstance is
// rewritten where it is looked up.
decltype(&::GetProcAddress) realGetProcAddress = ::GetProcAddress;
FARPROC WINAPI GetProcAddressAsOlder(HMODULE module, LPCSTR name) {
    const FARPROC found = realGetProcAddress(module, name);
    const bool byName = (reinterpret_cast<ULONG_PTR>(name) >> 16) != 0;
    if (!found || !byName || ::lstrcmpA(name, "CoCreateInstance") != 0) return found;
    realCoCreateInstance = reinterpret_cast<decltype(realCoCreateInstance)>(reinterpret_cast<void*>(found));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(CoCreateInstanceAsOlder));
}

DWORD WINAPI GetShortPathNameWAsOlder(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
    if (!On(kNoShortNames) || !longPath || ::GetFileAttributesW(longPath) == INVALID_FILE_ATTRIBUTES) {
        return realGetShortPathNameW(longPath, shortPath, size);
    }
    const DWORD length = static_cast<DWORD>(::lstrlenW(longPath));
    if (size <= length || !shortPath) return length + 1;
    ::MoveMemory(shortPath, longPath, (length + 1) * sizeof(wchar_t));
    return length;
}

struct Rewrite {
    const char* Name;
    void* Hook;
    void** Real;
    Answer For;
};

// The casts between function and data pointers are what an import slot holds anyway.
template <typename Function>
Rewrite Entry(const char* name, Function hook, Function& real, Answer answer) {
    return {name, reinterpret_cast<void*>(hook), reinterpret_cast<void**>(&real), answer};
}

// Walks the main module's import descriptors and replaces the slot of every function
// named here, whichever DLL it comes from; returns the answers it could give.
LONG RewriteImports() {
    const Rewrite rewrites[] = {
        Entry("MsgWaitForMultipleObjectsEx", MsgWaitForMultipleObjectsExAsOlder, realMsgWaitForMultipleObjectsEx,
              kWakeMaskBeforeWindows8),
        Entry("CreateProcessW", CreateProcessWAsOlder, realCreateProcessW,
              static_cast<Answer>(kJobWithoutBreakaway | kInterpreterBlocked | kBatchFilesRefused |
                                  kBatchFilesRefusedWithError)),
        Entry("AssignProcessToJobObject", AssignProcessToJobObjectAsOlder, realAssignProcessToJobObject,
              kJobWithoutBreakaway),
        Entry("SetInformationJobObject", SetInformationJobObjectAsOlder, realSetInformationJobObject,
              kToolCannotBeEnded),
        Entry("TerminateJobObject", TerminateJobObjectAsOlder, realTerminateJobObject, kToolCannotBeEnded),
        Entry("TerminateProcess", TerminateProcessAsOlder, realTerminateProcess, kToolCannotBeEnded),
        Entry("DeleteFileW", DeleteFileWAsOlder, realDeleteFileW, static_cast<Answer>(kSharingRules | kNetworkFolderGone)),
        Entry("GetProcAddress", GetProcAddressAsOlder, realGetProcAddress, kFileSystemObjectUnregistered),
        Entry("GetShortPathNameW", GetShortPathNameWAsOlder, realGetShortPathNameW, kNoShortNames),
        Entry("PeekMessageW", PeekMessageWCounted, realPeekMessageW, Answer{}),
    };
    auto* const base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* const headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return 0;
    LONG rewritten = 0;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name; ++dll) {
        if (dll->OriginalFirstThunk == 0) continue;  // the names are only in the lookup table
        const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const char* imported = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name;
            for (const Rewrite& r : rewrites) {
                if (::lstrcmpA(imported, r.Name) != 0) continue;
                DWORD protection = 0;
                if (!::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection)) break;
                *r.Real = reinterpret_cast<void*>(slot->u1.Function);
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(r.Hook);
                ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
                rewritten |= r.For;
            }
        }
    }
    return rewritten;
}

}  // namespace

// Refuses to load without the driver's block, so the driver learns that nothing changed.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t name[64];
    SharedBlockName(::GetCurrentProcessId(), name);
    const HANDLE mapping = ::OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!mapping) return FALSE;
    // The mapping stays open for the life of the process, as the rewritten slots do.
    auto* const block = static_cast<SharedBlock*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SharedBlock)));
    if (!block) return FALSE;
    shared = block;
    block->Rewritten = RewriteImports();
    return TRUE;
}
