// A stand-in for the burning suite's command-line drive lister, for tests and the demo.
// What it does is chosen by nerocmd.cfg beside it (key=value lines):
//   mode=list|empty|hang|binary|large   what to print (default list)
//   mode=line     one line of `size` bytes without a line break
//   mode=utf16|utf8bom  the list in UTF-16 LE or UTF-8, each with its byte-order mark
//   mode=partial  only the first line of the list (a scan that failed half-way)
//   mode=stderr   nothing on standard output, an error message on standard error
//   mode=child    the list, then a helper that inherits the output and outlives the tool
//   mode=prompt   the list, then "press any key" and a read of standard input
//   exit=CODE     the exit status (default 0)
//   delay=MS      wait before printing anything
//   split=MS      print half the list, wait, print the rest (a slow scan)
//   size=BYTES    how much `large` or `line` prints
//   prefix=TEXT   printed before `large`'s lines
//   hold=MS       keep running this long after printing (stdout still open)
//   log=PATH      where to append the log (default nerocmd.log beside it; a folder
//                 that refuses new files has no room for it)
// Every start appends "arguments|working directory" to the log.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/support/test_support.h"
#include "win/code_page.h"

namespace {

std::map<std::string, std::string> ReadSettings(const std::wstring& folder) {
    std::map<std::string, std::string> settings;
    std::ifstream file(std::filesystem::path(folder + L"nerocmd.cfg"));
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals != std::string::npos) settings[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return settings;
}

std::string Ansi(const std::wstring& text) { return tindrel::win::ToCodePage(CP_ACP, text); }

void Log(const std::wstring& logPath) {
    wchar_t directory[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, directory);
    std::wstring line = ::GetCommandLineW();
    line = line.substr(line.find(L"--") == std::wstring::npos ? line.size() : line.find(L"--"));
    while (!line.empty() && line.back() == L' ') line.pop_back();  // the blank before ">"
    line += L"|" + std::wstring(directory, length) + L"\r\n";
    std::ofstream(std::filesystem::path(logPath), std::ios::app | std::ios::binary) << Ansi(line);
}

void Print(const std::string& bytes) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// What `list` prints, in two parts (a slow scan prints the second later).
constexpr const wchar_t* kDriveList[] = {
    L"找到 2 台刻录设备：\r\n\r\n"
    L"驱动器 1：D: HL-DT-ST DVDRAM GH24NSD1（DVD±R/RW，CD-R/RW）\r\n",
    L"驱动器 2：Image Recorder 映像刻录机（写入映像文件）\r\n"
    L"\r\n扫描完成。\r\n",
};

std::string Utf16WithMark(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}


int Number(const std::map<std::string, std::string>& settings, const char* key, int fallback) {
    const auto found = settings.find(key);
    return found == settings.end() ? fallback : std::stoi(found->second);
}

// A helper that holds the output open for five minutes, as a driver service or updater
// started by a real tool might; it inherits the tool's standard handles.
void StartLingeringHelper() {
    std::wstring commandLine = L"\"" + tindrel::testing::OwnFolder().wstring() + L"\\nerocmd.exe\" --linger";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"--linger") {
        ::Sleep(300000);
        return 0;
    }
    const std::wstring folder = tindrel::testing::OwnFolder().wstring() + L"\\";
    const auto settings = ReadSettings(folder);
    const auto log = settings.find("log");
    Log(log == settings.end() ? folder + L"nerocmd.log" : std::filesystem::path(log->second).wstring());
    const std::string mode = settings.count("mode") ? settings.at("mode") : "list";
    ::Sleep(static_cast<DWORD>(Number(settings, "delay", 0)));

    if (mode == "hang") {
        ::Sleep(INFINITE);
    } else if (mode == "binary") {
        std::string bytes;
        for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
        Print(bytes);
    } else if (mode == "large") {
        const int size = Number(settings, "size", 1 << 20);
        std::string line = "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789\r\n";
        std::string bytes = settings.count("prefix") ? settings.at("prefix") : "";
        bytes.reserve(static_cast<size_t>(size));
        while (static_cast<int>(bytes.size()) < size) bytes += line;
        bytes.resize(static_cast<size_t>(size));
        Print(bytes);
    } else if (mode == "partial") {
        const std::wstring first = kDriveList[0];
        Print(Ansi(first.substr(0, first.find(L"\r\n") + 2)));
    } else if (mode == "stderr") {
        const std::string message = Ansi(L"错误：没有找到刻录设备的驱动程序（nerocmd 模拟的错误）。\r\n");
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
    } else if (mode == "child" || mode == "prompt") {
        Print(Ansi(std::wstring(kDriveList[0]) + kDriveList[1]));
        if (mode == "child") StartLingeringHelper();
        if (mode == "prompt") {
            Print(Ansi(L"请按任意键继续. . .\r\n"));
            char key = 0;
            DWORD read = 0;
            ::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &key, 1, &read, nullptr);
        }
    } else if (mode == "line") {
        std::string bytes(static_cast<size_t>(Number(settings, "size", 1 << 20)), ' ');
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = "0123456789abcdefghijklmnopqrstuvwxyz"[i % 36];
        Print(bytes);
    } else if (mode == "list") {
        Print(Ansi(kDriveList[0]));
        ::Sleep(static_cast<DWORD>(Number(settings, "split", 0)));
        Print(Ansi(kDriveList[1]));
    } else if (mode == "utf16") {
        Print(Utf16WithMark(std::wstring(kDriveList[0]) + kDriveList[1]));
    } else if (mode == "utf8bom") {
        Print("\xEF\xBB\xBF" + tindrel::win::ToCodePage(CP_UTF8, std::wstring(kDriveList[0]) + kDriveList[1]));
    }
    ::Sleep(static_cast<DWORD>(Number(settings, "hold", 0)));
    return Number(settings, "exit", 0);
}
