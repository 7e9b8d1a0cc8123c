#pragma once
// Texts as messages quote them, in a window or on a terminal, cut by one rule when
// long. On a terminal, bytes from files, lines and file names are made safe: control
// bytes, DEL, C1 controls, bytes that are no part of a valid UTF-8 character and the
// format characters that reorder or hide text are shown as escapes, the way `ls -b` shows names, so
// that no escape sequence or NUL from untrusted input reaches the user's terminal.

#include <string>
#include <string_view>

namespace text {

// Every character as it stands, but \ escaped with a backslash, \t \n \r as such,
// other control bytes and DEL in octal (\033, \0 for NUL), bytes of a C1 control or
// of no valid character in hex (\x80), and the format characters that reorder or
// hide text (bidirectional overrides and isolates, zero-width characters) by their
// code point (\u202E).
std::string escaped(std::string_view bytes);

// How much of a text a quotation holds: all of it (file names), or, when it is longer
// than 40 characters (counting a byte of no valid character as one), its first 40,
// "…" and its length: "\"abc…\" (a text of 97 characters)" (texts a user typed or a
// file held).
enum class Length { Whole, Cut };

// Between double quotes, escaped.
std::string quotedForTerminal(std::string_view bytes, Length length = Length::Cut);

// Between double quotes, as it stands: a window shows any character.
std::string quotedForWindow(std::string_view text, Length length = Length::Whole);

} // namespace text
