// The little JSON the command line and the reports write: strings, numbers, booleans, arrays and
// objects, built as UTF-8 text.
#pragma once

#include <string>
#include <string_view>

#include "core/report/EscapedText.h"

// Appends text as a JSON string: quoted, in UTF-8, with '"', '\\', the
// control characters and those that set the direction of text or end a line
// escaped ("\n", "\u001B", "\u202E"), as EscapedText.h lists them; an
// unpaired surrogate, or a byte that is not valid UTF-8, becomes U+FFFD.
void AppendJsonString(std::string& out, std::u16string_view text);
void AppendJsonString(std::string& out, std::string_view utf8);
