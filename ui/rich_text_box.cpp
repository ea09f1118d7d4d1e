#include "ui/rich_text_box.h"

#include <commctrl.h>
#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <string_view>

#include "ui/display_text.h"
#include "win/code_page.h"
#include "win/fatal_error_report.h"
#include "win/file_start.h"
#include "win/unique_handle.h"
#include "win/win32_error.h"

namespace tindrel::ui {
namespace {

// The first piece fills the box at once; the rest goes in on timer ticks, which come
// only when no input or painting waits, a few pieces at a time. Wine's RichEdit lays out
// about a kilobyte of text per 5 to 15 ms.
constexpr size_t kFirstPiece = 4 * 1024;
constexpr size_t kPiece = 2 * 1024;
constexpr DWORD kTickWorkMs = 25;
constexpr UINT_PTR kLoadTimer = 0x7D14;

constexpr UINT kCopy = 1;
constexpr UINT kSelectAll = 2;

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

LONG TextLength(HWND box) {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(::SendMessageW(box, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

// Where the keyboard's menu goes: under the end of the selection when that is in view,
// the box's top left corner otherwise.
POINT KeyboardMenuPoint(HWND box) {
    CHARRANGE selection{};
    ::SendMessageW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINTL at{};
    ::SendMessageW(box, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), selection.cpMax);
    RECT client{};
    ::GetClientRect(box, &client);
    TEXTMETRICW metrics{};
    {
        const win::WindowDc dc(box);
        const win::SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)));
        ::GetTextMetricsW(dc.Get(), &metrics);
    }
    POINT point{at.x, at.y + metrics.tmHeight};
    if (!::PtInRect(&client, POINT{at.x, at.y})) point = POINT{0, 0};
    ::ClientToScreen(box, &point);
    return point;
}

}  // namespace

