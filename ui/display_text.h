#pragma once
// What the results box shows of a tool's output. A drive list is a few KB and is shown
// as it is; a broken tool can print megabytes, or one line without end, which RichEdit
// would lay out for minutes. So the box shows the start of such an output, breaks lines
// that have no break of their own, and says what it left out.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tindrel::ui {

inline constexpr std::size_t kShownCharacters = 256 * 1024;
inline constexpr std::size_t kLongestLine = 1024;

// How much of an output file to read for `shown` characters and one more: a character
// takes at most three bytes (UTF-8; a double-byte ANSI code page takes two, UTF-16 two a
// unit), and the byte-order mark up to three. What the cut splits lies past them.
constexpr std::size_t BytesToRead(std::size_t shown = kShownCharacters) { return 3 * (shown + 1) + 3; }

// The output as the box shows it, from the decoded `start` of a file of `fileBytes` bytes
// (all of it when `whole`): NULs as blanks (a NUL would end the text early), at most
// `shown` characters, a line break after every `longestLine` characters of a line without
// one, and a closing note in Chinese when anything was left out or broken.
std::wstring TextForDisplay(std::wstring start, std::uint64_t fileBytes, bool whole,
                            std::size_t shown = kShownCharacters, std::size_t longestLine = kLongestLine);

// Where a piece of about `size` characters from `from` ends: after a line break where
// there is one, never between CR and LF or the halves of a surrogate pair, and never
// before a "{", so no piece that follows can be read as RTF.
std::size_t PieceEnd(std::wstring_view text, std::size_t from, std::size_t size);

}  // namespace tindrel::ui
