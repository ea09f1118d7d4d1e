#pragma once
// Keeps DLLs that someone placed beside the program (say, in a downloads folder) or in
// the current folder from ever being loaded into it, on every Windows from XP SP3 on.

#include <windows.h>

namespace tindrel::app {

// From here on, DLLs loaded by name come from the system folder only, where Windows can
// do that (8, or 7 and Vista with update KB2533623); the current folder leaves the search
// order everywhere else.
void RestrictDllSearchToSystem();

}  // namespace tindrel::app
