// The error correction code of a Mode 1 CD sector (ECMA-130, Annex A): the
// Reed-Solomon product code over GF(2^8) whose P and Q parity bytes follow
// the sector's EDC and its eight zero bytes.
#pragma once

#include <cstdint>

namespace wrenlo {

// Fills the P parity (bytes 2076 to 2247) and the Q parity (2248 to 2351) of
// a 2352-byte sector whose header, user data, EDC and zero bytes are in
// place.
void AddSectorEcc(std::uint8_t* sector);

}  // namespace wrenlo
