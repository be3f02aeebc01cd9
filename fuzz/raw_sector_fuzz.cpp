// User data and the whole sector out of one stored CD sector of every track
// type, at an address taken from the input.
#include <cstring>

#include "image/RawSector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  if (size < 4) return 0;
  std::uint32_t address = 0;
  std::memcpy(&address, data, 4);
  // The stored sector, zero-padded to the largest form.
  std::uint8_t stored[2352] = {};
  std::memcpy(stored, data + 4, std::min<std::size_t>(size - 4, sizeof stored));
  std::uint8_t out[2048];
  std::uint8_t whole[kWholeSectorBytes];
  for (const CueTrackType type :
       {CueTrackType::Audio, CueTrackType::Mode1Cooked, CueTrackType::Mode1Raw,
        CueTrackType::Mode2Cooked, CueTrackType::Mode2Raw}) {
    const Result result = UserData(type, address, stored, out);
    if (result != kOk && result != kMediumError) __builtin_trap();
    // A whole sector is given exactly when its user data is.
    if (WholeSector(type, address, stored, whole) != result) __builtin_trap();
  }
  return 0;
}
