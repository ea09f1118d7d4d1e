#pragma once
// A simulated installation for driving the real program: a tool folder holding the
// simulated nerocmd.exe, named in the installation entry. Whatever entry the prefix had
// is put back when the object goes.

#include <windows.h>

#include <filesystem>
#include <string>

namespace tindrel::e2e {

class SimulatedInstall {
public:
    // `settings` goes into nerocmd.cfg (see the simulated tool).
    explicit SimulatedInstall(const std::filesystem::path& folder, const std::string& settings = "mode=list\n");
    ~SimulatedInstall();
    SimulatedInstall(const SimulatedInstall&) = delete;
    SimulatedInstall& operator=(const SimulatedInstall&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    void Configure(const std::string& settings) const;
    // Sets the registry value to any text, or to a value of any type and bytes.
    void SetEntry(const std::wstring& path) const;
    void SetRawEntry(DWORD type, const std::string& bytes) const;
    void RemoveEntry() const;
    bool WorkFilesLeft() const;
    // How often the simulated tool has started from the folder (lines in its log).
    int ToolStarts() const;
    // Ends every simulated tool started from the folder that still runs: one the
    // program could not end outlives it. Returns how many there were.
    int EndToolsStillRunning() const;

private:
    std::filesystem::path folder_;
    HKEY key_ = nullptr;
    std::wstring saved_;
    bool hadValue_ = false;
};


}  // namespace tindrel::e2e
