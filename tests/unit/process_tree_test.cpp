#include "run/process_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tindrel {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

// A machine's processes on a clock that the test moves: each process has an identifier,
// the identifier its parent had, and a creation time. Identifiers are handed out again
// once a process has gone, as Windows does.
class FakeProcessTable final : public ProcessTable {
public:
    struct Entry {
        unsigned long ParentId;
        std::uint64_t Created;
        std::string Name;
    };

    class Opened final : public Process {
    public:
        Opened(FakeProcessTable& table, unsigned long id) : table_(table), id_(id), name_(table.Running.at(id).Name) {}
        std::optional<std::uint64_t> CreationTime() override { return table_.Running.at(id_).Created; }
        void Terminate() override {
            table_.Journal.push_back("end " + name_);
            table_.Ended.push_back(name_);
            if (table_.OnEnd) table_.OnEnd(name_);
        }
        void WaitForEnd() override { table_.Journal.push_back("wait for " + name_); }

    private:
        FakeProcessTable& table_;
        unsigned long id_;
        std::string name_;
    };

    std::uint64_t Now() override {
        Journal.push_back("now");
        return Clock;
    }
    void Pause() override { Clock += PauseAdvance; }
    std::vector<Listed> Snapshot() override {
        Journal.push_back("snapshot");
        std::vector<Listed> listed;
        for (const auto& [id, entry] : Running) listed.push_back({id, entry.ParentId});
        return listed;
    }
    std::unique_ptr<Process> Open(unsigned long id) override {
        if (BeforeOpen) BeforeOpen(id);
        if (!Running.count(id)) return nullptr;
        return std::make_unique<Opened>(*this, id);
    }

    // A process ends and a new one, created now, takes its identifier.
    void Reuse(unsigned long id, unsigned long parentId, std::string name) {
        Running[id] = {parentId, ++Clock, std::move(name)};
    }

    std::map<unsigned long, Entry> Running;
    std::uint64_t Clock = 1000;
    std::uint64_t PauseAdvance = 1;  // 0: a clock set back, which stays behind
    std::vector<std::string> Journal;
    std::vector<std::string> Ended;
    std::function<void(const std::string&)> OnEnd;
    std::function<void(unsigned long)> BeforeOpen;
};

// An earlier holder of the interpreter's identifier left a child behind; the interpreter
// (400) runs the tool, which left a helper; the user works in an editor.
std::map<unsigned long, FakeProcessTable::Entry> Machine() {
    return {{100, {4, 10, "explorer"}},   {420, {400, 20, "child of an earlier 400"}},
            {400, {100, 500, "cmd"}},     {410, {400, 510, "nerocmd"}},
            {430, {410, 520, "helper"}},  {440, {100, 530, "editor"}}};
}

class ProcessTreeTest : public ::testing::Test {
protected:
    ProcessTreeTest() { table.Running = Machine(); }
    void EndTree() {
        FakeProcessTable::Opened root(table, 400);
        EndProcessTree(root, 400, table);
    }
    void Reset() {
        table = FakeProcessTable{};
        table.Running = Machine();
    }

    FakeProcessTable table;
};

TEST_F(ProcessTreeTest, TheInterpreterAndEverythingItStartedEndNothingElse) {
    EndTree();
    EXPECT_THAT(table.Ended, ElementsAre("cmd", "nerocmd", "helper"));
    // The time is taken before the list, the list once the interpreter is gone.
    EXPECT_THAT(std::vector(table.Journal.begin(), table.Journal.begin() + 4),
                ElementsAre("end cmd", "wait for cmd", "now", "snapshot"));

    // A child the interpreter starts in its last moment is on the list, and ended.
    Reset();
    table.OnEnd = [&](const std::string& name) {
        if (name == "cmd") table.Running[450] = {400, 600, "started as cmd ended"};
    };
    EndTree();
    EXPECT_THAT(table.Ended, ElementsAre("cmd", "nerocmd", "started as cmd ended", "helper"));
}

TEST_F(ProcessTreeTest, AnIdentifierTakenOverAfterTheListIsNeverEnded) {
    // The tool exits between the list and its opening; the user's new editor gets its
    // identifier, as a child of explorer or even of a process that got cmd's.
    for (const unsigned long newParent : {100ul, 400ul}) {
        SCOPED_TRACE(newParent);
        Reset();
        table.BeforeOpen = [&, newParent](unsigned long id) {
            if (id == 410) table.Reuse(410, newParent, "new editor");
        };
        EndTree();
        EXPECT_THAT(table.Ended, ElementsAre("cmd"));
    }

    // The helper exits and a process stamped in the clock step the time was taken in
    // gets its identifier: the time cannot tell them apart, so it is left alone.
    Reset();
    table.BeforeOpen = [&](unsigned long id) {
        if (id == 430) table.Running[430] = {410, table.Clock, "new editor"};
    };
    EndTree();
    EXPECT_THAT(table.Ended, ElementsAre("cmd", "nerocmd"));
}

// Creation times come in clock steps. An earlier holder of the interpreter's identifier
// may have started a cmd in the very step the interpreter was created in; that one is
// never ended, so the interpreter is let run only once the clock has left its step, and
// what it starts is stamped after it.
TEST_F(ProcessTreeTest, NothingTheInterpreterStartsSharesItsClockStep) {
    table.Clock = 500;  // the step the interpreter was created in
    FakeProcessTable::Opened root(table, 400);
    WaitPastCreationStep(root, table);
    EXPECT_GT(table.Clock, 500u);

    Reset();
    table.Running[450] = {400, 500, "cmd an earlier 400 started in the same step"};
    EndTree();
    EXPECT_THAT(table.Ended, ElementsAre("cmd", "nerocmd", "helper"));

    // A system time set back while the interpreter waits does not hold it for ever.
    table.Clock = 100;
    table.PauseAdvance = 0;
    WaitPastCreationStep(root, table);
}

}  // namespace
}  // namespace tindrel
