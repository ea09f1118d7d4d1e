#pragma once
// Small things the Windows tests and the tools beside them all need.

#include <filesystem>

namespace tindrel::testing {

// The folder of the running program: where the build puts the tests, tindrel.exe and the
// simulated tool side by side.
std::filesystem::path OwnFolder();

// True while run.bat or b.txt is in `folder`.
bool WorkFilesLeft(const std::filesystem::path& folder);

}  // namespace tindrel::testing
