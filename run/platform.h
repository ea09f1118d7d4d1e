#pragma once
// The operations a test run needs of the platform. Windows implements them in run/win;
// tests implement them with fakes and a fake clock.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "run/system_error.h"

namespace tindrel {

using Milliseconds = std::chrono::milliseconds;

enum class DeleteResult {
    Deleted,  // or already gone, its folder with it
    Held,     // another process holds the file: worth retrying a moment later
    Stays,    // for any other reason (read-only, no right to delete it, write-protected media, a
              // network folder that dropped off)
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool FileExists(const std::wstring& path) = 0;
    // False only once the name is really free: a file that is deleted but still held
    // open by another program (pending deletion) is still there.
    virtual bool NameTaken(const std::wstring& path) = 0;
    // True while some process holds the file open for writing: a redirected tool
    // output that is still being written.
    virtual bool IsBeingWritten(const std::wstring& path) = 0;
    virtual bool IsDirectory(const std::wstring& path) = 0;
    // Size in bytes of an existing file. Throws on failure.
    virtual std::uint64_t FileSize(const std::wstring& path) = 0;
    // Never throws: a file that cannot be deleted, for whatever reason, stays where it is
    // and a later run steps around it.
    virtual DeleteResult TryDeleteFile(const std::wstring& path) = 0;
    virtual std::wstring CurrentDirectory() = 0;
    virtual void ChangeDirectory(const std::wstring& path) = 0;
    // Makes `previous` the current directory again or, where it is gone, the system
    // folder: the program must not keep a folder it does not own in use.
    virtual void LeaveDirectory(const std::wstring& previous) = 0;
    // Creates or truncates the file and writes the bytes. Empty when written; the error
    // when the place refuses new files (access denied, write-protected media, a
    // read-only file in the way). Throws for any other failure.
    virtual std::optional<SystemError> TryWriteFile(const std::wstring& path, const std::string& bytes) = 0;
    // The folder `name` in the current user's temporary folder, for work files the tool
    // folder refuses and for the tool's error output; created, with any missing folder
    // above it, if it is not there. With its trailing backslash. Throws when it cannot be
    // had, a file of that name in the way included.
    virtual std::wstring PrivateWorkFolder(const std::wstring& name) = 0;
    // Removes the folder if it is empty; leaves it otherwise.
    virtual void RemoveEmptyFolder(const std::wstring& path) = 0;
    // The 8.3 form of an existing path; empty where the volume has none.
    virtual std::wstring ShortPath(const std::wstring& path) = 0;
    // The start of a text file, at most `maxBytes` of it, decoded as the tool's output
    // is; empty when the file is missing. Throws when it cannot be read.
    virtual std::wstring ReadTextStart(const std::wstring& path, std::uint64_t maxBytes) = 0;
};

// The code page the command interpreter reads batch files in.
class BatchEncoding {
public:
    virtual ~BatchEncoding() = default;
    // Empty when some character has no exact form in that code page.
    virtual std::optional<std::string> Encode(const std::wstring& text) const = 0;
};

// A launched batch file and everything it started.
class LaunchedTool {
public:
    virtual ~LaunchedTool() = default;
    // Ends whatever still runs of it, so that it lets go of the work files, and removes
    // the drive letter its pushd mapped for a network tool folder. Windows may not end a
    // tool stuck in a driver call; the run goes on all the same.
    virtual void Stop() = 0;
    // True once the command interpreter that runs the batch file has ended.
    virtual bool Finished() = 0;
    // The interpreter's exit status (the tool's, when the tool ran last); empty while it
    // runs.
    virtual std::optional<unsigned long> ExitCode() = 0;
};

// A started batch file, or why the command interpreter would not start.
struct LaunchResult {
    std::unique_ptr<LaunchedTool> Tool;  // empty when refused
    std::optional<SystemError> Refused;
    // Refused for good on this computer (a policy, the user's rights, a missing
    // interpreter), rather than this once (a system short of memory or in trouble).
    bool Blocked = false;
};

class ToolLauncher {
public:
    virtual ~ToolLauncher() = default;
    // Starts the batch file hidden, without waiting, through the command interpreter
    // with the batch file's own folder as its working directory (the system folder where
    // that is a network path), no ERRORLEVEL variable, the null device as its input, its
    // error output written to `errorFile` and its standard output to `outputFile` (each
    // the null device when empty or when the file cannot be made), and `toolFolder` in
    // the variable the batch line may name it by. Refused, never a failure, when the
    // interpreter does not start: the run explains it and the program goes on.
    virtual LaunchResult Launch(const std::wstring& batchFile, const std::wstring& errorFile,
                                const std::wstring& outputFile, const std::wstring& toolFolder) = 0;
};

// Elapsed time, unaffected by changes of the time of day.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Milliseconds Now() = 0;
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles user-interface events as they come until the clock reaches the deadline,
    // or until `stop` turns true after an event. Idles between events.
    virtual void ProcessEventsUntil(Milliseconds deadline, const std::function<bool()>& stop) = 0;
};

class InstallationNotice {
public:
    virtual ~InstallationNotice() = default;
    // Tells the user the tool is not installed and ends the program.
    [[noreturn]] virtual void ReportMissingInstallation() = 0;
};

}  // namespace tindrel
