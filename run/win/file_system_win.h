#pragma once
#include "run/platform.h"
#include "run/win/scripting_file_system.h"

namespace tindrel::win {

class Win32FileSystem final : public FileSystem {
public:
    bool FileExists(const std::wstring& path) override;
    bool NameTaken(const std::wstring& path) override;
    bool IsBeingWritten(const std::wstring& path) override;
    bool IsDirectory(const std::wstring& path) override;
    std::uint64_t FileSize(const std::wstring& path) override;
    DeleteResult TryDeleteFile(const std::wstring& path) override;
    std::wstring CurrentDirectory() override;
    void ChangeDirectory(const std::wstring& path) override;
    void LeaveDirectory(const std::wstring& previous) override;
    std::optional<SystemError> TryWriteFile(const std::wstring& path, const std::string& bytes) override;
    std::wstring PrivateWorkFolder(const std::wstring& name) override;
    void RemoveEmptyFolder(const std::wstring& path) override;
    std::wstring ShortPath(const std::wstring& path) override;
    std::wstring ReadTextStart(const std::wstring& path, std::uint64_t maxBytes) override;

private:
    ScriptingFileSystem scripting_;
};

}  // namespace tindrel::win
