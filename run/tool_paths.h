#pragma once
#include <string>

namespace tindrel {

// Where the tool lives and what the batch file runs. The program holds one of these for
// its lifetime; every value keeps its last setting until the program ends.
struct ToolPaths {
    std::wstring Folder;     // the tool folder, with its trailing backslash
    std::wstring Command;    // the tool's command as the batch file writes it
    std::wstring BatchLine;  // the batch file's one line, without its CR LF
    // Where the batch file and the output go: the tool folder, or the user's private
    // work folder when the tool folder refuses them. Empty until a run has written them.
    std::wstring WorkFolder;
    // Where the tool's error output goes: a file in the user's private work folder, so
    // the tool folder only ever sees the batch file and the output. Empty when there is
    // no such place.
    std::wstring ErrorFile;
    // Where the command interpreter's own standard output goes: beside the error output,
    // apart from it, since the interpreter echoes every batch command there. Empty when
    // ErrorFile is.
    std::wstring InterpreterOutput;
};

}  // namespace tindrel
