// Conversions of the texts the engine meets (file names of the host, ISO 9660
// byte strings, Joliet UCS-2) to the UTF-16 of the engine's records.
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

// UCS-2 big-endian (Joliet); an odd last byte is dropped.
std::u16string FromUcs2Be(Bytes bytes);

// text without trailing spaces and NULs (padding of fixed-width fields).
std::u16string TrimPadding(std::u16string text);

}  // namespace wrenlo
