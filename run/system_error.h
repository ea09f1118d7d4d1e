#pragma once
// The one error type for failures of the platform: which operation failed, on what,
// and the system's error number with its description. A run does not handle these;
// the program reports them and ends.

#include <exception>
#include <string>

namespace tindrel {

class SystemError : public std::exception {
public:
    SystemError(std::wstring operation, std::wstring subject, unsigned long code,
                std::wstring description)
        : Operation(std::move(operation)), Subject(std::move(subject)), Code(code),
          Description(std::move(description)) {}

    const char* what() const noexcept override { return "tindrel::SystemError"; }

    // Multi-line text for the error report shown to the user.
    std::wstring Report() const;

    std::wstring Operation;
    std::wstring Subject;
    unsigned long Code;
    std::wstring Description;
};

}  // namespace tindrel
