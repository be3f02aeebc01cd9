// OSTA Compressed Unicode (OSTA UDF 2.1.1, 2.1.3): the character set of UDF
// names and identifiers, decoded to UTF-16.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace wrenlo::udf {

// Decodes compressed characters: a compression id (8 or 254: one byte per
// character; 16 or 255: big-endian 16-bit units) followed by the characters.
// False for an unknown id or a 16-bit run of odd length; an empty run is the
// empty text.
bool DecodeCs0(std::span<const std::uint8_t> bytes, std::u16string& out);

// A dstring field (ECMA-167 1/7.2.12): the last byte holds how many of the
// bytes before it are used. The empty text when that count or the
// characters are malformed.
std::u16string DecodeDString(std::span<const std::uint8_t> field);

}  // namespace wrenlo::udf
