#pragma once
// Drives a running tindrel.exe from another process, as a user or a test would: finds its
// windows and controls by class and identifier, clicks, reads texts, states and
// positions, and photographs windows.

#include <windows.h>

#include <chrono>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/driver/older_windows_answers.h"

namespace tindrel::e2e {

using namespace std::chrono_literals;

// How long a test waits for what a correct program does within a few seconds on a loaded
// 2-core machine with a fresh Wine prefix, with five times that to spare: a reaction to a
// press, a key or a message (a caption, a window, the focus, the program's end), and a
// whole run (its 12 seconds and the tool's time). Passing tests never wait this long.
inline constexpr std::chrono::seconds kPromptly{30};
inline constexpr std::chrono::seconds kRunEnds{90};
// kPromptly for a message sent to the program.
inline constexpr UINT kPromptlyMs = 30000;

// Polls `condition` until it holds or `timeout` passes; true if it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

std::wstring WindowText(HWND window);
// The window's rectangle in the client coordinates of `parent`.
RECT RectIn(HWND parent, HWND window);
SIZE ClientSize(HWND window);
// Saves the screen area of `window` (with its frame) as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::wstring& path);
// The screen's pixels within `area` (screen coordinates), row by row from the top, as
// 0x00RRGGBB; empty for an empty area.
std::vector<std::uint32_t> ScreenPixels(const RECT& area);
// True for a pixel dark enough to be text.
inline bool Dark(std::uint32_t pixel) { return (pixel & 0xFF) < 100 && ((pixel >> 8) & 0xFF) < 100 && (pixel >> 16) < 100; }
// Presses and releases a key (with Shift held, if asked) as the keyboard would: the
// window with the focus in the foreground gets it.
void PressKey(WORD key, bool shift = false);
// Clicks the left mouse button in the middle of `window`, as the mouse would.
void ClickWithMouse(HWND window);

class RunningApp {
public:
    // Starts the program beside this executable (or `program`, a file name there or a
    // full path) and waits for its main window, a top-level window of class `windowClass`.
    RunningApp();
    RunningApp(const wchar_t* program, const wchar_t* windowClass);
    // Only starts the program, for a copy that is not expected to show a window.
    static RunningApp StartOnly();
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;
    RunningApp(RunningApp&& other) noexcept;

    HWND MainWindow() const { return main_; }
    HWND Control(int id) const { return ::GetDlgItem(main_, id); }
    void Click(int id) const;
    // Read as the system keeps it, without a message: polling it leaves the program's
    // message loop alone, and a window that does not answer still shows where its run is.
    std::wstring Caption() const;
    std::wstring Text(int id) const { return WindowText(Control(id)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
    // The window with the keyboard focus in the main window's thread, or null.
    HWND Focus() const;

    // A top-level window of the program with this class (and caption, if given).
    HWND FindWindowOf(const wchar_t* className, const wchar_t* caption = nullptr) const;
    bool WaitForCaption(const std::wstring& caption, std::chrono::milliseconds timeout) const;
    // True if the process ended within `timeout`; its exit code goes to `code`.
    bool WaitForExit(std::chrono::milliseconds timeout, DWORD* code = nullptr) const;
    bool Running() const;
    // Ends the process if it still runs, waiting at most 5 s for it to go.
    void End() const;
    DWORD ProcessId() const { return process_.dwProcessId; }
    // From the start of the process until its main window was visible.
    std::chrono::microseconds StartupTime() const { return startup_; }
    // The CPU time (user and system) the process has used so far, from /proc.
    double CpuSeconds() const;

    // Makes the program's imports answer as older or real Windows does: `answers` is a
    // set of older::Answer, and may be changed again while the program runs. False if
    // that could not be done (see OlderWindowsAnswers::Set).
    bool AnswerAs(LONG answers) { return answers_.Set(process_.hProcess, process_.dwProcessId, answers); }
    // What the program's message loop has done since the first AnswerAs.
    OlderWindowsAnswers::LoopCounts LoopCounts() const { return answers_.Counts(); }

private:
    struct NoWindow {};
    explicit RunningApp(NoWindow);
    bool Start(const wchar_t* program);

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
    std::chrono::microseconds startup_{0};
    std::string unixName_;     // what /proc/PID/comm shows for the process
    mutable int unixPid_ = 0;  // found on first use
    OlderWindowsAnswers answers_;
};

}  // namespace tindrel::e2e