void RichTextBox::Attach(HWND box) {
    box_ = box;
    ::SendMessageW(box_, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
    ::SendMessageW(box_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    ::SetWindowSubclass(box_, &RichTextBox::Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
}

// Streamed in as text: WM_SETTEXT would read "{\rtf" at the start as RTF.
void RichTextBox::StreamIn(const wchar_t* text, size_t length) {
    StreamSource source{text, text + length};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStream};
    ::SendMessageW(box_, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
}

void RichTextBox::SetText(const std::wstring& text) {
    CancelLoad();
    StreamIn(text.data(), text.size());
}

std::optional<SystemError> RichTextBox::LoadFile(const std::wstring& path) {
    win::FileStart start;
    try {
        start = win::ReadFileStart(path, BytesToRead());
    } catch (const SystemError& error) {
        return error;
    }
    std::wstring text = TextForDisplay(win::DecodeToolOutput(start.Bytes), start.Size, start.Whole);
    CancelLoad();
    const size_t first = PieceEnd(text, 0, kFirstPiece);
    StreamIn(text.data(), first);
    if (first == text.size()) return std::nullopt;
    pending_ = std::move(text);
    next_ = first;
    if (!::SetTimer(box_, kLoadTimer, USER_TIMER_MINIMUM, nullptr)) win::ThrowLastError(L"分段显示结果");
    return std::nullopt;
}

void RichTextBox::CancelLoad() {
    if (!Loading()) return;
    ::KillTimer(box_, kLoadTimer);
    pending_ = std::wstring();
    next_ = 0;
}

// Each piece goes at the end of the text; `all` puts in the whole rest at once. What the
// user sees, has selected or has scrolled to stays as it was: the view by its first line,
// since EM_GETSCROLLPOS and EM_SETSCROLLPOS carry 16-bit pixels, which a few thousand
// lines pass. When all goes in, a selection that reached the end reaches the new end, so
// that copying it takes the whole text from there on.
void RichTextBox::AppendPieces(bool all) {
    CHARRANGE selection{};
    ::SendMessageW(box_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT firstLine = ::SendMessageW(box_, EM_GETFIRSTVISIBLELINE, 0, 0);
    POINT scrolled{};
    ::SendMessageW(box_, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    ::SendMessageW(box_, WM_SETREDRAW, FALSE, 0);

    const LONG shownEnd = all ? TextLength(box_) : 0;
    const DWORD started = ::GetTickCount();
    std::wstring piece;
    do {
        const size_t end = all ? pending_.size() : PieceEnd(pending_, next_, kPiece);
        piece.assign(pending_, next_, end - next_);
        next_ = end;
        const LONG length = TextLength(box_);
        CHARRANGE atEnd{length, length};
        ::SendMessageW(box_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&atEnd));
        // No piece starts with "{" (PieceEnd), so none is taken for RTF.
        ::SendMessageW(box_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    } while (next_ < pending_.size() && ::GetTickCount() - started < kTickWorkMs);
    if (all && selection.cpMin < selection.cpMax && selection.cpMax >= shownEnd) selection.cpMax = -1;

    ::SendMessageW(box_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT nowFirst = ::SendMessageW(box_, EM_GETFIRSTVISIBLELINE, 0, 0);
    if (nowFirst != firstLine) ::SendMessageW(box_, EM_LINESCROLL, 0, firstLine - nowFirst);
    POINT now{};
    ::SendMessageW(box_, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&now));
    if (now.x != scrolled.x) ::SendMessageW(box_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, scrolled.x), 0);
    ::SendMessageW(box_, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(box_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    if (next_ >= pending_.size()) CancelLoad();
}

// The menu an edit box has, for a box that cannot be edited: 复制 (greyed without a
// selection) and 全选. `where` is the mouse's screen position, or -1, -1 from the keyboard.
void RichTextBox::ShowContextMenu(LPARAM where) {
    POINT point{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (point.x == -1 && point.y == -1) point = KeyboardMenuPoint(box_);
    CHARRANGE selection{};
    ::SendMessageW(box_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const win::UniqueMenu menu(::CreatePopupMenu());
    if (!menu) win::ThrowLastError(L"创建快捷菜单");
    ::AppendMenuW(menu.Get(), MF_STRING | (selection.cpMin == selection.cpMax ? MF_GRAYED : 0), kCopy, L"复制(&C)");
    ::AppendMenuW(menu.Get(), MF_STRING, kSelectAll, L"全选(&A)");
    const UINT align = ::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    switch (::TrackPopupMenu(menu.Get(), align | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                             point.x, point.y, 0, box_, nullptr)) {
        case kCopy:
            ::SendMessageW(box_, WM_COPY, 0, 0);
            break;
        case kSelectAll: {
            if (Loading()) AppendPieces(true);
            CHARRANGE all{0, -1};
            ::SendMessageW(box_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
            break;
        }
    }
}

HCURSOR RichTextBox::Pointer() const { return ::LoadCursorW(nullptr, busy_ ? IDC_WAIT : IDC_IBEAM); }

void RichTextBox::SetBusyPointer(bool busy) {
    busy_ = busy;
    POINT cursor;
    RECT box;
    if (::GetCursorPos(&cursor) && ::GetWindowRect(box_, &box) && ::PtInRect(&box, cursor)) ::SetCursor(Pointer());
}

LRESULT CALLBACK RichTextBox::Subclass(HWND, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) noexcept {
    return win::GuardMessage(
        [&] { return reinterpret_cast<RichTextBox*>(self)->HandleMessage(message, wParam, lParam); });
}

LRESULT RichTextBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETCURSOR:
            if (LOWORD(lParam) != HTCLIENT) break;
            ::SetCursor(Pointer());
            return TRUE;
        case WM_GETDLGCODE: {
            // The box is read-only and has no use for Tab; Tab, Shift+Tab and Esc are left
            // to the dialog manager, so the keyboard can always leave the box.
            LRESULT code = ::DefSubclassProc(box_, message, wParam, lParam) & ~DLGC_WANTTAB;
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            if (key && key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE)) {
                code &= ~DLGC_WANTALLKEYS;
            }
            return code;
        }
        case WM_TIMER:
            if (wParam != kLoadTimer) break;
            // Not while the mouse selects: the selection is set anew after each tick.
            if (Loading() && ::GetCapture() != box_) AppendPieces();
            return 0;
        case WM_CONTEXTMENU:
            ShowContextMenu(lParam);
            return 0;
        case WM_KEYDOWN:
            if (::GetKeyState(VK_CONTROL) >= 0) break;
            // Ctrl+C and Ctrl+A, which the control handles without WM_COPY, take the whole
            // text too; Ctrl+Insert is WM_COPY, as an edit box has it.
            if (wParam == VK_INSERT) {
                ::SendMessageW(box_, WM_COPY, 0, 0);
                return 0;
            }
            if (Loading() && (wParam == 'C' || wParam == 'A')) AppendPieces(true);
            break;
        case WM_COPY:
            if (Loading()) AppendPieces(true);
            break;
    }
    return ::DefSubclassProc(box_, message, wParam, lParam);
}

}  // namespace tindrel::ui
