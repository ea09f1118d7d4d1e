#pragma once
// The names a run is built from, each spelled once: the tool, its argument and the work
// files. The batch line is composed from the same names the run then waits for and
// removes.

namespace tindrel {

// The suite's command-line drive lister: the name the batch line calls it by (the
// command interpreter finds it through PATHEXT), its program file, and the argument
// that makes it list the drives.
inline constexpr wchar_t kToolName[] = L"nerocmd";
inline constexpr wchar_t kToolFile[] = L"nerocmd.exe";
inline constexpr wchar_t kToolArgument[] = L"--listdrives";

// The work files: the tool's output, the one-line batch file that runs it, its error
// output, and the command interpreter's own standard output (the commands it echoes, and
// what it says when it will not run the batch file), which is never the tool's.
inline constexpr wchar_t kOutputFile[] = L"b.txt";
inline constexpr wchar_t kBatchFile[] = L"run.bat";
inline constexpr wchar_t kErrorFile[] = L"stderr.txt";
inline constexpr wchar_t kInterpreterOutputFile[] = L"stdout.txt";

}  // namespace tindrel
