#include "run/process_tree.h"

namespace tindrel {
namespace {

// One pause lasts about a clock step; a system time set back meanwhile ends the wait
// after this many all the same.
constexpr int kMostPauses = 20;

}  // namespace

void WaitPastCreationStep(ProcessTable::Process& root, ProcessTable& table) {
    const std::optional<std::uint64_t> created = root.CreationTime();
    if (!created) return;
    for (int pauses = 0; table.Now() <= *created && pauses < kMostPauses; ++pauses) table.Pause();
}

// The root is ended first, so that it starts nothing after the list is taken. A listed
// process counts as a child only when it was created after its parent and before the
// moment the list was taken:
// - its parent is held open while its children are looked up, so no other process has
//   had the parent's identifier since the parent was created, and only an earlier
//   holder's children (created before the parent) name it as well;
// - a listed process that ended before it was opened may have lent its identifier to a
//   new one, created after the list was taken.
// Creation times come in clock steps (about 15.6 ms on XP to 7), and a process stamped
// with its parent's time, or with the time taken before the list, could be either, so it
// is left alone. Its name would not settle it: an earlier holder of the interpreter's
// identifier that started a cmd.exe and ended at once (as `start` does), its identifier
// handed to this run's interpreter, all within one step, left a cmd.exe that looks like
// this run's own in every way but the order within the step. The interpreter is
// therefore let run only once the clock has left its step (WaitPastCreationStep), so that
// the tool it starts is stamped after it; a helper the tool starts in its own step stays.
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
