#pragma once
#include <string>

namespace tindrel::ui {

// What the About window shows of the program file's own version record.
struct AppVersion {
    std::wstring Title;
    unsigned Major = 0;
    unsigned Minor = 0;
    unsigned Revision = 0;
};

// Reads the version record of the running program. Throws when it has none.
AppVersion ReadOwnVersionRecord();

}  // namespace tindrel::ui
