// The wait that keeps the window alive during a run: it returns at its deadline, right
// after the event that its stop condition waits for, and a WM_QUIT ends the program
// there and then.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "run/steady_clock.h"
#include "run/win/event_pump_win.h"
#include "tests/win/run_fixture.h"

namespace tindrel::win::testing {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kQuitDuringWait[] = L"--quit-during-wait";
constexpr UINT kQuitCode = 7;
constexpr UINT kWaitReturned = 99;

TEST(Win32EventPumpTest, AWaitLastsUntilItsDeadlineWhileHandlingEvents) {
    SteadyClock clock;
    Win32EventPump pump(clock);
    int handled = 0;
    DelayedAction event(50, [&] { ++handled; });
    const Milliseconds start = clock.Now();
    pump.ProcessEventsUntil(start + 300ms, [] { return false; });
    const Milliseconds waited = clock.Now() - start;
    EXPECT_EQ(handled, 1);
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 5s);
}

TEST(Win32EventPumpTest, AWaitEndsRightAfterTheEventItsStopConditionWaitsFor) {
    SteadyClock clock;
    Win32EventPump pump(clock);
    bool pressed = false;
    DelayedAction press(100, [&] { pressed = true; });
    const Milliseconds start = clock.Now();
    pump.ProcessEventsUntil(start + 10s, [&] { return pressed; });
    EXPECT_TRUE(pressed);
    EXPECT_LT(clock.Now() - start, 5s);
}

// A message wait that refuses every input flag newer than Windows 2000, as older systems
// refuse the flags of newer ones, and one that fails for another reason.
std::vector<DWORD> masksAsked;
DWORD WINAPI WaitRefusingNewerFlags(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD mask, DWORD flags) {
    masksAsked.push_back(mask);
    if (mask & ~DWORD{0xFF}) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return ::MsgWaitForMultipleObjectsEx(count, handles, milliseconds, mask, flags);
}
DWORD WINAPI WaitFailingOtherwise(DWORD, const HANDLE*, DWORD, DWORD mask, DWORD) {
    masksAsked.push_back(mask);
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return WAIT_FAILED;
}

TEST(Win32EventPumpTest, AWakeMaskTheSystemRefusesGivesWayToTheOldestNeverToSpinning) {
    SteadyClock clock;
    masksAsked.clear();
    Win32EventPump pump(clock, &WaitRefusingNewerFlags);
    int handled = 0;
    DelayedAction event(100, [&] { ++handled; });
    const Milliseconds start = clock.Now();
    pump.ProcessEventsUntil(start + 300ms, [] { return false; });
    EXPECT_EQ(handled, 1);
    EXPECT_GE(clock.Now() - start, 300ms);
    // One refusal, then waits that sleep: a handful of calls, not thousands.
    ASSERT_GE(masksAsked.size(), 2u);
    EXPECT_NE(masksAsked.front() & ~DWORD{0xFF}, 0u);
    EXPECT_EQ(masksAsked.back() & ~DWORD{0xFF}, 0u);
    EXPECT_LT(masksAsked.size(), 20u);

    masksAsked.clear();
    Win32EventPump failing(clock, &WaitFailingOtherwise);
    try {
        failing.ProcessEventsUntil(clock.Now() + 300ms, [] { return false; });
        FAIL() << "a failing wait must be reported";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Code, static_cast<unsigned long>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_EQ(masksAsked.size(), 1u);
}

TEST(Win32EventPumpTest, AQuitMessageDuringAWaitEndsTheProgramWithItsCode) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + kQuitDuringWait;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process));
    const UniqueHandleKernel processHandle(process.hProcess);
    const UniqueHandleKernel threadHandle(process.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, kQuitCode) << "a wait that returned would have exited with " << kWaitReturned;
}

}  // namespace
}  // namespace tindrel::win::testing

// The child for the quit test: a quit arrives while a long wait runs.
int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--quit-during-wait") {
        tindrel::SteadyClock clock;
        tindrel::win::Win32EventPump pump(clock);
        tindrel::win::testing::DelayedAction quit(100, [] { ::PostQuitMessage(static_cast<int>(tindrel::win::testing::kQuitCode)); });
        pump.ProcessEventsUntil(clock.Now() + tindrel::Milliseconds{20000}, [] { return false; });
        return static_cast<int>(tindrel::win::testing::kWaitReturned);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
