#include "fs/SessionLayout.h"

#include <wrenlo/wrenlo.h>

#include <cstring>
#include <string>
#include <vector>

#include "Text.h"
#include "fs/iso9660/ElTorito.h"
#include "fs/iso9660/VolumeDescriptors.h"

namespace wrenlo {

namespace {

// The standard identifiers of the descriptors that may follow sector 16 of
// a session: ISO 9660's, and UDF's volume recognition sequence.
bool IsVolumeDescriptor(const std::vector<std::uint8_t>& sector) {
  static constexpr const char* kIdentifiers[] = {"CD001", "BEA01", "NSR02", "NSR03",
                                                 "TEA01", "BOOT2", "CDW02"};
  for (const char* identifier : kIdentifiers)
    if (std::memcmp(sector.data() + 1, identifier, 5) == 0) return true;
  return false;
}

Result Visit(const LayoutVisitor& visit, std::u16string_view name, std::vector<Extent> runs) {
  if (runs.empty()) return kOk;
  LayoutItem item;
  item.name = name;
  item.extents = runs;
  return visit(item);
}

// Sectors from start + 16 up to the last descriptor before a readable sector
// that is none; an unreadable sector among them counts as one of them.
std::vector<Extent> DescriptorRuns(SectorSource& source, std::uint32_t start, std::uint32_t end) {
  std::vector<std::uint8_t> sector(kSectorSize);
  std::uint64_t last = 0;
  for (std::uint32_t i = 0; i < kMaxVolumeDescriptors; ++i) {
    const std::uint64_t address = std::uint64_t{start} + 16 + i;
    if (address >= end) break;
    if (source.Read(static_cast<std::uint32_t>(address), 1, sector.data()) != kOk) continue;
    if (!IsVolumeDescriptor(sector)) break;
    last = i + 1;
  }
  if (last == 0) return {};
  return {{std::uint64_t{start} + 16, last}};
}

Result VisitElTorito(SectorSource& source, std::uint32_t start, std::uint32_t end,
                     const LayoutVisitor& visit) {
  VolumeDescriptorSet set;
  if (ReadVolumeDescriptorSet(source, start, end, set) != kOk || !set.bootCatalog) return kOk;
  if (const Result result = Visit(visit, u"El Torito boot catalog", {{*set.bootCatalog, 1}});
      result != kOk)
    return result;
  std::vector<std::uint8_t> catalog(kSectorSize);
  std::vector<BootEntry> entries;
  if (*set.bootCatalog >= source.SectorCount() ||
      source.Read(*set.bootCatalog, 1, catalog.data()) != kOk || !ReadBootEntries(catalog, entries))
    return kOk;
  int number = 0;
  for (const BootEntry& entry : entries) {
    if (!entry.bootable) continue;
    const std::u16string name = u"Boot image " + FromUtf8(std::to_string(++number));
    if (const Result result = Visit(visit, name, {{entry.location, entry.Sectors()}});
        result != kOk)
      return result;
  }
  return kOk;
}

}  // namespace

Result LayOutSession(SectorSource& source, const SessionFileSystem& fileSystem,
                     const LayoutVisitor& visit) {
  if (const Result result = Visit(visit, u"Volume descriptors",
                                  DescriptorRuns(source, fileSystem.start, fileSystem.end));
      result != kOk)
    return result;
  if (const Result result = VisitElTorito(source, fileSystem.start, fileSystem.end, visit);
      result != kOk)
    return result;
  return fileSystem.Tree().Layout(visit);
}

}  // namespace wrenlo
