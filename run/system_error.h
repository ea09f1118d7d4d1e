#pragma once
// The one error type for failures of the platform: which operation failed, on what,
// the system's error number with its description, and where in the program it was
// raised, so that a report a user passes on can be traced. A run steps around the few
// that Windows hands it in ordinary use (a held file, a refusing folder); the program
// reports the rest and ends.

#include <exception>
#include <source_location>
#include <string>

namespace tindrel {

class SystemError : public std::exception {
public:
    SystemError(std::wstring operation, std::wstring subject, unsigned long code, std::wstring description,
                std::source_location where = std::source_location::current());

    // The report in UTF-8, so that a log or a test's failure says what failed.
    const char* what() const noexcept override { return what_.c_str(); }

    // Multi-line text for the error report shown to the user.
    std::wstring Report() const;
    // Where it was raised, briefly: "file_system_win.cpp:88", the file without its folder.
    std::wstring Where() const;

    std::wstring Operation;
    std::wstring Subject;
    unsigned long Code;
    std::wstring Description;
    std::source_location Location;

private:
    std::string what_;
};

}  // namespace tindrel
