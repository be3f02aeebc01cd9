// The CD-ROM error detection code (EDC) of a sector's bytes: a 32-bit CRC,
// least significant bit first, of the polynomial
// (x^16 + x^15 + x^2 + 1)(x^16 + x^2 + x + 1), starting from 0, stored
// little-endian after the bytes it covers (ECMA-130, 14.3).
//
// Every raw sector read from a BIN/CUE image has its EDC checked, so this is
// on the scan's path: it folds 64 bytes at a time with carry-less
// multiplication where the processor has it (PCLMULQDQ), and takes eight
// bytes a step from tables otherwise.
#pragma once

#include <cstdint>

#include "Bytes.h"

namespace wrenlo {

std::uint32_t SectorEdc(Bytes bytes);

// The same, eight bytes a step from tables whatever the processor: the
// fallback, and what tests and benchmarks compare the fast path with.
std::uint32_t SectorEdcByTables(Bytes bytes);

}  // namespace wrenlo
