#pragma once
// The answers older or real Windows gives where Wine answers otherwise, which the
// older_windows DLL makes tindrel.exe's imports give once the driver has loaded it into
// the running program. Shared by the DLL and the driver.

#include <windows.h>

namespace tindrel::older {

enum Answer : LONG {
    // The message wait rejects QS_TOUCH | QS_POINTER (0x1800), which Windows 8 added:
    // WAIT_FAILED with ERROR_INVALID_PARAMETER.
    kWakeMaskBeforeWindows8 = 1 << 0,
    // The program runs in a job that allows no breakaway, where jobs do not nest
    // (Windows 7 and earlier): CREATE_BREAKAWAY_FROM_JOB and AssignProcessToJobObject
    // fail with ERROR_ACCESS_DENIED.
    kJobWithoutBreakaway = 1 << 1,
    // A delete fails with ERROR_SHARING_VIOLATION while another process has the file open
    // for writing: on Windows cmd's redirection shares no delete access, under Wine it
    // does. (A writer that does share it is refused too.)
    kSharingRules = 1 << 2,
    // The tool is stuck in a driver call: ending it (TerminateProcess on another process,
    // TerminateJobObject, closing a kill-on-close job) reports success and ends nothing.
    kToolCannotBeEnded = 1 << 3,
    // `regsvr32 /u scrrun.dll`: the file-system object's class is not registered.
    kFileSystemObjectUnregistered = 1 << 4,
    // A volume that creates no 8.3 names: GetShortPathNameW hands back the long name.
    kNoShortNames = 1 << 5,
    // Software Restriction Policies or AppLocker block cmd.exe: starting it fails with
    // ERROR_ACCESS_DISABLED_BY_POLICY.
    kInterpreterBlocked = 1 << 6,
    // The folder of every file dropped off the network: deleting fails with
    // ERROR_NETNAME_DELETED and the file stays.
    kNetworkFolderGone = 1 << 7,
    // cmd.exe starts and then refuses the batch file without running a line of it: the
    // user's "Prevent access to the command prompt" policy with scripts (DisableCMD = 1)
    // says so on the standard output and ends with 0; AppLocker's script rules say so on
    // the error output and end with 1.
    kBatchFilesRefused = 1 << 8,
    kBatchFilesRefusedWithError = 1 << 9,

    kWindows7 = kWakeMaskBeforeWindows8 | kJobWithoutBreakaway | kSharingRules,
};

// What the driver and the DLL share, in a mapping named for the target process. The
// driver may change Answers at any time; the DLL reports which answers it could give.
struct SharedBlock {
    volatile LONG Answers;
    volatile LONG Rewritten;  // answers with at least one import of the program rewritten
    // What the program's message loop did since the DLL was loaded, whatever the answers:
    // waits asked for, waits refused for their flags, and peeks at the queue.
    volatile LONG Waits;
    volatile LONG RefusedWaits;
    volatile LONG Peeks;
};

inline void SharedBlockName(DWORD processId, wchar_t (&name)[64]) {
    ::wsprintfW(name, L"Local\\TindrelOlderWindows.%lu", processId);
}

}  // namespace tindrel::older
