#include "ui/display_text.h"

#include <algorithm>

namespace tindrel::ui {
namespace {

bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A cut at `at` leaves both halves whole: not inside a surrogate pair, not inside CR LF.
std::size_t WholeCut(std::wstring_view text, std::size_t at) {
    if (at == 0 || at >= text.size()) return at;
    if (IsLowSurrogate(text[at]) || (text[at - 1] == L'\r' && text[at] == L'\n')) --at;
    return at;
}

// 1234567 as "1,234,567".
std::wstring Grouped(std::uint64_t number) {
    std::wstring digits = std::to_wstring(number);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
    return digits;
}

std::wstring BreakLongLines(std::wstring_view text, std::size_t longestLine, bool& broken) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / longestLine * 2);
    std::size_t run = 0;  // characters since the last line break
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (IsBreak(text[at])) {
            run = 0;
        } else if (run >= longestLine && !IsLowSurrogate(text[at])) {
            lines += L"\r\n";
            broken = true;
            run = 0;
        }
        lines += text[at];
        if (!IsBreak(text[at])) ++run;
    }
    return lines;
}

}  // namespace

std::wstring TextForDisplay(std::wstring start, std::uint64_t fileBytes, bool whole, std::size_t shown,
                            std::size_t longestLine) {
    std::replace(start.begin(), start.end(), L'\0', L' ');
    // The last character of a start that is not the whole file may be half of one.
    if (!whole && !start.empty()) start.pop_back();
    const bool cut = !whole || start.size() > shown;
    if (start.size() > shown) {
        // Whole lines where the last one is not too far back.
        std::size_t at = WholeCut(start, shown);
        const std::size_t lastBreak = std::wstring_view(start).substr(0, at).find_last_of(L'\n');
        if (lastBreak != std::wstring::npos && at - lastBreak <= longestLine) at = lastBreak + 1;
        start.resize(at);
    }
    bool broken = false;
    std::wstring text = BreakLongLines(start, longestLine, broken);
    if (!cut && !broken) return text;

    if (!text.empty() && !IsBreak(text.back())) text += L"\r\n";
    text += L"\r\n（";
    if (cut) {
        text += L"输出太长（共 " + Grouped(fileBytes) + L" 字节），这里只显示了开头的 " + Grouped(start.size()) +
                L" 个字符。";
    }
    if (broken) text += L"没有换行的长行在这里每 " + Grouped(longestLine) + L" 个字符断开显示。";
    text += L"）\r\n";
    return text;
}

std::size_t PieceEnd(std::wstring_view text, std::size_t from, std::size_t size) {
    std::size_t end = std::min(text.size(), from + size);
    if (end < text.size()) {
        const std::size_t lastBreak = text.substr(from, end - from).find_last_of(L'\n');
        end = lastBreak != std::wstring_view::npos ? from + lastBreak + 1 : WholeCut(text, end);
        if (end == from) end = std::min(text.size(), from + size);
    }
    while (end < text.size() && text[end] == L'{') ++end;
    return end;
}

}  // namespace tindrel::ui
