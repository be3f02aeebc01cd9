#include "fs/iso9660/VolumeDescriptors.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "Text.h"
#include "fs/iso9660/IsoDates.h"

namespace wrenlo {

namespace {

constexpr std::size_t kSectorSize = 2048;

// ECMA-119 8.1.1 volume descriptor types.
constexpr std::uint8_t kBootRecord = 0;
constexpr std::uint8_t kPrimary = 1;
constexpr std::uint8_t kSupplementary = 2;
constexpr std::uint8_t kPartition = 3;
constexpr std::uint8_t kTerminator = 255;

// Offsets inside a primary or supplementary descriptor (ECMA-119 8.4, 8.5).
constexpr std::size_t kVolumeFlags = 7;
constexpr std::size_t kVolumeIdentifier = 40;  // 32 bytes
constexpr std::size_t kEscapeSequences = 88;   // 32 bytes
constexpr std::size_t kLogicalBlockSize = 128;
constexpr std::size_t kPathTableSize = 132;  // both-endian
constexpr std::size_t kPathTableL = 140;     // L and optional L, little-endian
constexpr std::size_t kPathTableM = 148;     // M and optional M, big-endian
constexpr std::size_t kRootRecord = 156;     // 34 bytes
constexpr std::size_t kPublisher = 318;      // 128 bytes
constexpr std::size_t kApplication = 574;    // 128 bytes
constexpr std::size_t kCreationDate = 813;   // then modification, expiration, effective
constexpr std::size_t kDateLength = 17;

// El Torito boot record: the boot system identifier and the catalog pointer.
constexpr std::size_t kBootSystemIdentifier = 7;  // 32 bytes
constexpr std::size_t kBootCatalogPointer = 71;
// The boot system identifier every El Torito boot record carries, as the
// published El Torito bootable CD-ROM format defines it (text fixed on disc).
constexpr char kElTorito[] = "EL TORITO SPECIFICATION";

bool HasStandardIdentifier(Bytes sector) {
  return std::memcmp(sector.data() + 1, "CD001", 5) == 0 && U8(sector, 6) == 1;
}

IsoDate DecodeDate(Bytes date) {
  // The time-zone offset is not shown with a volume's dates.
  CivilTime civil;
  if (!DecodeLongDateFields(date, civil)) return {};
  const auto [year, month, day, hour, minute, second] =
      std::tuple(civil.year, civil.month, civil.day, civil.hour, civil.minute, civil.second);
  const bool valid = year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 &&
                     hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
  if (!valid) return {};
  return IsoDate{static_cast<std::uint16_t>(year),  static_cast<std::uint8_t>(month),
                 static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
                 static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
}

// Joliet: escape sequence %/@, %/C or %/E (UCS-2 levels 1 to 3) and no
// non-ISO 2375 escape flag.
bool IsJoliet(Bytes sector) {
  if ((U8(sector, kVolumeFlags) & 1) != 0) return false;
  const Bytes escapes = sector.subspan(kEscapeSequences, 32);
  for (std::size_t i = 0; i + 3 <= escapes.size(); ++i) {
    if (escapes[i] == '%' && escapes[i + 1] == '/' &&
        (escapes[i + 2] == '@' || escapes[i + 2] == 'C' || escapes[i + 2] == 'E'))
      return true;
  }
  return false;
}

std::optional<IsoVolume> DecodeVolume(Bytes sector, bool joliet) {
  if (Le16(sector, kLogicalBlockSize) != kSectorSize) return std::nullopt;
  const Bytes rootBytes = sector.subspan(kRootRecord, 34);
  if (U8(rootBytes, 0) != 34) return std::nullopt;
  DirectoryRecord root;
  if (DecodeDirectoryRecord(rootBytes, root) != kOk || !root.IsDirectory()) return std::nullopt;

  const auto text = [&](std::size_t offset, std::size_t length) {
    const Bytes field = sector.subspan(offset, length);
    return TrimPadding(joliet ? FromUcs2Be(field) : FromUtf8OrLatin1(field));
  };
  const auto date = [&](int index) {
    return DecodeDate(sector.subspan(kCreationDate + index * kDateLength, kDateLength));
  };
  IsoVolume volume;
  volume.joliet = joliet;
  volume.label = text(kVolumeIdentifier, 32);
  volume.publisher = text(kPublisher, 128);
  volume.application = text(kApplication, 128);
  volume.creation = date(0);
  volume.modification = date(1);
  volume.expiration = date(2);
  volume.effective = date(3);
  volume.rootLocation = root.location;
  volume.rootLength = root.dataLength;
  volume.rootExtendedAttributeLength = root.extendedAttributeLength;
  volume.pathTableBytes = Le32(sector, kPathTableSize);
  volume.pathTables[0] = Le32(sector, kPathTableL);
  volume.pathTables[1] = Le32(sector, kPathTableL + 4);
  volume.pathTables[2] = Be32(sector, kPathTableM);
  volume.pathTables[3] = Be32(sector, kPathTableM + 4);
  return volume;
}

}  // namespace

Result DecodeVolumeDescriptor(Bytes sector, VolumeDescriptorSet& set) {
  if (sector.size() != kSectorSize || !HasStandardIdentifier(sector)) return kNoFileSystem;
  switch (U8(sector, 0)) {
    case kTerminator:
      return kEndOfDirectory;
    case kPrimary:
      if (!set.primary) set.primary = DecodeVolume(sector, false);
      break;
    case kSupplementary:
      if (!set.joliet && IsJoliet(sector)) set.joliet = DecodeVolume(sector, true);
      break;
    case kBootRecord: {
      const Bytes system = sector.subspan(kBootSystemIdentifier, 32);
      const std::size_t length = sizeof kElTorito - 1;
      const bool elTorito =
          std::memcmp(system.data(), kElTorito, length) == 0 &&
          std::all_of(system.begin() + length, system.end(), [](std::uint8_t c) { return c == 0; });
      if (elTorito && !set.bootCatalog) set.bootCatalog = Le32(sector, kBootCatalogPointer);
      break;
    }
    default:
      break;
  }
  return kOk;
}

std::u16string VolumeDescriptorName(Bytes sector) {
  if (sector.size() != kSectorSize) return {};
  if (HasStandardIdentifier(sector)) {
    switch (U8(sector, 0)) {
      case kBootRecord:
        return u"Boot record volume descriptor";
      case kPrimary:
        return u"Primary volume descriptor";
      case kSupplementary:
        return IsJoliet(sector) ? u"Supplementary volume descriptor (Joliet)"
                                : u"Supplementary volume descriptor";
      case kPartition:
        return u"Volume partition descriptor";
      case kTerminator:
        return u"Volume descriptor set terminator";
      default:
        return u"Volume descriptor";
    }
  }
  // ECMA-167 2/9: the volume recognition sequence that UDF adds.
  static constexpr std::pair<const char*, const char16_t*> kRecognition[] = {
      {"BEA01", u"Beginning extended area descriptor"},
      {"NSR02", u"NSR descriptor (UDF)"},
      {"NSR03", u"NSR descriptor (UDF)"},
      {"TEA01", u"Terminating extended area descriptor"},
      {"BOOT2", u"Boot descriptor"},
      {"CDW02", u"Volume descriptor"},
  };
  for (const auto& [identifier, name] : kRecognition)
    if (std::memcmp(sector.data() + 1, identifier, 5) == 0) return name;
  return {};
}

Result ReadVolumeDescriptorArea(SectorSource& source, std::uint32_t sessionStart,
                                std::uint32_t sessionEnd, VolumeDescriptorArea& out) {
  out = {};
  std::vector<std::uint8_t> sector(kSectorSize);
  std::size_t kept = 0;  // sectors up to the last readable descriptor
  Result firstFailure = kOk;
  bool setEnded = false, any = false;
  for (std::uint32_t i = 0; i < kMaxVolumeDescriptors; ++i) {
    const std::uint64_t address = std::uint64_t{sessionStart} + 16 + i;
    if (address >= sessionEnd) break;
    const Result read = source.Read(static_cast<std::uint32_t>(address), 1, sector.data());
    if (read != kOk) {
      if (firstFailure == kOk) firstFailure = read;
      out.sectors.push_back({address, u"Volume descriptor"});
      continue;
    }
    std::u16string name = VolumeDescriptorName(sector);
    if (name.empty()) break;
    out.sectors.push_back({address, std::move(name)});
    kept = out.sectors.size();
    if (setEnded) continue;
    const Result decoded = DecodeVolumeDescriptor(sector, out.set);
    setEnded = decoded != kOk;
    any = any || decoded == kOk;
  }
  out.sectors.resize(kept);
  if (any) return kOk;
  return kept == 0 && firstFailure != kOk ? firstFailure : kNoFileSystem;
}

}  // namespace wrenlo
