#pragma once
// The results box: a RichEdit control used for plain text only, so output that happens
// to start like RTF is still shown as text, with no 32K-character limit. A large output
// goes in piece by piece between messages, so the window stays usable while it loads;
// copying or selecting all puts in the rest at once. Right-click, Shift+F10 and the
// context-menu key offer 复制 and 全选.

#include <windows.h>

#include <optional>
#include <string>

#include "run/system_error.h"

namespace tindrel::ui {

class RichTextBox {
public:
    void Attach(HWND box);
    HWND Handle() const { return box_; }

    // Replaces everything, a load still going on included.
    void SetText(const std::wstring& text);
    // Shows the file's bytes as text: UTF-16 LE or UTF-8 when the file starts with that
    // byte-order mark, the system ANSI code page otherwise. As much of the file as the box
    // shows is read before this returns, and the start of it is shown; the rest follows
    // between messages. Returns why, changing nothing, when the file cannot be read.
    std::optional<SystemError> LoadFile(const std::wstring& path);
    // Drops what a load has not shown yet.
    void CancelLoad();
    bool Loading() const { return !pending_.empty(); }
    // The hourglass while busy, the I-beam otherwise.
    void SetBusyPointer(bool busy);

private:
    static LRESULT CALLBACK Subclass(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HCURSOR Pointer() const;
    void StreamIn(const wchar_t* text, size_t length);
    void AppendPieces(bool all = false);
    void ShowContextMenu(LPARAM where);

    HWND box_ = nullptr;
    bool busy_ = false;
    // What a load has still to show, from `next_` on.
    std::wstring pending_;
    size_t next_ = 0;
};

}  // namespace tindrel::ui
