#pragma once
// A simulated machine for the test run: files, a command interpreter whose tool writes
// its output on a schedule, a fake clock driven by the event pump, and a view that
// records what the window would show. Everything that changes the world is written to
// one journal so tests can assert whole sequences.

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "run/platform.h"
#include "run/run_view.h"
#include "run/diagnostic_run.h"
#include "run/install_entry.h"
#include "run/run_context.h"
#include "run/work_files.h"
#include "tests/unit/fake_registry.h"

namespace tindrel::testing {

using namespace std::chrono_literals;
using Journal = std::vector<std::wstring>;

class FakeClock final : public Clock {
public:
    Milliseconds Now() override { return Current; }
    Milliseconds Current{0};
};

class FakeEventPump final : public EventPump {
public:
    explicit FakeEventPump(FakeClock& clock) : clock_(clock) {}

    void At(Milliseconds when, std::function<void()> event) { events_.emplace(when, std::move(event)); }

    void ProcessEventsUntil(Milliseconds deadline, const std::function<bool()>& stop) override {
        ++Calls;
        // How deeply waits nest: a press that began a run inside another's wait would
        // nest them, and the stack would grow with every press.
        ++Depth;
        MaxDepth = std::max(MaxDepth, Depth);
        struct Leave {
            int& Depth;
            ~Leave() { --Depth; }
        } leave{Depth};
        while (!events_.empty() && events_.begin()->first <= deadline) {
            auto event = std::move(events_.begin()->second);
            clock_.Current = std::max(clock_.Current, events_.begin()->first);
            events_.erase(events_.begin());
            event();
            if (stop()) return;
        }
        clock_.Current = std::max(clock_.Current, deadline);
    }

    int Calls = 0;
    int Depth = 0;
    int MaxDepth = 0;

private:
    FakeClock& clock_;
    std::multimap<Milliseconds, std::function<void()>> events_;
};

class FakeFileSystem final : public FileSystem {
public:
    struct File {
        std::string Bytes;
        bool Writing = false;        // held open by a writer
        int BusyDeletes = 0;         // deletions that fail as if another process held it
        bool HeldByOther = false;    // held with delete sharing: deleting only marks it
        bool DeletePending = false;  // deleted, but the name stays while it is held
        bool Undeletable = false;    // its network folder dropped off, or the like
    };

    static constexpr wchar_t kPrivateFolder[] = L"C:\\Users\\li\\AppData\\Local\\Temp\\Tindrel\\";
    static constexpr wchar_t kSystemFolder[] = L"C:\\Windows\\system32\\";

    explicit FakeFileSystem(Journal& journal) : journal_(journal) {}

    bool FileExists(const std::wstring& path) override { return Files.count(path) && !Files[path].DeletePending; }
    bool NameTaken(const std::wstring& path) override { return Files.count(path) != 0; }
    bool IsBeingWritten(const std::wstring& path) override { return Files.count(path) && Files[path].Writing; }
    bool IsDirectory(const std::wstring& path) override { return Directories.count(path) != 0; }
    std::uint64_t FileSize(const std::wstring& path) override { return Files.at(path).Bytes.size(); }

    DeleteResult TryDeleteFile(const std::wstring& path) override {
        ++DeleteAttempts;
        const auto found = Files.find(path);
        if (found == Files.end()) return DeleteResult::Deleted;
        File& file = found->second;
        if (file.Undeletable) return DeleteResult::Stays;
        if (file.DeletePending) return DeleteResult::Held;
        if (file.BusyDeletes > 0 || file.Writing) {
            if (file.BusyDeletes > 0) --file.BusyDeletes;
            return DeleteResult::Held;
        }
        journal_.push_back(L"delete " + path);
        if (file.HeldByOther) {
            file.DeletePending = true;
        } else {
            Files.erase(found);
        }
        return DeleteResult::Deleted;
    }

    std::wstring CurrentDirectory() override { return Current; }

    void ChangeDirectory(const std::wstring& path) override {
        if (!IsDirectory(path)) throw SystemError(L"更改当前目录", path, 3, L"path not found");
        Current = path;
        journal_.push_back(L"cd " + path);
    }

    void LeaveDirectory(const std::wstring& previous) override {
        Current = IsDirectory(previous) ? previous : kSystemFolder;
        journal_.push_back(L"leave for " + Current);
    }

    std::optional<SystemError> TryWriteFile(const std::wstring& path, const std::string& bytes) override {
        const std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
        if (!IsDirectory(folder)) throw SystemError(L"写入文件", path, 3, L"path not found");
        if (Refusing.count(folder)) return SystemError(L"创建文件", path, 5, L"access denied");
        Files[path] = File{bytes};
        journal_.push_back(L"write " + path);
        return std::nullopt;
    }

