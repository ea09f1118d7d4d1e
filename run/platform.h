#pragma once
// The operations a test run needs of the platform. Windows implements them in run/win;
// tests implement them with fakes and a fake clock.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "run/system_error.h"

namespace tindrel {

using Milliseconds = std::chrono::milliseconds;

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool FileExists(const std::wstring& path) = 0;
    // True while some process holds the file open for writing: a redirected tool
    // output that is still being written.
    virtual bool IsBeingWritten(const std::wstring& path) = 0;
    virtual bool IsDirectory(const std::wstring& path) = 0;
    // Empty when deleted or already gone; the error when another process holds the file
    // (worth retrying). Throws for any other failure.
    virtual std::optional<SystemError> TryDeleteFile(const std::wstring& path) = 0;
    virtual void ChangeDirectory(const std::wstring& path) = 0;
    // Creates or truncates the file and writes the bytes. Throws on failure.
    virtual void WriteFile(const std::wstring& path, const std::string& bytes) = 0;
    // The 8.3 form of an existing path; empty where the volume has none.
    virtual std::wstring ShortPath(const std::wstring& path) = 0;
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
    // Ends whatever still runs of it, so that it lets go of the work files.
    virtual void Stop() = 0;
};

class ToolLauncher {
public:
    virtual ~ToolLauncher() = default;
    // Starts the batch file hidden, with the given working directory, without waiting.
    virtual std::unique_ptr<LaunchedTool> Launch(const std::wstring& batchFile,
                                                 const std::wstring& workingDirectory) = 0;
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
