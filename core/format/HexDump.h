// The hex dump of a sector: sixteen bytes a line, first as two-digit
// upper-case hexadecimal values (a second space after the eighth), then as
// characters (0x20 to 0x7F as themselves, every other byte as '.'), each line
// ended by CR LF. No offset column and no heading.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// A complete line: 49 characters of values, a space, 16 characters, CR LF.
inline constexpr std::size_t kHexDumpLineLength = 68;

// The dump of bytes. A last line of fewer than sixteen bytes has its values
// padded with spaces, so that its characters start in the same column as
// those of the lines above; it ends with CR LF like every other line.
std::u16string FormatHexDump(std::span<const std::uint8_t> bytes);
