#include "ui/rich_text_box.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <string_view>

#include "run/win/code_page.h"
#include "run/win/unique_handle.h"
#include "run/win/win32_error.h"

namespace tindrel::ui {
namespace {

struct StreamSource {
    const wchar_t* Next;
    const wchar_t* End;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    auto count = std::min<std::ptrdiff_t>(source->End - source->Next, size / static_cast<LONG>(sizeof(wchar_t)));
    // A CR LF split across two chunks would be read as two line breaks.
    if (count > 1 && source->Next + count < source->End && source->Next[count - 1] == L'\r') --count;
    *read = static_cast<LONG>(count * static_cast<std::ptrdiff_t>(sizeof(wchar_t)));
    std::copy_n(reinterpret_cast<const BYTE*>(source->Next), *read, buffer);
    source->Next += count;
    return 0;
}

std::string ReadWholeFile(const std::wstring& path) {
    const win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) win::ThrowLastError(L"载入结果文件", path);
    std::string bytes;
    char chunk[64 * 1024];
    DWORD read = 0;
    do {
        if (!::ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr)) win::ThrowLastError(L"读取结果文件", path);
        bytes.append(chunk, read);
    } while (read != 0);
    return bytes;
}

}  // namespace

void RichTextBox::Attach(HWND box) {
    box_ = box;
    ::SendMessageW(box_, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
    ::SendMessageW(box_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    ::SetWindowSubclass(box_, &RichTextBox::Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
}

void RichTextBox::SetText(const std::wstring& text) {
    // Streamed in as text: WM_SETTEXT would read "{\rtf" at the start as RTF.
    StreamSource source{text.data(), text.data() + text.size()};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStream};
    ::SendMessageW(box_, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
}

void RichTextBox::LoadFile(const std::wstring& path) {
    std::wstring text = win::DecodeToolOutput(ReadWholeFile(path));
    // A NUL would end the text early; show it as a blank so what follows stays visible.
    std::replace(text.begin(), text.end(), L'\0', L' ');
    SetText(text);
}

HCURSOR RichTextBox::Pointer() const { return ::LoadCursorW(nullptr, busy_ ? IDC_WAIT : IDC_IBEAM); }

void RichTextBox::SetBusyPointer(bool busy) {
    busy_ = busy;
    POINT cursor;
    RECT box;
    if (::GetCursorPos(&cursor) && ::GetWindowRect(box_, &box) && ::PtInRect(&box, cursor)) ::SetCursor(Pointer());
}

LRESULT CALLBACK RichTextBox::Subclass(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(reinterpret_cast<RichTextBox*>(self)->Pointer());
        return TRUE;
    }
    if (message == WM_GETDLGCODE) {
        // The box is read-only and has no use for Tab; Tab, Shift+Tab and Esc are left to
        // the dialog manager, so the keyboard can always leave the box.
        LRESULT code = ::DefSubclassProc(box, message, wParam, lParam) & ~DLGC_WANTTAB;
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key && key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE)) {
            code &= ~DLGC_WANTALLKEYS;
        }
        return code;
    }
    return ::DefSubclassProc(box, message, wParam, lParam);
}

}  // namespace tindrel::ui
