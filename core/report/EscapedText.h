// Text from a disc or a file (names, labels, paths, cue-sheet names) shown in
// the program's text output: a terminal, a pipe, a text file, a report. Such
// text may hold anything, and written raw it could move the cursor, set the
// terminal's title, end a line to forge the next one, or turn the rest of a
// line around. Every printer of such text passes it through
// WithControlsEscaped, so that it stays on its line and shows as it is.
#pragma once

#include <string>
#include <string_view>

// utf8 with every character that could drive a terminal or reorder a line
// written as an escape: "\n", "\r", "\t", "\e" (escape), "\u0007" for the
// other control characters (C0, DEL and C1), "\u202E" for the characters that
// set the direction of text (U+061C, U+200E, U+200F, U+202A to U+202E,
// U+2066 to U+2069) and the line and paragraph separators (U+2028, U+2029);
// a byte that is not part of valid UTF-8 as "\xFF". Everything else, any
// script included, stays as it is.
std::string WithControlsEscaped(std::string_view utf8);
// text, in UTF-8, escaped the same way.
std::string WithControlsEscaped(std::u16string_view text);

// How AppendEscaped writes what it escapes: as text output does (above), or
// inside a JSON string, where '"' and '\\' are escaped too, escape is
// "\u001B" and a byte that is not UTF-8 becomes "\uFFFD".
enum class EscapeStyle { Text, Json };

// Appends utf8 to out with the characters WithControlsEscaped names escaped
// in style; WithControlsEscaped and the JSON strings both write through it.
void AppendEscaped(std::string& out, std::string_view utf8, EscapeStyle style);
