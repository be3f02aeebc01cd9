// The little JSON the front end writes: strings, numbers, booleans, arrays and
// objects, built as UTF-8 text.
#pragma once

#include <string>
#include <string_view>

// Appends text as a JSON string: quoted, with '"', '\' and the control
// characters escaped, in UTF-8 (an unpaired surrogate becomes U+FFFD).
void AppendJsonString(std::string& out, std::u16string_view text);
void AppendJsonString(std::string& out, std::string_view utf8);
