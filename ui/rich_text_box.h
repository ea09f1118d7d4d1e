#pragma once
// The results box: a RichEdit control used for plain text only, so output that happens
// to start like RTF is still shown as text, with no 32K-character limit.

#include <windows.h>

#include <string>

namespace tindrel::ui {

class RichTextBox {
public:
    void Attach(HWND box);
    HWND Handle() const { return box_; }

    void SetText(const std::wstring& text);
    // Shows the file's bytes as text: UTF-16 LE or UTF-8 when the file starts with that
    // byte-order mark, the system ANSI code page otherwise. Throws when the file cannot
    // be read.
    void LoadFile(const std::wstring& path);
    // The hourglass while busy, the I-beam otherwise.
    void SetBusyPointer(bool busy);

private:
    static LRESULT CALLBACK Subclass(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    HCURSOR Pointer() const;

    HWND box_ = nullptr;
    bool busy_ = false;
};

}  // namespace tindrel::ui
