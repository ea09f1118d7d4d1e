#pragma once
// Settings of the user's desktop that programs read when they start: the screen's DPI
// and the message font. Each object changes one for the programs started while it
// lives and puts back what was there when it goes.

#include <windows.h>

#include <string>
#include <vector>

namespace tindrel::e2e {

// Wine takes the screen's DPI from HKCU\Control Panel\Desktop\LogPixels when a program
// starts.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi);
    ~ScreenDpi();
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD saved_ = 0;
    bool hadValue_ = false;
};

// The message font (what dialogs and this program's windows use), set as the Display
// settings set it: through SystemParametersInfo, which also updates this process's own
// view, and saved in HKCU\Control Panel\Desktop\WindowMetrics for programs started
// later. That key is put back as it was, byte for byte. A null `face` keeps the face and
// changes the size only, as a text-size setting does.
class MessageFontSetting {
public:
    MessageFontSetting(const wchar_t* face, int points);
    ~MessageFontSetting();
    MessageFontSetting(const MessageFontSetting&) = delete;
    MessageFontSetting& operator=(const MessageFontSetting&) = delete;

private:
    struct SavedValue {
        std::wstring Name;
        DWORD Type;
        std::vector<BYTE> Data;
    };
    NONCLIENTMETRICSW metrics_{};
    std::vector<SavedValue> saved_;
};

}  // namespace tindrel::e2e
