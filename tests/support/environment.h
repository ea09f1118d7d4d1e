#pragma once
// What a test needs of the machine it runs on. Under Wine the test command sets these up,
// so a mismatch there is a fault of the run and fails; on a developer's Windows the test
// skips with the reason instead.

#include <windows.h>

#include <gtest/gtest.h>

namespace tindrel::testing {

inline bool UnderWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace tindrel::testing

// Skips (or, under Wine, fails) unless the ANSI code page is `codePage`.
#define TINDREL_REQUIRE_ANSI_CODE_PAGE(codePage, locale)                                                     \
    do {                                                                                                   \
        if (::GetACP() != (codePage)) {                                                                    \
            if (::tindrel::testing::UnderWine()) FAIL() << "run with LANG=" locale;                       \
            GTEST_SKIP() << "needs the ANSI code page " #codePage " (" locale "); this system has "        \
                         << ::GetACP();                                                                    \
        }                                                                                                  \
    } while (false)

// Skips outside Wine: the test changes what only Wine re-reads at every program start.
#define TINDREL_REQUIRE_WINE(why)                                            \
    do {                                                                   \
        if (!::tindrel::testing::UnderWine()) GTEST_SKIP() << "needs Wine: " why; \
    } while (false)
