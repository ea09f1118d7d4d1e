#pragma once
// How the command interpreter is started for the batch file (its arguments, working
// folder and environment, which the launcher hands to the system as they are), and the
// drive letter a stopped batch leaves behind.

#include <string>
#include <string_view>
#include <vector>

namespace tindrel {

// The batch file's full path, handed to the interpreter in its environment where the
// batch file lies on a network path.
inline constexpr wchar_t kBatchFileVariable[] = L"TINDREL_BATCH_FILE";

struct InterpreterStart {
    std::wstring Arguments;      // after the interpreter's name on its command line
    std::wstring WorkingFolder;
    std::wstring Environment;    // NAME=value strings, each ended by a NUL, then a NUL
};

// The start for `batchFile`, whose batch line may name `toolFolder` by its variable, in
// `parentEnvironment` (the program's own block, with or without its final NUL).
// `systemFolder` is the working folder where the batch file's own cannot be one.
InterpreterStart PlanInterpreterStart(const std::wstring& batchFile, const std::wstring& toolFolder,
                                      std::wstring_view parentEnvironment, const std::wstring& systemFolder);

// pushd maps a drive letter for a network folder, which only popd removes; the batch line
// runs no popd (the tool comes last), so the launcher frees the letter itself once the
// interpreter has ended, or each run would leave one more letter taken until log-off.
class NetworkDrives {
public:
    struct Mapping {
        std::wstring Drive;  // "Z:"
        std::wstring Share;  // "\\server\share"
    };

    virtual ~NetworkDrives() = default;
    // The drive letters mapped to network shares for this session only: none the user
    // asked to have restored at sign-in. Empty when they cannot be listed.
    virtual std::vector<Mapping> SessionMappings() = 0;
    // Removes the mapping, even while a stopped tool still has something open on it.
    virtual void Unmap(const std::wstring& drive) = 0;
};

// The share (\\server\share) a network folder lies on; empty for a local folder.
std::wstring NetworkShareOf(std::wstring_view folder);

// Notes the mappings there are as a batch for `toolFolder` starts, and removes, once
// the batch is stopped, the mappings of the tool folder's share made since: pushd's.
// Nothing at all for a local folder.
class PushdDrives {
public:
    PushdDrives(NetworkDrives* drives, std::wstring_view toolFolder);
    void RemoveNew();

private:
    NetworkDrives* drives_;  // null for a local tool folder
    std::wstring share_;
    std::vector<NetworkDrives::Mapping> before_;
};

}  // namespace tindrel
