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
    if (const Result result = Descriptors(); result != kOk) return result;
    if (const Result result = ElTorito(); result != kOk) return result;
    if (const Result result = Tree(fileSystem_.Tree(), true); result != kOk) return result;
    for (const std::int32_t selector : {kFileSystemUdf, kFileSystemIso9660, kFileSystemJoliet}) {
      if (IsChosen(selector)) continue;
      // A tree that does not open has nothing to place; the chosen tree is
      // the one whose failures count.
      SessionFileSystem other;
      if (OpenSessionFileSystem(source_, fileSystem_.start, fileSystem_.end, selector, other) !=
          kOk)
        continue;
      if (const Result result = Tree(other.Tree(), false); result != kOk) return result;
    }
    return kOk;
  }

 private:
  bool IsChosen(std::int32_t selector) const {
    if (fileSystem_.udf) return selector == kFileSystemUdf;
    const bool joliet = fileSystem_.iso->Volume().joliet;
    return selector == (joliet ? kFileSystemJoliet : kFileSystemIso9660);
  }

  Result Structure(std::u16string_view name, std::vector<Extent> runs) {
    if (runs.empty()) return kOk;
    const std::u16string named = LayoutName(name, {}, scope_.sessionInNames);
    LayoutItem item;
    item.name = named;
    item.extents = runs;
    return visit_(item);
  }

  // Each sector from the session's 16th on up to the last descriptor before
  // a readable sector that is none; an unreadable one among them is named a
  // volume descriptor.
  Result Descriptors() {
    std::vector<std::uint8_t> sector(kSectorSize);
    std::vector<std::pair<std::uint64_t, std::u16string>> found;
    std::size_t kept = 0;
    for (std::uint32_t i = 0; i < kMaxVolumeDescriptors; ++i) {
      const std::uint64_t address = std::uint64_t{fileSystem_.start} + kSystemAreaSectors + i;
      if (address >= fileSystem_.end) break;
      if (source_.Read(static_cast<std::uint32_t>(address), 1, sector.data()) != kOk) {
        found.emplace_back(address, u"Volume descriptor");
        continue;
      }
      std::u16string name = VolumeDescriptorName(sector);
      if (name.empty()) break;
      found.emplace_back(address, std::move(name));
      kept = found.size();
    }
    for (std::size_t i = 0; i < kept; ++i)
      if (const Result result = Structure(found[i].second, {{found[i].first, 1}}); result != kOk)
        return result;
    return kOk;
  }

  Result ElTorito() {
    VolumeDescriptorSet set;
    if (ReadVolumeDescriptorSet(source_, fileSystem_.start, fileSystem_.end, set) != kOk ||
        !set.bootCatalog)
      return kOk;
    if (const Result result = Structure(u"El Torito boot catalog", {{*set.bootCatalog, 1}});
        result != kOk)
      return result;
    std::vector<std::uint8_t> catalog(kSectorSize);
    std::vector<BootEntry> entries;
    if (*set.bootCatalog >= source_.SectorCount() ||
        source_.Read(*set.bootCatalog, 1, catalog.data()) != kOk ||
        !ReadBootEntries(catalog, entries))
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
