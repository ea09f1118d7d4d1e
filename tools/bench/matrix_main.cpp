// Runs the real tindrel.exe end to end through hostile install paths, registry values and
// tool behaviours, and prints a table: what the user saw, what was left on disk, met or
// not. Run once per locale: `tindrel_matrix.exe zh` and, under en_US, `... en`.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/support/locked_folder.h"
#include "tools/driver/app_driver.h"
#include "tools/driver/prefix_leftovers.h"
#include "tools/driver/simulated_install.h"
#include "tools/older_windows/older_windows.h"
#include "win/code_page.h"
#include "win/unique_handle.h"

namespace tindrel::matrix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using e2e::ConsoleHostsWithoutClient;
using e2e::Describe;
using e2e::EndProcess;
using e2e::FilesUnder;
using e2e::HeldOpen;
using e2e::KillUnixProcess;
using e2e::OpenFile;
using e2e::OpenFilesUnder;
using e2e::PrefixProcess;
using e2e::PrefixProcesses;
using e2e::RemoveTree;
using e2e::RunningApp;
using e2e::SimulatedInstall;
using e2e::UnixProcess;
using e2e::WineProcessesNeverStarted;
using e2e::WaitUntil;

enum class Outcome { Result, EmptyResult, NoResult, InstallMessage, ErrorReport, Refused };

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Result: return "result";
        case Outcome::EmptyResult: return "empty result";
        case Outcome::NoResult: return "no-result notice";
        case Outcome::InstallMessage: return "installation message";
        case Outcome::ErrorReport: return "error report";
        case Outcome::Refused: return "window stayed";
    }
    return "?";
}

struct Case {
    std::string Name;
    std::wstring Folder;            // under C:\TindrelMatrix unless it names a drive
    std::string Settings = "mode=list\n";
    Outcome Expected = Outcome::Result;
    std::function<void(const SimulatedInstall&)> Prepare = nullptr;
    std::function<void(RunningApp&, const SimulatedInstall&)> Act = nullptr;  // instead of one Start press
    std::chrono::seconds Timeout{40};
    size_t ResultSize = 0;  // when set, the result must hold exactly this many characters
    bool Refusing = false;  // the tool folder refuses new files, as Program Files does for a standard user
    std::wstring Temp = L"Temp";  // the user's temporary folder (under Users), home of the private work folder
    std::wstring Shows{};   // when set, the result (or the explanation) must contain it
    LONG Answers = 0;       // how the program's imports answer where Wine differs (older::Answer)
    bool ToolHoldsFiles = false;  // files a stuck tool holds may stay, for the next run to step around
    bool Quiet = false;     // the program must use at most 1 % of a core from Start to its answer
    // Done to the user's temporary folder before the program starts: removed, a file in
    // the way, made to refuse new files.
    std::function<void(const fs::path&)> PrepareTemp = nullptr;
    bool TempRefusing = false;
    std::wstring PathExt{};  // when set, the PATHEXT the program starts with
};

std::string Utf8(const std::wstring& text) { return tindrel::win::ToCodePage(CP_UTF8, text); }

std::wstring FirstLine(const std::wstring& text) {
    const auto end = text.find_first_of(L"\r\n");
    return text.substr(0, std::min<size_t>(end, 40));
}

// A message box's text on one line.
std::wstring OneLine(std::wstring text) {
    for (size_t at; (at = text.find(L"\r\n")) != std::wstring::npos;) text.replace(at, 2, L" / ");
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    return text;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM collected) {
    wchar_t name[32] = {};
    ::GetClassNameW(child, name, 32);
    if (::lstrcmpiW(name, L"Static") == 0) *reinterpret_cast<std::wstring*>(collected) += e2e::WindowText(child);
    return TRUE;
}

