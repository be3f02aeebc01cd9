// What the engine needs of one drive, real or virtual: its identity and
// abilities, the medium's layout, sector reads and the tray. The registry
// owns one backend per listed drive; the public operations translate between
// these facts and the packed records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SectorSource.h"

namespace wrenlo {

struct DriveIdentity {
  std::u16string vendor;    // at most 8 units are shown
  std::u16string model;     // at most 16
  std::u16string revision;  // at most 5
  std::u16string firmwareRevision;
  std::u16string serialNumber;  // empty when the drive reports none
  std::int32_t regionCode = 0;  // 0 = none set
  std::int32_t userChangesLeft = 0;
  std::int32_t bufferSizeKB = 0;
};

struct TrackLayout {
  std::int32_t number = 0;
  std::int32_t session = 0;
  std::uint32_t start = 0;  // first sector
  std::uint32_t sectorCount = 0;
  std::uint8_t mode = 1;  // 1, 2 data; anything else audio
};

struct SessionLayout {
  std::int32_t number = 0;
  std::uint32_t start = 0;
  std::uint32_t sectorCount = 0;
  std::int32_t firstTrack = 0;
  std::int32_t lastTrack = 0;
};

struct MediumLayout {
  std::u16string typeName;              // "CD-ROM", "DVD-ROM", "BD-ROM", ...
  std::vector<SessionLayout> sessions;  // ascending by number, at least one
  std::vector<TrackLayout> tracks;      // ascending by number, at least one
};

class Backend : public SectorSource {
 public:
  virtual DriveIdentity Identity() = 0;
  // The answer to one capability code of wrenlo.h's cap namespace.
  virtual bool HasCapability(std::uint64_t code) = 0;
  virtual std::int32_t MaxReadSpeedKB() = 0;   // 0 when unknown
  virtual std::int32_t MaxWriteSpeedKB() = 0;  // 0 when the drive does not write
  // Reads at kbPerSecond from now on; 0 = the drive's own choice. A drive
  // without speeds of its own takes any and reads as before.
  virtual Result SetReadSpeed(std::int32_t /*kbPerSecond*/) { return kOk; }
  // Reads count whole 2352-byte CD sectors from address into out (count *
  // 2352 bytes): data sectors with sync, header, user data, EDC and ECC,
  // audio frames whole. kUnsupported for media without such sectors (DVD,
  // BD) and drives that cannot read them.
  virtual Result ReadRaw(std::uint32_t /*address*/, std::uint32_t /*count*/,
                         std::uint8_t* /*out*/) {
    return kUnsupported;
  }
  // The medium in the drive; kNoMedium (or another failure) when there is none.
  virtual Result Medium(MediumLayout& out) = 0;
  virtual Result Eject() = 0;
  virtual Result CloseTray() = 0;
  // Whether a medium is in and the tray closed, asked without reading the
  // medium or waiting for the drive to spin up; changes counts the new media
  // and removals the drive has reported to these questions, so that a disc
  // swapped between two of them shows too.
  virtual Result MediumPresence(bool& present, std::uint32_t& changes) = 0;
  // Of a copy of a disc read with its mapfile: how many of its sectors the
  // copy lacks (they fail to read); -1 for any other drive.
  virtual std::int64_t MissingSectors() const { return -1; }
};

}  // namespace wrenlo
