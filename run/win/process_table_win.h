#pragma once
#include <windows.h>

#include <memory>
#include <utility>

#include "run/process_tree.h"
#include "win/unique_handle.h"

namespace tindrel::win {

// A process handle, held for as long as the object lives; one the caller keeps when
// made from a plain HANDLE.
class Win32Process final : public ProcessTable::Process {
public:
    explicit Win32Process(HANDLE process) : process_(process) {}
    explicit Win32Process(UniqueHandleKernel owned) : process_(owned.Get()), owned_(std::move(owned)) {}

    std::optional<std::uint64_t> CreationTime() override;
    void Terminate() override;
    void WaitForEnd() override;

private:
    HANDLE process_;
    UniqueHandleKernel owned_;
};

// The machine's processes, listed by a Toolhelp snapshot.
class Win32ProcessTable final : public ProcessTable {
public:
    std::uint64_t Now() override;
    void Pause() override;
    std::vector<Listed> Snapshot() override;
    std::unique_ptr<Process> Open(unsigned long id) override;
};

}  // namespace tindrel::win