    std::wstring PrivateWorkFolder(const std::wstring& name) override {
        const std::wstring folder = TempFolder + name + L"\\";
        if (const auto refusal = TempRefusal.find(name); refusal != TempRefusal.end()) throw refusal->second;
        if (Files.count(folder.substr(0, folder.size() - 1))) throw SystemError(L"创建文件夹", folder, 267, L"not a folder");
        if (Directories.insert(folder).second) journal_.push_back(L"make private folder " + name);
        return folder;
    }

    void RemoveEmptyFolder(const std::wstring& path) override {
        for (const auto& [name, file] : Files) {
            if (name.rfind(path, 0) == 0) return;
        }
        if (Directories.erase(path)) journal_.push_back(L"remove folder " + path);
    }

    std::wstring ShortPath(const std::wstring& path) override {
        const auto found = ShortNames.find(path);
        return found == ShortNames.end() ? std::wstring() : found->second;
    }

    std::wstring ReadTextStart(const std::wstring& path, std::uint64_t maxBytes) override {
        const auto found = Files.find(path);
        if (found == Files.end()) return {};
        const std::string bytes = found->second.Bytes.substr(0, static_cast<std::size_t>(maxBytes));
        return std::wstring(bytes.begin(), bytes.end());
    }

    // Another program lets go of a file it held: a pending deletion completes.
    void Release(const std::wstring& path) {
        const auto found = Files.find(path);
        if (found == Files.end()) return;
        if (found->second.DeletePending) {
            Files.erase(found);
        } else {
            found->second.HeldByOther = false;
        }
    }

    std::map<std::wstring, File> Files;
    std::set<std::wstring> Directories{kSystemFolder, L"C:\\Users\\li\\Downloads\\"};
    std::set<std::wstring> Refusing;  // folders that refuse new files
    std::wstring TempFolder = L"C:\\Users\\li\\AppData\\Local\\Temp\\";
    std::map<std::wstring, SystemError> TempRefusal;  // private folder names that cannot be had
    std::map<std::wstring, std::wstring> ShortNames;
    std::wstring Current = L"C:\\Users\\li\\Downloads\\";
    int DeleteAttempts = 0;

private:
    Journal& journal_;
};

// Like a Western OEM code page: ASCII and é (0x82), nothing else.
class FakeEncoding final : public BatchEncoding {
public:
    std::optional<std::string> Encode(const std::wstring& text) const override {
        std::string bytes;
        for (wchar_t c : text) {
            if (c < 0x80) {
                bytes += static_cast<char>(c);
            } else if (c == L'\u00E9') {
                bytes += '\x82';
            } else {
                return std::nullopt;
            }
        }
        return bytes;
    }
};

class FakeLauncher final : public ToolLauncher {
public:
    class Tool final : public LaunchedTool {
    public:
        Tool(FakeLauncher& launcher, int number) : launcher_(launcher), number_(number) {}
        void Stop() override {
            launcher_.journal_.push_back(L"stop tool " + std::to_wstring(number_));
            if (launcher_.OnStop) launcher_.OnStop(number_);
        }
        bool Finished() override { return launcher_.Ended.count(number_) != 0; }
        std::optional<unsigned long> ExitCode() override {
            const auto found = launcher_.Ended.find(number_);
            return found == launcher_.Ended.end() ? std::nullopt : std::optional<unsigned long>(found->second);
        }

    private:
        FakeLauncher& launcher_;
        int number_;
    };

    explicit FakeLauncher(Journal& journal) : journal_(journal) {}

    LaunchResult Launch(const std::wstring& batchFile, const std::wstring& errorFile,
                        const std::wstring& outputFile, const std::wstring& toolFolder) override {
        if (Refusal) {
            journal_.push_back(L"interpreter refused");
            return {nullptr, Refusal, RefusalBlocks};
        }
        ++Launches;
        journal_.push_back(L"launch " + batchFile);
        ErrorFile = errorFile;
        OutputFile = outputFile;
        ToolFolder = toolFolder;
        if (OnLaunch) OnLaunch(Launches);
        return {std::make_unique<Tool>(*this, Launches), std::nullopt};
    }

    std::optional<SystemError> Refusal;  // an interpreter that does not start
    bool RefusalBlocks = true;           // for good, or this once
    std::function<void(int)> OnLaunch;
    std::function<void(int)> OnStop;
    int Launches = 0;
    std::wstring ErrorFile;                      // where the last launch sent the error output
    std::wstring OutputFile;                     // and the interpreter's standard output
    std::wstring ToolFolder;                     // the tool folder it handed the interpreter
    std::map<int, unsigned long> Ended;  // interpreters that have ended, by launch, with their status

private:
    Journal& journal_;
};

struct InstallationMissing {};

class FakeNotice final : public InstallationNotice {
public:
    explicit FakeNotice(Journal& journal) : journal_(journal) {}
    [[noreturn]] void ReportMissingInstallation() override {
        journal_.push_back(L"missing installation");
        throw InstallationMissing{};
    }

private:
    Journal& journal_;
};

class RecordingView final : public RunView {
public:
    RecordingView(Journal& journal, FakeClock& clock, FakeFileSystem& files)
        : journal_(journal), clock_(clock), files_(files) {}

