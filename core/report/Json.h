// The little JSON the command line and the reports write: strings, numbers, booleans, arrays and
// objects, built as UTF-8 text.
#pragma once

#include <string>
#include <string_view>

// Appends text as a JSON string: quoted, with '"', '\' and the control
// characters escaped, in UTF-8 (an unpaired surrogate becomes U+FFFD).
void AppendJsonString(std::string& out, std::u16string_view text);
void AppendJsonString(std::string& out, std::string_view utf8);

// utf8 with its control characters escaped as in a JSON string ("\n",
// "\u001B"), so that a name cannot move the cursor or end a line of text.
std::string WithControlsEscaped(std::string_view utf8);
