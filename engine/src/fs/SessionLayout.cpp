#include "fs/SessionLayout.h"

#include <wrenlo/wrenlo.h>

#include <string>
#include <vector>

#include "Text.h"
#include "fs/iso9660/ElTorito.h"
#include "fs/iso9660/VolumeDescriptors.h"

namespace wrenlo {

namespace {

// Sectors before the first volume descriptor (ECMA-119 6.2.1).
constexpr std::uint32_t kSystemAreaSectors = 16;

class SessionWalk {
 public:
  SessionWalk(SectorSource& source, const SessionFileSystem& fileSystem,
              const SessionLayoutScope& scope, ListedFiles& listed, const LayoutVisitor& visit)
      : source_(source), fileSystem_(fileSystem), scope_(scope), listed_(listed), visit_(visit) {}

  Result Run() {
    const std::uint64_t start = fileSystem_.start;
    if (start + kSystemAreaSectors <= fileSystem_.end)
      if (const Result result = Structure(u"System area", {{start, kSystemAreaSectors}});
          result != kOk)
        return result;
    for (const VolumeDescriptorSector& descriptor : fileSystem_.descriptors.sectors)
      if (const Result result = Structure(descriptor.name, {{descriptor.sector, 1}});
          result != kOk)
        return result;
    if (const Result result = ElTorito(); result != kOk) return result;
    if (const Result result = Tree(fileSystem_.Tree(), true); result != kOk) return result;
    // The other trees, from the descriptors read when the session opened. A
    // tree that does not open has nothing to place; the chosen tree is the
    // one whose failures count.
    const VolumeDescriptorSet& set = fileSystem_.descriptors.set;
    std::unique_ptr<UdfFileSystem> udf;
    if (!fileSystem_.udf &&
        UdfFileSystem::Open(source_, fileSystem_.start, fileSystem_.end, udf) == kOk)
      if (const Result result = Tree(*udf, false); result != kOk) return result;
    for (const std::optional<IsoVolume>* volume : {&set.primary, &set.joliet}) {
      if (!*volume || IsChosen(**volume)) continue;
      const IsoFileSystem other(source_, **volume);
      if (const Result result = Tree(other, false); result != kOk) return result;
    }
    return kOk;
  }

 private:
  bool IsChosen(const IsoVolume& volume) const {
    return fileSystem_.iso && fileSystem_.iso->Volume().joliet == volume.joliet;
  }

  Result Structure(std::u16string_view name, std::vector<Extent> runs) {
    if (runs.empty()) return kOk;
    const std::u16string named = LayoutName(name, {}, scope_.sessionInNames);
    LayoutItem item;
    item.name = named;
    item.extents = runs;
    return visit_(item);
  }

  Result ElTorito() {
    const std::optional<std::uint32_t>& catalogSector = fileSystem_.descriptors.set.bootCatalog;
    if (!catalogSector) return kOk;
    if (const Result result = Structure(u"El Torito boot catalog", {{*catalogSector, 1}});
        result != kOk)
      return result;
    std::vector<std::uint8_t> catalog(kSectorSize);
    std::vector<BootEntry> entries;
    if (*catalogSector >= source_.SectorCount() ||
        source_.Read(*catalogSector, 1, catalog.data()) != kOk || !ReadBootEntries(catalog, entries))
      return kOk;
    int number = 0;
    for (const BootEntry& entry : entries) {
      if (!entry.bootable) continue;
      const std::u16string name = u"Boot image " + FromUtf8(std::to_string(++number));
      if (const Result result = Structure(name, {{entry.location, entry.Sectors()}}); result != kOk)
        return result;
    }
    return kOk;
  }

  // One tree's items: the chosen tree's files under their own paths, another
  // tree's only when no tree listed them before.
  Result Tree(const FileSystem& tree, bool chosen) {
    const bool filesTestTree = chosen && scope_.filesTestTree;
    return tree.Layout([&](const LayoutItem& item) {
      LayoutItem named = item;
      named.filesTestTree = filesTestTree;
      std::u16string name;
      switch (item.kind) {
        case LayoutKind::kStructure:
          name = LayoutName(item.name, tree.TreeName(), scope_.sessionInNames);
          break;
        case LayoutKind::kLink:
          // A link has no sectors: the files test's tree shows it, others
          // add nothing.
          if (!filesTestTree) return kOk;
          name = item.name;
          break;
        default: {
          const bool known = !item.extents.empty() && !listed_.insert(item.extents[0].start).second;
          if (!filesTestTree && (item.extents.empty() || known)) return kOk;
          name = LayoutName(item.name, chosen ? std::u16string_view{} : tree.TreeName(),
                            scope_.sessionInNames);
          break;
        }
      }
      named.name = name;
      return visit_(named);
    });
  }

  SectorSource& source_;
  const SessionFileSystem& fileSystem_;
  const SessionLayoutScope& scope_;
  ListedFiles& listed_;
  const LayoutVisitor& visit_;
};

}  // namespace

std::u16string LayoutName(std::u16string_view name, std::u16string_view tree,
                          std::int32_t session) {
  std::u16string out(name);
  if (tree.empty() && session == 0) return out;
  out += u" (";
  out += tree;
  if (session != 0) {
    if (!tree.empty()) out += u", ";
    out += u"session " + FromUtf8(std::to_string(session));
  }
  out += u')';
  return out;
}

Result LayOutSession(SectorSource& source, const SessionFileSystem& fileSystem,
                     const SessionLayoutScope& scope, ListedFiles& listed,
                     const LayoutVisitor& visit) {
  return SessionWalk(source, fileSystem, scope, listed, visit).Run();
}

}  // namespace wrenlo
