#pragma once
// What a run of the real program can leave behind in the Wine prefix, found from inside
// it: the processes still running, console hosts Wine started and left without a client,
// which process holds a file open, and a folder removal that gives up instead of hanging.
// Every wait here is bounded.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/driver/unix_process.h"

namespace tindrel::e2e {

struct PrefixProcess {
    DWORD Id = 0;
    DWORD Parent = 0;        // the process that started it, which may have ended since
    std::wstring Name;       // e.g. conhost.exe
    ULONGLONG Created = 0;   // FILETIME as a number; 0 when it could not be read
};

// Every process of this Wine prefix (a prefix has its own wineserver, so its own list).
std::vector<PrefixProcess> PrefixProcesses();

// "conhost.exe 1234" (Wine's process id, as its tools show it).
std::string Describe(const PrefixProcess& process);

// The console hosts (conhost.exe) of `running` none of whose clients still runs. Wine
// starts a console host from the process that needs a console, and that process's
// children inherit the console: a host whose starter has ended and has no running
// descendant has no client left. On Windows a console host ends with its last client;
// under Wine one started while its client was being ended can stay for good, holding
// every handle it inherited from that client.
std::vector<PrefixProcess> ConsoleHostsWithoutClient(const std::vector<PrefixProcess>& running);

// Processes of this prefix that Wine began but never got going, for at least `age`: Linux
// runs them, still named after Wine's loader (Wine renames a process after its program
// once that is loaded) with none of the program loaded, and Wine's process and handle
// lists do not show them, so no process can be their client and Windows' tools cannot
// end them. Seen when the process that was starting them (an interpreter, the console
// host of one) was ended meanwhile; each keeps the handles it inherited.
std::vector<UnixProcess> WineProcessesNeverStarted(std::chrono::seconds age);

// True while another handle is open on the file (an exclusive open fails).
bool HeldOpen(const std::filesystem::path& file);
// Every file at or under `root`.
std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& root);

struct OpenFile {
    std::filesystem::path Path;
    DWORD Holder = 0;  // the process with a handle open on it
};

// The files open in any other process of the prefix at or under one of `roots` (Wine's
// system handle list, each handle's name read from a copy of it).
std::vector<OpenFile> OpenFilesUnder(const std::vector<std::filesystem::path>& roots);

// Ends a process and waits at most `timeout` for it to go; true once it has gone.
bool EndProcess(DWORD id, std::chrono::milliseconds timeout);

// Removes `root` and everything in it, read-only files too, trying again while something
// holds a file, for at most `timeout`. Returns what is still there (empty once it has gone).
std::vector<std::filesystem::path> RemoveTree(const std::filesystem::path& root, std::chrono::milliseconds timeout);

}  // namespace tindrel::e2e
