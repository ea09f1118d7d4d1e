#!/usr/bin/env python3
"""scripts/check-imports reports every fault it is shown, and nothing else.

  check_imports_test.py SOURCE_DIR PROBE_EXE TINDREL_EXE (both 32-bit)
"""
import subprocess
import sys

source, probe, tindrel = sys.argv[1:4]
check = [sys.executable, source + "/scripts/check-imports"]
failed = False


def expect_failures(arguments, expected):
    """Runs the check; each failure line must start with exactly one expected text."""
    global failed
    result = subprocess.run(check + arguments, capture_output=True, text=True)
    lines = [line for line in result.stdout.splitlines() if line.startswith("FAIL ")]
    unmatched = list(expected)
    for line in lines:
        matches = [text for text in unmatched if line.startswith("FAIL " + text)]
        if len(matches) == 1:
            unmatched.remove(matches[0])
        else:
            print("unexpected: " + line)
            failed = True
    for text in unmatched:
        print("not reported: " + text)
        failed = True
    if result.returncode != 1:
        print("exit code %d, not 1" % result.returncode)
        failed = True
    print("%s: %d failures reported" % (" ".join(arguments), len(lines)))


expect_failures([probe, "--arch", "x86", "--xp-exports", source + "/tools/xp-exports"], [
    "header: subsystem version 6.00 is newer than 5.01",
    "time stamp: header 0x",
    "manifest: none",
    "version record: none",
    "imports: dwmapi.dll is not a DLL Windows protects",
    "XP SP3: no export list for dwmapi.dll",
    "XP SP3: kernel32.dll!GetThreadId is not exported",
    "XP SP3: kernel32.dll!GetTickCount64 is not exported",
    "XP SP3: kernel32.dll!InitializeConditionVariable is not exported",
    "XP SP3: user32.dll!GetDpiForWindow is not exported",
])
expect_failures([tindrel, "--arch", "amd64", "--version", "1.0.0.0", "--dlls", "kernel32"], [
    "header: machine 0x14c",
    "manifest: processorArchitecture x86, not amd64",
    "version record: 2.0.0.0, not 1.0.0.0",
    "imports: DLLs advapi32.dll comctl32.dll",
])
sys.exit(1 if failed else 0)
