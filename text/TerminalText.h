#pragma once
// Bytes from files, lines and file names, made safe to print on a terminal: control
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

// Between double quotes and escaped; when longer than 40 characters (counting an
// invalid byte as one), its first 40, "…" and its length: "\"abc…\" (a text of 97
// characters)".
std::string quotedForTerminal(std::string_view bytes);

} // namespace text
