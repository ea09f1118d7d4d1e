#include "run/process_tree.h"

namespace tindrel {

// The root is ended first, so that it starts nothing after the list is taken. A listed
// process counts as a child only when it was created after its parent and before the
// moment the list was taken:
// - its parent is held open while its children are looked up, so no other process has
//   had the parent's identifier since the parent was created, and only an earlier
//   holder's children (created before the parent) name it as well;
// - a listed process that ended before it was opened may have lent its identifier to a
//   new one, created after the list was taken.
// Creation times come in clock steps: a process stamped with its parent's time, or with
// the time taken before the list, could be either, and is left alone.
void EndProcessTree(ProcessTable::Process& root, unsigned long rootId, ProcessTable& table) {
    root.Terminate();
    root.WaitForEnd();
    const std::optional<std::uint64_t> rootCreated = root.CreationTime();
    if (!rootCreated) return;
    const std::uint64_t listed = table.Now();
    const std::vector<ProcessTable::Listed> processes = table.Snapshot();

    struct Parent {
        unsigned long Id;
        std::uint64_t Created;
        std::unique_ptr<ProcessTable::Process> Held;  // null for the root, which the caller holds
    };
    std::vector<Parent> parents;
    parents.push_back({rootId, *rootCreated, nullptr});
    for (std::size_t next = 0; next < parents.size(); ++next) {
        for (const ProcessTable::Listed& process : processes) {
            if (process.ParentId != parents[next].Id || process.Id == process.ParentId) continue;
            std::unique_ptr<ProcessTable::Process> child = table.Open(process.Id);
            const std::optional<std::uint64_t> created = child ? child->CreationTime() : std::nullopt;
            if (!created || *created <= parents[next].Created || *created >= listed) continue;
            child->Terminate();
            parents.push_back({process.Id, *created, std::move(child)});
        }
    }
}

}  // namespace tindrel