std::wstring DialogText(HWND box) {
    std::wstring texts;
    ::EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void CloseRequests(HWND window) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// A file another program holds during a case; let go once the program has ended.
win::UniqueFile heldByOther;

struct Verdict {
    std::string Saw;
    std::string Left;
    bool Met;
};

const fs::path kMatrixRoot = L"C:\\TindrelMatrix";
// How long removing a folder may keep trying while something holds a file in it.
constexpr auto kRemoveBound = 10s;
// A process Wine begins gets its program loaded within a second or so on a loaded machine.
constexpr auto kNeverStartedAge = 10s;

bool SamePath(const fs::path& a, const fs::path& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool HeldByWine(const fs::path& path, const std::vector<fs::path>& held) {
    return std::any_of(held.begin(), held.end(), [&](const fs::path& h) { return SamePath(h, path); });
}

// A folder an earlier case or run could not remove stays where it is; a case takes a
// fresh one beside it.
fs::path FreshFolder(const fs::path& wanted) {
    fs::path folder = wanted;
    for (int n = 2; !RemoveTree(folder, kRemoveBound).empty(); ++n) {
        folder = wanted.parent_path() / (wanted.filename().wstring() + L"." + std::to_wstring(n));
    }
    return folder;
}

std::string Holders(const fs::path& path, const std::vector<OpenFile>& open, const std::vector<PrefixProcess>& running) {
    std::string holders;
    for (const OpenFile& file : open) {
        if (!SamePath(file.Path, path)) continue;
        const auto process = std::find_if(running.begin(), running.end(),
                                          [&](const PrefixProcess& p) { return p.Id == file.Holder; });
        holders += (holders.empty() ? "held by " : ", ") +
                   (process != running.end() ? Describe(*process) : "process " + std::to_string(file.Holder));
    }
    return holders.empty() ? "no process in Wine's list holds it" : holders;
}

// Wine's own services, which any program may start and which outlive it.
bool WinesOwn(const PrefixProcess& p) {
    for (const wchar_t* name : {L"services.exe", L"winedevice.exe", L"plugplay.exe", L"svchost.exe", L"rpcss.exe",
                                L"explorer.exe", L"winemenubuilder.exe", L"wineboot.exe"}) {
        if (::lstrcmpiW(p.Name.c_str(), name) == 0) return true;
    }
    return false;
}

// What the harness found and ended in the prefix once the program had gone.
struct Aftermath {
    std::string CaseProcesses;             // the case's processes that were still running
    std::string WineNotes;                 // console hosts Wine left without a client
    std::vector<fs::path> HeldByWine;      // files of the case such a host held
};

void EndNeverStarted(const std::vector<UnixProcess>& stalled, const std::vector<fs::path>& held, Aftermath& after);

// Ends what a case left running: its own processes still running after a moment (the
// row says so), then every console host without a client, noting which of the case's
// files each held.
Aftermath EndWhatTheCaseLeft(const std::vector<PrefixProcess>& before, const std::vector<fs::path>& roots) {
    Aftermath after;
    const auto isNew = [&](const PrefixProcess& p) {
        return p.Id != ::GetCurrentProcessId() && !WinesOwn(p) && ::lstrcmpiW(p.Name.c_str(), L"conhost.exe") != 0 &&
               std::none_of(before.begin(), before.end(),
                            [&](const PrefixProcess& b) { return b.Id == p.Id && b.Created == p.Created; });
    };
    std::vector<PrefixProcess> left;
    WaitUntil(
        [&] {
            left.clear();
            for (const PrefixProcess& p : PrefixProcesses()) {
                if (isNew(p)) left.push_back(p);
            }
            return left.empty();
        },
        5s);
    for (const PrefixProcess& p : left) {
        after.CaseProcesses += "still running: " + Describe(p) + (EndProcess(p.Id, 5s) ? " (ended) " : " (could not be ended) ");
    }
    // A host whose client was only just ended goes by itself in a moment.
    std::vector<PrefixProcess> running, hosts;
    WaitUntil(
        [&] {
            running = PrefixProcesses();
            hosts = ConsoleHostsWithoutClient(running);
            return hosts.empty();
        },
        2s);
    const std::vector<OpenFile> open = hosts.empty() ? std::vector<OpenFile>{} : OpenFilesUnder(roots);
    int quiet = 0;
    for (const PrefixProcess& host : hosts) {
        std::string held;
        for (const OpenFile& file : open) {
            if (file.Holder != host.Id) continue;
            held.append(" ").append(Utf8(file.Path.filename().wstring()));
            after.HeldByWine.push_back(file.Path);
        }
        const bool ended = EndProcess(host.Id, 5s);
        if (held.empty() && ended) {
            ++quiet;
            continue;
        }
        const auto starter = std::find_if(running.begin(), running.end(),
                                          [&](const PrefixProcess& p) { return p.Id == host.Parent; });
        after.WineNotes += "Wine's console host " + Describe(host) + " had no client (its starter, process " +
                           std::to_string(host.Parent) + ", had ended" +
                           (starter != running.end() ? "; the id is now " + Describe(*starter) : std::string()) + ")" +
                           (held.empty() ? "" : " and held" + held) + (ended ? ", ended; " : ", could not be ended; ");
    }
    if (quiet) after.WineNotes += "ended " + std::to_string(quiet) + " more console host(s) Wine left without a client; ";

    // Wine's lists show neither processes it never got going nor their handles: what one
    // held is a file of the case that refuses an exclusive open until they are ended, and
    // no longer after.
    const auto heldFiles = [&] {
        std::vector<fs::path> held;
        for (const fs::path& root : roots) {
            for (fs::path& file : FilesUnder(root)) {
                if (HeldOpen(file) && !HeldByWine(file, after.HeldByWine)) held.push_back(std::move(file));
            }
        }
        return held;
    };
    const std::vector<UnixProcess> stalled = WineProcessesNeverStarted(kNeverStartedAge);
    if (!stalled.empty()) EndNeverStarted(stalled, heldFiles(), after);

    // On Windows a file is open only while some process has a handle on it: one still
    // open with nothing of the case left and no handle in Wine's list is held by Wine's
    // server alone.
    const std::vector<fs::path> stillHeld = heldFiles();
    if (stillHeld.empty()) return after;
    const std::vector<OpenFile> openNow = OpenFilesUnder(roots);
    std::string serverHeld;
    for (const fs::path& file : stillHeld) {
        if (std::any_of(openNow.begin(), openNow.end(), [&](const OpenFile& o) { return SamePath(o.Path, file); })) continue;
        serverHeld.append(" ").append(Utf8(file.filename().wstring()));
        after.HeldByWine.push_back(file);
    }
    if (!serverHeld.empty()) {
        after.WineNotes += "held open by Wine's server with no process of the case left and no handle in Wine's list:" +
                           serverHeld + "; ";
    }
    return after;
}

// Ends the processes Wine never got going and notes which files of the case they held.
void EndNeverStarted(const std::vector<UnixProcess>& stalled, const std::vector<fs::path>& held, Aftermath& after) {
    std::string names;
    size_t ended = 0;
    for (const UnixProcess& process : stalled) {
        ended += KillUnixProcess(process.Pid) ? 1 : 0;
        const auto slash = process.Program.find_last_of('\\');
        names.append(" ").append(process.Program.substr(slash == std::string::npos ? 0 : slash + 1));
        names.append(" (Linux pid ").append(std::to_string(process.Pid)).append(")");
    }
    WaitUntil([&] { return std::none_of(held.begin(), held.end(), HeldOpen); }, 3s);
    std::string released;
    for (const fs::path& file : held) {
        if (HeldOpen(file)) continue;
        released.append(" ").append(Utf8(file.filename().wstring()));
        after.HeldByWine.push_back(file);
    }
    after.WineNotes += "Wine's processes that never started, not in its process list:" + names +
                       (released.empty() ? "" : "; they held" + released) +
                       (ended == stalled.size() ? "; ended; " : "; not all could be ended; ");
}

Verdict RunCase(const Case& c, int number) {
    const fs::path base = FreshFolder(kMatrixRoot / std::to_wstring(number));
    const bool elsewhere = c.Folder.size() > 1 && c.Folder[1] == L':';
    const fs::path folder = elsewhere ? FreshFolder(c.Folder) : base / c.Folder;
    std::vector<fs::path> roots{base};
    if (elsewhere) roots.push_back(folder);
    std::error_code ignored;
    Verdict verdict{"", "", false};
    std::string wineNotes;
    std::vector<fs::path> heldByWine;
    const std::vector<PrefixProcess> before = PrefixProcesses();
    Outcome outcome = Outcome::Refused;
    double cpuShare = 0;
    // The program's private work folder lives in the user's temporary folder.
    const fs::path temp = base / L"Users" / c.Temp;
    fs::create_directories(temp);
    for (const wchar_t* name : {L"TMP", L"TEMP"}) ::SetEnvironmentVariableW(name, temp.c_str());
    if (c.PrepareTemp) c.PrepareTemp(temp);
    wchar_t pathext[1024] = {};
    const DWORD pathextLength = ::GetEnvironmentVariableW(L"PATHEXT", pathext, 1024);
    if (!c.PathExt.empty()) ::SetEnvironmentVariableW(L"PATHEXT", c.PathExt.c_str());
    {
        SimulatedInstall install(folder, c.Settings);
        std::ofstream(folder / L"keep.txt") << "not the program's";
        if (c.Prepare) c.Prepare(install);
        std::optional<testing::LockedFolder> locked;
        if (c.Refusing) {
            locked.emplace(folder);
            if (!locked->Refuses()) return {"skipped: chattr +i is not available here", "", true};
        }
        std::optional<testing::LockedFolder> lockedTemp;
        if (c.TempRefusing) lockedTemp.emplace(temp);

        RunningApp app;
        ::SetEnvironmentVariableW(L"PATHEXT", pathextLength ? pathext : nullptr);
        if (!app.MainWindow()) return {"no window", "", false};
        if (c.Answers && !app.AnswerAs(c.Answers)) return {"the answers of older Windows could not be given", "", false};
        const double cpuBefore = app.CpuSeconds();
        const auto started = std::chrono::steady_clock::now();
        if (c.Act) {
            c.Act(app, install);
        } else {
            app.Click(IDC_COMMAND1);
        }
        HWND box = nullptr;
        WaitUntil(
            [&] {
                const std::wstring caption = app.Caption();
                return (box = app.FindWindowOf(L"#32770")) != nullptr || !app.Running() ||
                       ((caption == L"测试完成" || caption == L"测试未完成") && app.Enabled(IDC_COMMAND3));
            },
            c.Timeout);
        cpuShare = (app.CpuSeconds() - cpuBefore) /
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // The run removes its work files last; a failure there shows as a report.
        if (!box && app.Running()) {
            WaitUntil([&] { return (box = app.FindWindowOf(L"#32770")) != nullptr || !install.WorkFilesLeft(); }, 5s);
            if (!box) box = app.FindWindowOf(L"#32770");
        }
        if (box) {
            std::this_thread::sleep_for(200ms);
            const std::wstring title = e2e::WindowText(box);
            outcome = title == L"错误" ? Outcome::InstallMessage : Outcome::ErrorReport;
            verdict.Saw = Utf8(title + L": " + OneLine(DialogText(box)));
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            if (!app.WaitForExit(5s)) verdict.Saw += " (did not end)";
        } else if (app.Running()) {
            const std::wstring caption = app.Caption();
            // A large result goes into the box between messages, its note last.
            if (!c.Shows.empty()) {
                WaitUntil([&] { return app.Text(IDC_RICHTEXTBOX1).find(c.Shows) != std::wstring::npos; }, 30s);
            }
            const std::wstring text = app.Text(IDC_RICHTEXTBOX1);
            if (caption == L"测试完成") {
                outcome = text.empty() ? Outcome::EmptyResult : Outcome::Result;
                if (c.ResultSize && text.size() != c.ResultSize) outcome = Outcome::Refused;
                if (!c.Shows.empty() && text.find(c.Shows) == std::wstring::npos) outcome = Outcome::Refused;
            } else if (caption == L"测试未完成") {
                outcome = Outcome::NoResult;
                if (!c.Shows.empty() && text.find(c.Shows) == std::wstring::npos) outcome = Outcome::Refused;
            }
            verdict.Saw = Utf8(caption + L": " + FirstLine(text)) + " (" + std::to_string(text.size()) + " chars)";
            if (c.Expected == Outcome::Refused) verdict.Saw = "window stayed open; " + verdict.Saw;
            CloseRequests(app.MainWindow());
            std::this_thread::sleep_for(200ms);
            if (!app.Running()) verdict.Saw += "; closed by a close request!";
            app.Click(IDC_COMMAND3);
            app.WaitForExit(10s);
        } else {
            verdict.Saw = "program ended without a message";
        }

        app.End();
        heldByOther.Reset();
        // A tool stuck in a driver call outlives the program by the design of the case.
        if (install.EndToolsStillRunning() > 0) verdict.Left += "(tool left running) ";
        Aftermath after = EndWhatTheCaseLeft(before, roots);
        verdict.Left += after.CaseProcesses;
        wineNotes = std::move(after.WineNotes);
        heldByWine = std::move(after.HeldByWine);
        for (const auto& entry : fs::directory_iterator(folder, ignored)) {
            const std::wstring name = entry.path().filename().wstring();
            // A read-only file is someone else's: the program never makes one.
            const bool othersFile = ::GetFileAttributesW(entry.path().c_str()) & FILE_ATTRIBUTE_READONLY;
            if (name != L"nerocmd.exe" && name != L"nerocmd.cfg" && name != L"nerocmd.log" && name != L"keep.txt" &&
                !othersFile && !HeldByWine(entry.path(), heldByWine)) {
                verdict.Left += Utf8(name) + " ";
            }
        }
        if (!fs::exists(folder / L"keep.txt")) verdict.Left += "keep.txt REMOVED ";
    }
    // Private folders (Tindrel, Tindrel.2, ...), with the error output, wherever they went.
    for (const auto& place : fs::directory_iterator(temp, ignored)) {
        if (!place.is_directory() || place.path().filename().wstring().rfind(L"Tindrel", 0) != 0) continue;
        std::string programs, wines;
        for (const auto& entry : fs::directory_iterator(place.path(), ignored)) {
            (HeldByWine(entry.path(), heldByWine) ? wines : programs) += " " + Utf8(entry.path().filename().wstring());
        }
        const std::string name = "private folder " + Utf8(place.path().filename().wstring()) + ":";
        // A folder holding only what Wine's host held could not be removed because of it.
        if (!programs.empty() || wines.empty()) verdict.Left += name + programs + " ";
        if (!wines.empty()) wineNotes += name + wines + " (Wine's, see above); ";
    }
    for (const fs::path& place : {folder, folder.parent_path(), base, fs::current_path()}) {
        if (fs::exists(place / L"canary")) verdict.Left += "CANARY in " + place.string() + " ";
    }
    for (const fs::path& stray : {fs::current_path() / L"run.bat", fs::current_path() / L"b.txt"}) {
        if (fs::exists(stray)) verdict.Left += "stray " + stray.string() + " ";
    }
    // The next case starts in a fresh folder whatever happens here.
    std::vector<fs::path> stuck;
    for (const fs::path& root : roots) {
        for (fs::path& path : RemoveTree(root, kRemoveBound)) stuck.push_back(std::move(path));
    }
    if (!stuck.empty()) {
        const std::vector<OpenFile> open = OpenFilesUnder(roots);
        const std::vector<PrefixProcess> running = PrefixProcesses();
        for (const fs::path& path : stuck) {
            if (HeldByWine(path, heldByWine)) {
                wineNotes += "could not remove " + Utf8(path.wstring()) + " (Wine's, as above); ";
            } else {
                verdict.Left += "could not remove " + Utf8(path.wstring()) + " (" + Holders(path, open, running) + ") ";
            }
        }
    }
    if (verdict.Left.empty()) verdict.Left = "nothing";
    const bool onlyHeldFilesLeft = c.ToolHoldsFiles && verdict.Left.find("CANARY") == std::string::npos &&
                                   verdict.Left.find("stray") == std::string::npos &&
                                   verdict.Left.find("REMOVED") == std::string::npos;
    verdict.Met = outcome == c.Expected && (verdict.Left == "nothing" || onlyHeldFilesLeft);
    if (c.Quiet) {
        char figure[64];
        std::snprintf(figure, sizeof figure, "; CPU %.2f %% of a core", cpuShare * 100);
        verdict.Saw += figure;
        verdict.Met = verdict.Met && cpuShare <= 0.01;
    }
    if (outcome != c.Expected) verdict.Saw += std::string(" [expected ") + OutcomeName(c.Expected) + "]";
    if (!wineNotes.empty()) verdict.Left += "; not the program's: " + wineNotes.substr(0, wineNotes.size() - 2);
    return verdict;
}

std::vector<Case> CasesFor(const std::wstring& locale) {
    std::vector<Case> cases;
    const auto folderCase = [&](std::string name, std::wstring folder) {
        cases.push_back({std::move(name), std::move(folder)});
    };
    if (locale == L"en") {
        folderCase("accented folder C:\\...\\Café\\Nero (ANSI 1252, OEM 437)", L"Café\\Nero");
        folderCase("blank in folder, en_US", L"Program Files\\Ahead\\Nero");
        folderCase("& in folder, en_US", L"x&mkdir canary&y");
        cases.push_back({"Chinese folder under en_US (not in code page 1252)", L"刻录\\Nero", "mode=list\n",
                         Outcome::InstallMessage});
        // Windows 8 and later make no short names on most volumes other than the system's;
        // the batch names such a folder as its own, whatever the console's code page.
        Case noShortNames{"volume without short names, folder João\\Nero (ã not in OEM 437)", L"João\\Nero"};
        noShortNames.Answers = older::kWindows7 | older::kNoShortNames;
        cases.push_back(std::move(noShortNames));
        return cases;
    }
    folderCase("plain folder C:\\...\\Nero", L"Nero");
    folderCase("blank: Program Files\\Ahead\\Nero", L"Program Files\\Ahead\\Nero");
    folderCase("& in folder: x&mkdir canary&y", L"x&mkdir canary&y");
    folderCase("^ in folder: caret^&mkdir canary", L"caret^&mkdir canary");
    folderCase("% in folder: 100%PATH%x", L"100%PATH%x");
    folderCase("! in folder: bang!PATH!y", L"bang!PATH!y");
    folderCase("( ) in folder: (x86) Nero", L"(x86) Nero");
    folderCase(", ; = in folder: a,b;c=d", L"a,b;c=d");
    folderCase("' in folder: it's Nero", L"it's Nero");
    folderCase("Chinese folder: 刻录 软件\\Nero", L"刻录 软件\\Nero");
    folderCase("accented folder: Café\\Nero (zh_CN)", L"Café\\Nero");
    folderCase("folder on another drive: Z:\\tmp\\...", L"Z:\\tmp\\tindrel-matrix\\Nero");

    const auto refusingCase = [&](std::string name, std::wstring folder, std::wstring tempFolder = L"Temp") {
        Case c{std::move(name), std::move(folder)};
        c.Refusing = true;
        c.Temp = std::move(tempFolder);
        cases.push_back(std::move(c));
    };
    refusingCase("tool folder refuses new files: Program Files (x86)\\Ahead\\Nero", L"Program Files (x86)\\Ahead\\Nero");
    refusingCase("refusing tool folder with & and %: x&mkdir canary&y %PATH%", L"x&mkdir canary&y %PATH%");
    refusingCase("refusing tool folder, private folder under user 王 a&b %PATH% !x! ^(y)", L"Program Files\\Nero",
                 L"王 a&b %PATH% !x! ^(y)\\AppData\\Local\\Temp");
    {
        // Another program (a viewer, a virus scanner) holds last week's output with delete
        // sharing for the whole run, and lets go before the folder is inspected.
        Case stale{"old b.txt held open (delete sharing) by another program", L"Nero"};
        stale.Shows = L"扫描完成";
        stale.Prepare = [](const SimulatedInstall& i) {
            std::ofstream(i.Folder() / L"b.txt") << "CD-ROM 0: OLD DRIVE FROM LAST WEEK\n";
            heldByOther.Reset(::CreateFileW((i.Folder() / L"b.txt").c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        };
        cases.push_back(std::move(stale));
    }
    cases.push_back({"valid registry value, folder missing", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) { i.SetEntry(L"C:\\TindrelMatrix\\Gone\\nero.exe"); }});
    // Someone else's read-only run.bat in the way: the run goes to the private folder and
    // leaves the file alone.
    cases.push_back({"read-only run.bat (not the program's) in the tool folder", L"Nero", "mode=list\n", Outcome::Result,
                     [](const SimulatedInstall& i) {
                         const auto path = (i.Folder() / L"run.bat").wstring();
                         std::ofstream(path.c_str()) << "not the program's";
                         ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
                     }});
    cases.push_back({"registry value of 1023 characters", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) { i.SetRawEntry(REG_SZ, std::string(1015, 'a') + "nero.exe" + '\0'); }});
    cases.push_back({"registry value of 1024 characters (too long)", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) { i.SetRawEntry(REG_SZ, std::string(1016, 'a') + "nero.exe" + '\0'); }});
    cases.push_back({"registry value of type REG_EXPAND_SZ", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) {
                         i.SetRawEntry(REG_EXPAND_SZ, (i.Folder() / L"nero.exe").string() + '\0');
                     }});
    cases.push_back({"registry value of type REG_DWORD", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) { i.SetRawEntry(REG_DWORD, std::string("\x01\0\0\0", 4)); }});
    cases.push_back({"registry value with two terminating NULs", L"Nero", "mode=list\n", Outcome::Result,
                     [](const SimulatedInstall& i) {
                         i.SetRawEntry(REG_SZ, (i.Folder() / L"nero.exe").string() + std::string(2, '\0'));
                     }});
    cases.push_back({"registry path with forward slashes", L"Nero", "mode=list\n", Outcome::Result,
                     [](const SimulatedInstall& i) {
                         std::wstring path = (i.Folder() / L"nero.exe").wstring();
                         std::replace(path.begin(), path.end(), L'\\', L'/');
                         i.SetEntry(path);
                     }});
    cases.push_back({"relative registry path Nero\\nero.exe", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) { i.SetEntry(L"Nero\\nero.exe"); }});
    cases.push_back({"registry value exactly nero.exe", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) { i.SetEntry(L"nero.exe"); }});
    cases.push_back({"no installation entry", L"Nero", "mode=list\n", Outcome::InstallMessage,
                     [](const SimulatedInstall& i) { i.RemoveEntry(); }});

    cases.push_back({"tool answers at once", L"Nero", "mode=list\n"});
    cases.push_back({"tool answers after 15 s", L"Nero", "mode=list\ndelay=15000\n"});
    cases.push_back({"tool writes half, then the rest 10 s later", L"Nero", "mode=list\nsplit=10000\n"});
    cases.push_back({"tool keeps its output open 8 s after printing", L"Nero", "mode=list\nhold=8000\n"});
    cases.push_back({"tool prints nothing", L"Nero", "mode=empty\n", Outcome::NoResult});
    cases.push_back({"nerocmd missing from the tool folder", L"Nero", "mode=list\n", Outcome::NoResult,
                     [](const SimulatedInstall& i) { fs::remove(i.Folder() / L"nerocmd.exe"); }});
    cases.push_back({"tool prints UTF-16 LE with a byte-order mark", L"Nero", "mode=utf16\n", Outcome::Result, nullptr,
                     nullptr, std::chrono::seconds{40}, 0, false, L"Temp", L"驱动器 2：Image Recorder 映像刻录机"});
    cases.push_back({"tool prints UTF-8 with a byte-order mark", L"Nero", "mode=utf8bom\n", Outcome::Result, nullptr,
                     nullptr, std::chrono::seconds{40}, 0, false, L"Temp", L"驱动器 2：Image Recorder 映像刻录机"});
    cases.push_back({"a second copy started during a run", L"Nero", "mode=list\n", Outcome::Result, nullptr,
                     [](RunningApp& app, const SimulatedInstall&) {
                         app.Click(IDC_COMMAND1);
                         app.WaitForCaption(L"正在测试...", 5s);
                         // It brings the running window forward and ends; if it stayed, Exit
                         // it (the verdict then shows a run that never finished).
                         RunningApp second = RunningApp::StartOnly();
                         if (!WaitUntil([&] { return !second.Running(); }, 5s)) {
                             app.Click(IDC_COMMAND3);
                         }
                     }});
    const auto toolCase = [&](std::string name, std::string settings, Outcome expected, std::wstring shows) {
        Case c{std::move(name), L"Nero", std::move(settings), expected};
        c.Shows = std::move(shows);
        cases.push_back(std::move(c));
    };
    toolCase("tool leaves a helper holding its output", "mode=child\n", Outcome::Result, L"扫描完成");
    toolCase("tool ends with a prompt for a key", "mode=prompt\n", Outcome::Result, L"扫描完成");
    toolCase("tool writes only to its error output", "mode=stderr\n", Outcome::NoResult, L"没有找到刻录设备的驱动程序");
    toolCase("tool prints one line and exits with 5", "mode=partial\nexit=5\n", Outcome::NoResult, L"退出代码为 5");
    {
        Case noExe{"PATHEXT without .EXE", L"Nero", "mode=list\n", Outcome::NoResult};
        noExe.PathExt = L".COM;.BAT;.CMD";
        noExe.Shows = L"命令解释器找不到 nerocmd";
        cases.push_back(std::move(noExe));
    }
    {
        // What a standard user's temporary folder can be like, with a tool folder that
        // refuses new files so the run needs the private folder.
        Case gone{"temporary folder removed by a cleaner", L"Program Files\\Nero"};
        gone.Refusing = true;
        gone.PrepareTemp = [](const fs::path& temp) { RemoveTree(temp, kRemoveBound); };
        cases.push_back(std::move(gone));
        Case fileInTheWay{"a file named Tindrel in the temporary folder", L"Program Files\\Nero"};
        fileInTheWay.Refusing = true;
        fileInTheWay.PrepareTemp = [](const fs::path& temp) { std::ofstream(temp / L"Tindrel") << "someone's file"; };
        cases.push_back(std::move(fileInTheWay));
        Case nowhere{"temporary folder refuses new files too", L"Program Files\\Nero", "mode=list\n", Outcome::NoResult};
        nowhere.Refusing = true;
        nowhere.TempRefusing = true;
        nowhere.Shows = L"没有可以写入工作文件的文件夹";
        cases.push_back(std::move(nowhere));
    }
    cases.push_back({"tool prints 10 MB", L"Nero", "mode=large\nsize=10000000\n", Outcome::Result, nullptr, nullptr,
                     std::chrono::seconds{40}, 0, false, L"Temp",
                     L"（共 10,000,000 字节），这里只显示了开头的 262,108 个字符。"});
    cases.push_back({"tool prints one 1 MB line", L"Nero", "mode=line\nsize=1000000\n", Outcome::Result, nullptr,
                     nullptr, std::chrono::seconds{40}, 0, false, L"Temp",
                     L"（共 1,000,000 字节），这里只显示了开头的 262,144 个字符。没有换行的长行在这里每 1,024 个字符断开显示。"});
    cases.push_back({"tool prints binary bytes", L"Nero", "mode=binary\n"});
    cases.push_back({"tool never answers", L"Nero", "mode=hang\n", Outcome::NoResult, nullptr, nullptr,
                     std::chrono::seconds{180}});
    {
        Case windows7{"wait under Windows 7's answers (no touch or pointer wake flags, a job without breakaway)", L"Nero"};
        windows7.Answers = older::kWindows7;
        windows7.Quiet = true;
        cases.push_back(std::move(windows7));

        // A tool stuck in a driver call: ending it reports success, and it keeps its b.txt
        // open for writing (cmd's redirection shares no delete access on Windows).
        Case restart{"tool that cannot be ended, Start pressed again during the wait (Windows 7)", L"Nero", "mode=hang\n"};
        restart.Answers = older::kWindows7 | older::kToolCannotBeEnded;
        restart.ToolHoldsFiles = true;
        restart.Act = [](RunningApp& app, const SimulatedInstall& install) {
            app.Click(IDC_COMMAND1);
            app.WaitForCaption(L"正在测试...", 5s);
            WaitUntil([&] { return fs::exists(install.Folder() / L"b.txt"); }, 10s);
            std::this_thread::sleep_for(2s);
            install.Configure("mode=list\n");
            app.Click(IDC_COMMAND1);
        };
        cases.push_back(std::move(restart));

        Case noEnd{"tool that cannot be ended, no result after 120 s (Windows 7)", L"Nero", "mode=hang\n",
                   Outcome::NoResult};
        noEnd.Answers = older::kWindows7 | older::kToolCannotBeEnded;
        noEnd.ToolHoldsFiles = true;
        noEnd.Timeout = std::chrono::seconds{180};
        noEnd.Shows = L"等待 120 秒后仍没有得到测试结果";
        cases.push_back(std::move(noEnd));

        // `regsvr32 /u scrrun.dll`, common advice against script viruses.
        Case noScripting{"file-system object unregistered (Windows 7)", L"Nero"};
        noScripting.Answers = older::kWindows7 | older::kFileSystemObjectUnregistered;
        cases.push_back(std::move(noScripting));
    }
    cases.push_back({"Start pressed 1000 times during one wait (every 60 ms)", L"Nero", "mode=list\ndelay=3000\n",
                     Outcome::Result, nullptr,
                     [](RunningApp& app, const SimulatedInstall&) {
                         app.Click(IDC_COMMAND1);
                         app.WaitForCaption(L"正在测试...", 5s);
                         auto lastPress = std::chrono::steady_clock::now();
                         for (int i = 0; i < 1000; ++i) {
                             app.Click(IDC_COMMAND1);
                             lastPress = std::chrono::steady_clock::now();
                             std::this_thread::sleep_for(60ms);
                         }
                         WaitUntil([&] { return app.Caption() == L"测试完成"; }, 60s);
                         // The newest press wins: the result comes a full run after it.
                         if (std::chrono::steady_clock::now() - lastPress < 12s) app.Click(IDC_COMMAND3);
                     },
                     std::chrono::seconds{120}});
    cases.push_back({"close requests idle, running and done", L"Nero", "mode=list\n", Outcome::Result, nullptr,
                     [](RunningApp& app, const SimulatedInstall&) {
                         CloseRequests(app.MainWindow());
                         app.Click(IDC_COMMAND1);
                         app.WaitForCaption(L"正在测试...", 5s);
                         CloseRequests(app.MainWindow());
                     }});
    return cases;
}

}  // namespace
}  // namespace tindrel::matrix

