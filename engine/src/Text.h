// Conversions of the texts the engine meets (file names of the host, ISO 9660
// byte strings, Rock Ridge names, Joliet UCS-2) to the UTF-16 of the engine's records.
#pragma once

#include <string>
#include <string_view>

#include "Bytes.h"

namespace wrenlo {

// UTF-8 (a host file name) to UTF-16; malformed sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);

// Each byte as the code point of the same value (ISO 8859-1), which also reads
// the ASCII of ISO 9660 identifiers.
std::u16string FromLatin1(Bytes bytes);

// bytes as UTF-8 when they are well-formed UTF-8, else as ISO 8859-1. Tools
// that record ISO 9660 texts and Rock Ridge names from a UTF-8 host write
// UTF-8; a text in another 8-bit set is rarely well-formed UTF-8 by chance.
std::u16string FromUtf8OrLatin1(Bytes bytes);

// UCS-2 big-endian (Joliet); an odd last byte is dropped.
std::u16string FromUcs2Be(Bytes bytes);

// text without trailing spaces and NULs (padding of fixed-width fields).
std::u16string TrimPadding(std::u16string text);

}  // namespace wrenlo
