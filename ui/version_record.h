#pragma once
#include <cstddef>
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

// What a version record (a VS_VERSIONINFO resource) holds: the fixed file version and the
// product name from the string table its first translation names. Fields it lacks, or
// that lie beyond `size`, stay empty.
AppVersion ParseVersionRecord(const void* data, std::size_t size);

}  // namespace tindrel::ui