int wmain(int argc, wchar_t** argv) {
    using namespace tindrel::matrix;
    const std::wstring locale = argc > 1 ? argv[1] : L"zh";
    const std::string only = argc > 2 ? Utf8(argv[2]) : "";
    int failed = 0, number = 0;
    // What an earlier run left: console hosts without a client, and its folders, as far
    // as they go within the bound (a case takes a fresh folder beside what stays).
    for (const PrefixProcess& host : ConsoleHostsWithoutClient(PrefixProcesses())) EndProcess(host.Id, 5s);
    for (const UnixProcess& process : WineProcessesNeverStarted(kNeverStartedAge)) KillUnixProcess(process.Pid);
    RemoveTree(kMatrixRoot, kRemoveBound);
    for (const Case& c : CasesFor(locale)) {
        ++number;
        if (!only.empty() && c.Name.find(only) == std::string::npos) continue;
        const Verdict v = RunCase(c, number);
        failed += v.Met ? 0 : 1;
        const std::string row = "| " + c.Name + " | " + (locale == L"en" ? "en_US" : "zh_CN") + " | " + v.Saw + " | " +
                                v.Left + " | " + (v.Met ? "met" : "NOT MET") + " |\n";
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), row.data(), static_cast<DWORD>(row.size()), &written, nullptr);
    }
    return failed == 0 ? 0 : 1;
}
