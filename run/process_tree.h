#pragma once
// Ending a launched tool and what it started where no job holds them: found by parent in
// a list of the machine's processes and opened by identifier, which Windows hands to a
// new process as soon as the old one is gone.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tindrel {

class ProcessTable {
public:
    struct Listed {
        unsigned long Id;
        unsigned long ParentId;  // the parent's identifier when this process was created
    };

    // An open process: it keeps its identifier while it is open, even once it has ended.
    class Process {
    public:
        virtual ~Process() = default;
        // In the system time's units; empty when it cannot be read.
        virtual std::optional<std::uint64_t> CreationTime() = 0;
        // Asks for it to end; Windows may not end one stuck in a driver call.
        virtual void Terminate() = 0;
        // Waits a moment, at most, until it has ended.
        virtual void WaitForEnd() = 0;
    };

    virtual ~ProcessTable() = default;
    // The system time, as creation times are stamped.
    virtual std::uint64_t Now() = 0;
    // Lets a moment pass: a millisecond, or a clock step where the system's timer is coarse.
    virtual void Pause() = 0;
    virtual std::vector<Listed> Snapshot() = 0;
    // Null when it has gone or cannot be opened to be ended.
    virtual std::unique_ptr<Process> Open(unsigned long id) = 0;
};

// Returns once the system time has left the clock step `root` was created in. A root
// created suspended and let run only then stamps every process it starts later than
// itself, which EndProcessTree needs to end them.
void WaitPastCreationStep(ProcessTable::Process& root, ProcessTable& table);

// Ends `root` (the command interpreter, held open by the caller) and every process it
// started, directly or through others, and never another: see the definition.
void EndProcessTree(ProcessTable::Process& root, unsigned long rootId, ProcessTable& table);

}  // namespace tindrel
