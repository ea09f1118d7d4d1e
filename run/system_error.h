#pragma once
// The one error type for failures of the platform: which operation failed, on what,
// and the system's error number with its description. A run steps around the few that
// Windows hands it in ordinary use (a held file, a refusing folder); the program reports
// the rest and ends.

#include <exception>
#include <string>

namespace tindrel {

class SystemError : public std::exception {
public:
    SystemError(std::wstring operation, std::wstring subject, unsigned long code,
                std::wstring description);

    // The report in UTF-8, so that a log or a test's failure says what failed.
    const char* what() const noexcept override { return what_.c_str(); }

    // Multi-line text for the error report shown to the user.
    std::wstring Report() const;

    std::wstring Operation;
    std::wstring Subject;
    unsigned long Code;
    std::wstring Description;

private:
    std::string what_;
};

}  // namespace tindrel
