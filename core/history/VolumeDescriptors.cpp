#include "core/history/VolumeDescriptors.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kSectorBytes = 2048;
// ECMA-119 8.1: the set starts at sector 16; ECMA-167 3/8.4.2.1 (and OSTA
// UDF 2.2.3): the anchor lies at sector 256.
constexpr std::int64_t kFirstDescriptor = 16;
constexpr std::int64_t kAnchorSector = 256;

using Sector = std::array<std::uint8_t, kSectorBytes>;

std::uint16_t Le16(const Sector& s, std::size_t at) {
  return static_cast<std::uint16_t>(s[at] | (s[at + 1] << 8));
}

std::uint32_t Le32(const Sector& s, std::size_t at) {
  return static_cast<std::uint32_t>(s[at]) | (static_cast<std::uint32_t>(s[at + 1]) << 8) |
         (static_cast<std::uint32_t>(s[at + 2]) << 16) |
         (static_cast<std::uint32_t>(s[at + 3]) << 24);
}

std::string Bytes(const Sector& s) { return std::string(s.begin(), s.end()); }

// "+02:00" for a zone of minutes east of UTC.
std::string Zone(int minutes) {
  char text[16];
  const int whole = minutes < 0 ? -minutes : minutes;
  std::snprintf(text, sizeof text, " %c%02d:%02d", minutes < 0 ? '-' : '+', whole / 60, whole % 60);
  return text;
}

// ECMA-119 8.4.26.1: sixteen digits and a zone in quarter hours; all zeros
// (or anything but digits) records no time.
std::string IsoCreationTime(const Sector& pvd) {
  constexpr std::size_t kAt = 813;
  int digits[16];
  bool any = false;
  for (std::size_t i = 0; i < 16; ++i) {
    const std::uint8_t c = pvd[kAt + i];
    if (c < '0' || c > '9') return {};
    digits[i] = c - '0';
    any = any || c != '0';
  }
  if (!any) return {};
  const auto number = [&](int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) value = value * 10 + digits[i];
    return value;
  };
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", number(0, 4), number(4, 2),
                number(6, 2), number(8, 2), number(10, 2), number(12, 2));
  const int quarters = static_cast<std::int8_t>(pvd[kAt + 16]);
  return text + Zone(quarters * 15);
}

// ECMA-167 1/7.3: a timestamp whose type is 1 (local time) with its zone in
// minutes (-2047 = none), or 0 (UTC).
std::string UdfRecordingTime(const Sector& pvd) {
  constexpr std::size_t kAt = 376;
  const std::uint16_t typeAndZone = Le16(pvd, kAt);
  const int type = typeAndZone >> 12;
  const int year = static_cast<std::int16_t>(Le16(pvd, kAt + 2));
  const int month = pvd[kAt + 4], day = pvd[kAt + 5], hour = pvd[kAt + 6], minute = pvd[kAt + 7],
            second = pvd[kAt + 8];
  if (type > 1 || year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || second > 59)
    return {};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  // The zone is a 12-bit two's complement number.
  int zone = typeAndZone & 0x0FFF;
  if (zone >= 0x800) zone -= 0x1000;
  if (type == 0) zone = 0;
  return zone == -2047 ? text : text + Zone(zone);
}

// ECMA-167 3/7.2: a descriptor tag whose identifier is id, whose checksum
// holds and which says it lies at location.
bool IsUdfTag(const Sector& s, std::uint16_t id, std::uint32_t location) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < 16; ++i)
    if (i != 4) sum = static_cast<std::uint8_t>(sum + s[i]);
  return Le16(s, 0) == id && sum == s[4] && Le32(s, 12) == location;
}

class Reader {
 public:
  Reader(const SessionSectorReader& read, std::int64_t start, std::int64_t count)
      : read(read), start(start), count(count) {}

  // Reads the session's sector; false when it lies outside the session (then
  // readable stays true) or cannot be read (then readable becomes false).
  bool Read(std::int64_t sector, Sector& out) {
    if (sector < 0 || sector >= count) return false;
    if (read(static_cast<std::int32_t>(sector), out.data())) return true;
    readable = false;
    return false;
  }
  std::int64_t Start() const { return start; }
  bool Readable() const { return readable; }

 private:
  const SessionSectorReader& read;
  std::int64_t start;
  std::int64_t count;
  bool readable = true;
};

bool IsIsoDescriptor(const Sector& s) { return std::memcmp(&s[1], "CD001", 5) == 0; }

// ECMA-119 8.1: the set from sector 16 up to its terminator (type 255).
void ReadIsoSet(Reader& reader, const Sector& first, VolumeDescriptors& out) {
  out.kind = VolumeDescriptors::Kind::Iso9660;
  Sector sector = first;
  for (std::int64_t n = 0;;) {
    out.bytes += Bytes(sector);
    if (sector[0] == 1 && out.created.empty()) out.created = IsoCreationTime(sector);
    if (sector[0] == 255 || ++n == kMaxDescriptorSectors) return;
    if (!reader.Read(kFirstDescriptor + n, sector) || !IsIsoDescriptor(sector)) return;
  }
}

// The anchor, then the main volume descriptor sequence (ECMA-167 3/10.2) up
// to its terminating descriptor, for the logical volume descriptor (tag 6)
// and the primary volume descriptor's (tag 1) recording time.
void ReadUdfDescriptors(Reader& reader, VolumeDescriptors& out) {
  Sector anchor;
  const std::int64_t anchorAt = reader.Start() + kAnchorSector;
  if (!reader.Read(kAnchorSector, anchor) ||
      !IsUdfTag(anchor, 2, static_cast<std::uint32_t>(anchorAt)))
    return;
  const std::int64_t length = Le32(anchor, 16);
  const std::int64_t location = Le32(anchor, 20);
  const std::int64_t sectors =
      std::min<std::int64_t>((length + kSectorBytes - 1) / kSectorBytes, kMaxDescriptorSectors);
  std::string created;
  Sector descriptor;
  for (std::int64_t i = 0; i < sectors; ++i) {
    const std::int64_t at = location + i;
    if (!reader.Read(at - reader.Start(), descriptor)) return;
    const auto tag = [&](std::uint16_t id) {
      return IsUdfTag(descriptor, id, static_cast<std::uint32_t>(at));
    };
    if (tag(1) && created.empty()) created = UdfRecordingTime(descriptor);
    if (tag(6)) {
      out.kind = VolumeDescriptors::Kind::Udf;
      out.bytes = Bytes(anchor) + Bytes(descriptor);
      out.created = created;
      // The primary volume descriptor comes first in a sequence as every
      // writer records it; one after the logical one is not looked for.
      return;
    }
    if (tag(8)) return;
  }
}

}  // namespace

bool ReadVolumeDescriptors(const SessionSectorReader& read, std::int64_t sessionStart,
                           std::int64_t sessionSectors, VolumeDescriptors& out) {
  out = VolumeDescriptors{};
  Reader reader(read, sessionStart, sessionSectors);
  Sector first;
  if (reader.Read(kFirstDescriptor, first) && IsIsoDescriptor(first)) {
    ReadIsoSet(reader, first, out);
  } else if (reader.Readable()) {
    ReadUdfDescriptors(reader, out);
  }
  if (!reader.Readable()) out = VolumeDescriptors{};
  return reader.Readable();
}