    void SetCaption(const std::wstring& Text) override {
        Caption = Text;
        CaptionTimes.emplace_back(clock_.Current, Text);
        journal_.push_back(L"caption " + Text);
    }
    void SetResultText(const std::wstring& Text) override {
        Result = Text;
        journal_.push_back(L"text " + Text);
    }
    std::optional<SystemError> LoadResultFile(const std::wstring& Path) override {
        journal_.push_back(L"load " + Path);
        if (!LoadFailures.empty()) {
            const SystemError failure = LoadFailures.front();
            LoadFailures.erase(LoadFailures.begin());
            return failure;
        }
        Result = std::wstring(files_.Files.at(Path).Bytes.begin(), files_.Files.at(Path).Bytes.end());
        return std::nullopt;
    }
    void SetResultPointer(bool busy) override {
        Busy = busy;
        journal_.push_back(busy ? L"pointer busy" : L"pointer text");
    }
    void SetExitEnabled(bool Enabled) override {
        ExitEnabled = Enabled;
        journal_.push_back(Enabled ? L"exit on" : L"exit off");
    }

    std::wstring Caption;
    std::wstring Result;
    bool Busy = false;
    bool ExitEnabled = true;
    std::vector<std::pair<Milliseconds, std::wstring>> CaptionTimes;
    std::vector<SystemError> LoadFailures;  // what the next loads meet, in turn

private:
    Journal& journal_;
    FakeClock& clock_;
    FakeFileSystem& files_;
};

// A whole simulated machine with Nero installed in `folder`.
class FakeWorld {
public:
    // The installation entry's key and value names as the registry stores them.
    static std::string InstallKey() { return FakeRegistry().TextToAnsi(kInstallKey); }
    static std::string InstallValue() { return FakeRegistry().TextToAnsi(kInstallValue); }

    void InstallAt(const std::wstring& folder) {
        SetRegistryPath(folder + L"nero.exe");
        files.Directories.insert(folder);
    }
    void SetRegistryPath(const std::wstring& path) {
        registry.SetString(InstallKey(), InstallValue(), registry.TextToAnsi(path));
    }

    FakeWorld() {
        // Stopping a tool ends whatever holds its output file.
        launcher.OnStop = [this](int) {
            const auto found = files.Files.find(paths.WorkFolder + L"b.txt");
            if (found != files.Files.end()) found->second.Writing = false;
        };
    }

    // The command interpreter creates the output file at once in the work folder and
    // holds it while the tool runs; the tool then writes `output` and everything lets go
    // of the file. Where the name is still taken, the interpreter cannot create the file
    // and the tool's output goes nowhere.
    //
    // The interpreter ends with `status` then, having written `errors` to its error
    // output; a tool that leaves a helper behind keeps the output held for writing.
    void SimulateAnswer(Milliseconds delay, std::string output, unsigned long status = 0, std::string errors = {},
                        bool helperHoldsOutput = false) {
        const std::wstring path = paths.WorkFolder + L"b.txt";
        const int launch = launcher.Launches;
        const std::wstring errorFile = launcher.ErrorFile;
        if (files.Files.count(path) && files.Files[path].DeletePending) return;
        files.Files[path] = FakeFileSystem::File{"", true};
        if (!errorFile.empty()) files.Files[errorFile] = FakeFileSystem::File{};
        pump.At(clock.Current + delay, [=, this] {
            const auto found = files.Files.find(path);
            if (found == files.Files.end()) return;
            found->second.Bytes = output;
            found->second.Writing = helperHoldsOutput;
            if (!errorFile.empty() && files.Files.count(errorFile)) files.Files[errorFile].Bytes = errors;
            launcher.Ended[launch] = status;
        });
    }
    void SimulateHang() { files.Files[paths.WorkFolder + L"b.txt"] = FakeFileSystem::File{"", true}; }

    void ToolAnswersAfter(Milliseconds delay, std::string output) {
        launcher.OnLaunch = [this, delay, output](int) { SimulateAnswer(delay, output); };
    }
    void ToolNeverAnswers() {
        launcher.OnLaunch = [this](int) { SimulateHang(); };
    }

    void Run() { StartTestRun(paths, view, context); }
    void PressStartAt(Milliseconds when) { pump.At(when, [this] { Run(); }); }

    Journal journal;
    FakeClock clock;
    FakeEventPump pump{clock};
    FakeRegistry registry;
    FakeFileSystem files{journal};
    FakeEncoding encoding;
    FakeLauncher launcher{journal};
    FakeNotice notice{journal};
    RecordingView view{journal, clock, files};
    RunContext context{registry, files, encoding, launcher, clock, pump, notice};
    ToolPaths paths;
};

}  // namespace tindrel::testing
