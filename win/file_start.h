#pragma once
// The start of a file the tool wrote, read without standing in anyone's way: opened
// sharing reading, writing and deletion, so that a tool still writing it, a scanner or
// indexer holding it with delete access and the run's own removal of it all go on.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tindrel::win {

struct FileStart {
    std::string Bytes;        // at most the bytes asked for
    std::uint64_t Size = 0;   // of the whole file
    bool Whole = false;       // Bytes is all of it
};

// Throws SystemError when the file cannot be opened or read.
FileStart ReadFileStart(const std::wstring& path, std::size_t maxBytes);

}  // namespace tindrel::win
