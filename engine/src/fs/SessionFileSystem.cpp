#include "fs/SessionFileSystem.h"

#include <wrenlo/wrenlo.h>

#include <vector>

#include "fs/iso9660/ElTorito.h"

namespace wrenlo {

namespace {

bool HasBootableCatalog(SectorSource& source, const VolumeDescriptorSet& set) {
  if (!set.bootCatalog || *set.bootCatalog >= source.SectorCount()) return false;
  std::vector<std::uint8_t> catalog(kSectorSize);
  return source.Read(*set.bootCatalog, 1, catalog.data()) == kOk && IsBootableCatalog(catalog);
}

}  // namespace

Result OpenSessionFileSystem(SectorSource& source, std::uint32_t start, std::uint32_t end,
                             std::int32_t selector, SessionFileSystem& out) {
  out = {};
  if (selector != kFileSystemAny && selector != kFileSystemIso9660 &&
      selector != kFileSystemJoliet && selector != kFileSystemUdf)
    return kInvalidArgument;
  out.start = start;
  out.end = end;
  const Result read = ReadVolumeDescriptorArea(source, start, end, out.descriptors);
  if (selector == kFileSystemAny || selector == kFileSystemUdf) {
    const Result udf = UdfFileSystem::Open(source, start, end, out.udf);
    if (udf == kOk) return kOk;
    out.udf.reset();
    if (selector == kFileSystemUdf) return udf;
  }
  if (read != kOk) return read;
  const VolumeDescriptorSet& set = out.descriptors.set;
  // The engine's choice after UDF is the tree Linux reads: the primary one
  // when it carries Rock Ridge entries (Joliet often leaves out files whose
  // names it cannot hold), else Joliet, else the primary one.
  if (selector == kFileSystemAny && set.primary) {
    auto primary = std::make_unique<IsoFileSystem>(source, *set.primary);
    if (primary->HasRockRidge() || !set.joliet) {
      out.iso = std::move(primary);
      return kOk;
    }
  }
  const bool joliet = set.joliet && selector != kFileSystemIso9660;
  const std::optional<IsoVolume>& volume = joliet ? set.joliet : set.primary;
  if (!volume || (selector == kFileSystemJoliet && !joliet)) return kNoFileSystem;
  out.iso = std::make_unique<IsoFileSystem>(source, *volume);
  return kOk;
}

std::uint8_t ProbeContent(SectorSource& source, std::uint32_t start, std::uint32_t end) {
  std::uint8_t flags = 0;
  VolumeDescriptorArea area;
  if (ReadVolumeDescriptorArea(source, start, end, area) == kOk) {
    const VolumeDescriptorSet& set = area.set;
    if (set.primary) flags |= kContentIso9660;
    if (set.joliet) flags |= kContentJoliet;
    if (HasBootableCatalog(source, set)) flags |= kContentBootable;
  }
  std::unique_ptr<UdfFileSystem> udf;
  if (UdfFileSystem::Open(source, start, end, udf) == kOk) flags |= kContentUdf;
  return flags;
}

}  // namespace wrenlo
