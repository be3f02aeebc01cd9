#include "UdfImageBuilder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "fs/udf/Tag.h"

namespace udftest {
namespace {

constexpr std::uint32_t kSector = 2048;
constexpr std::uint32_t kPacket = 16;  // packet length of the sparable partition

// Little-endian writes into a descriptor.
struct Writer {
  std::uint8_t* p;
  void U8(std::size_t at, std::uint32_t v) const { p[at] = static_cast<std::uint8_t>(v); }
  void U16(std::size_t at, std::uint32_t v) const {
    for (int i = 0; i < 2; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void U32(std::size_t at, std::uint32_t v) const {
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void U64(std::size_t at, std::uint64_t v) const {
    for (int i = 0; i < 8; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void Bytes(std::size_t at, const std::vector<std::uint8_t>& bytes) const {
    if (!bytes.empty()) std::memcpy(p + at, bytes.data(), bytes.size());
  }
};

std::vector<std::uint8_t> Cs0(std::u16string_view text, bool wide) {
  if (text.empty()) return {};
  const bool narrow =
      !wide && std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
  std::vector<std::uint8_t> out{static_cast<std::uint8_t>(narrow ? 8 : 16)};
  for (const char16_t c : text) {
    if (!narrow) out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
  }
  return out;
}

void DString(Writer w, std::size_t at, std::size_t size, std::u16string_view text) {
  std::vector<std::uint8_t> cs0 = Cs0(text, false);
  if (cs0.size() > size - 1) throw std::runtime_error("dstring too long");
  w.Bytes(at, cs0);
  w.U8(at + size - 1, static_cast<std::uint32_t>(cs0.size()));
}

void Regid(Writer w, std::size_t at, std::string_view identifier, std::uint16_t revision = 0) {
  std::memcpy(w.p + at + 1, identifier.data(), identifier.size());
  if (revision != 0) w.U16(at + 24, revision);
}

void CharSpec(Writer w, std::size_t at) { Regid(w, at - 1, "OSTA Compressed Unicode"); }

void Tag(std::uint8_t* descriptor, std::uint16_t id, std::uint16_t version, std::uint32_t location,
         std::size_t length) {
  Writer w{descriptor};
  w.U16(0, id);
  w.U16(2, version);
  w.U16(6, 1);
  w.U16(10, static_cast<std::uint32_t>(length - 16));
  w.U32(12, location);
}

std::uint32_t Blocks(std::uint64_t bytes) {
  return static_cast<std::uint32_t>((bytes + kSector - 1) / kSector);
}

class Builder {
 public:
  Builder(const Node& root, const Options& options) : options_(options) {
    if (options_.partitioning == Partitioning::kVat) options_.layout = Layout::kAnchorAt256;
    Plan(root, u"", 0);
    for (Item& item : items_) {
      if (!item.node->linkTo) continue;
      const auto target = std::find_if(items_.begin(), items_.end(), [&](const Item& other) {
        return !other.node->linkTo && other.path == item.node->linkTo;
      });
      if (target == items_.end()) throw std::runtime_error("link to a missing path");
      item.icb = target->icb;
    }
  }

  Image Build();

 private:
  enum class Form { kShort, kLong, kEmbedded };
  struct Run {
    std::uint32_t block;  // data block (files) or metadata index (directories)
    std::uint32_t bytes;
  };
  struct Item {
    const Node* node = nullptr;
    std::u16string path;
    std::size_t parent = 0;
    std::vector<std::size_t> children;
    std::uint32_t icb = 0;  // metadata index of the entry
    std::uint64_t length = 0;
    Form form = Form::kShort;
    std::vector<Run> runs;
    std::vector<std::size_t> groups;           // descriptors per block: the entry, then each AED
    std::vector<std::uint32_t> continuations;  // metadata indices of the AEDs
  };

  bool Metadata() const { return options_.partitioning == Partitioning::kMetadata; }
  bool Vat() const { return options_.partitioning == Partitioning::kVat; }
  std::size_t EntrySize() const { return options_.extendedEntries ? 216 : 176; }
  std::uint16_t TagVersion() const { return options_.revision >= 0x0200 ? 3 : 2; }
  std::uint16_t EntryPartition() const { return Metadata() || Vat() ? 1 : 0; }

  std::size_t Plan(const Node& node, std::u16string path, std::size_t parent);
  void PlanData(Item& item, bool inMetadata);
  std::vector<std::uint8_t> DirectoryStream(const Item& item) const;

  // Blocks of the logical partitions.
  std::uint32_t DataBase() const { return Metadata() ? 2 : 0; }
  std::uint32_t MetaBlock(std::uint32_t index) const {
    return Metadata() || Vat() ? index : DataBase() + dataBlocks_ + index;
  }
  // Physical partition block of a metadata index (its main copy).
  std::uint32_t MetaPhysical(std::uint32_t index) const { return DataBase() + dataBlocks_ + index; }
  // Absolute sector of a physical partition block, after the packet move.
  std::uint32_t Where(std::uint32_t physical) const {
    if (options_.partitioning == Partitioning::kSparable && physical >= movedPacket_ &&
        physical < movedPacket_ + kPacket)
      return spareArea_ + physical - movedPacket_;
    return partitionStart_ + physical;
  }

  void WriteEntry(std::uint8_t* at, std::uint32_t location, std::uint8_t fileType, Form form,
                  std::uint64_t length, const std::vector<std::uint8_t>& descriptors);
  // The allocation descriptors of one block of an item: group 0 in its
  // entry, group n in its n-th AED.
  std::vector<std::uint8_t> Descriptors(const Item& item, std::size_t group) const;
  void WriteItem(Image& image, std::vector<std::uint8_t>& meta, const Item& item);
  void WriteVolume(Image& image, std::uint32_t files, std::uint32_t directories);

  Options options_;
  std::vector<Item> items_;
  std::uint32_t metaBlocks_ = 1;  // index 0: the file set descriptor
  std::uint32_t dataBlocks_ = 0;
  std::uint32_t partitionStart_ = 0;
  std::uint32_t partitionLength_ = 0;
  std::uint32_t movedPacket_ = 0;
  std::uint32_t spareArea_ = 0;
  std::uint64_t uniqueId_ = 16;
};

std::size_t Builder::Plan(const Node& node, std::u16string path, std::size_t parent) {
  const std::size_t index = items_.size();
  items_.push_back({});
  items_[index].node = &node;
  items_[index].path = path;
  items_[index].parent = parent;
  if (node.linkTo) return index;
  items_[index].icb = metaBlocks_++;
  if (node.directory) {
    std::uint64_t length = 40;  // the parent entry
    for (const Node& child : node.children)
      length += (38 + Cs0(child.name, options_.wideNames).size() + 3) & ~std::size_t{3};
    items_[index].length = length;
    PlanData(items_[index], true);
    for (const Node& child : node.children) {
      const std::size_t c =
          Plan(child, path.empty() ? child.name : path + u"/" + child.name, index);
      items_[index].children.push_back(c);
    }
  } else {
    items_[index].length = node.data.size();
    PlanData(items_[index], false);
  }
  return index;
}

// Places an item's data: embedded, or in runs (directories in the metadata
// area, files in the data area), with AEDs when the descriptors overflow.
void Builder::PlanData(Item& item, bool inMetadata) {
  if (options_.ads == Ads::kEmbedded && EntrySize() + item.length <= kSector) {
    item.form = Form::kEmbedded;
    return;
  }
  item.form = options_.ads == Ads::kLong || (!inMetadata && (Metadata() || Vat())) ? Form::kLong
                                                                                   : Form::kShort;
  const std::uint64_t chunk =
      options_.extentBlocks ? std::uint64_t{options_.extentBlocks} * kSector : (1u << 30) - kSector;
  for (std::uint64_t done = 0; done < item.length;) {
    const auto bytes = static_cast<std::uint32_t>(std::min(chunk, item.length - done));
    std::uint32_t& cursor = inMetadata ? metaBlocks_ : dataBlocks_;
    if (!inMetadata && options_.gapsBetweenExtents && done > 0) ++cursor;
    item.runs.push_back({cursor, bytes});
    cursor += Blocks(bytes);
    done += bytes;
  }
  const std::size_t size = item.form == Form::kShort ? 8 : 16;
  const std::size_t perEntry =
      options_.descriptorsPerBlock ? options_.descriptorsPerBlock : (kSector - EntrySize()) / size;
  const std::size_t perExtent =
      options_.descriptorsPerBlock ? options_.descriptorsPerBlock : (kSector - 24) / size;
  std::size_t left = item.runs.size();
  std::size_t capacity = perEntry;
  do {
    const std::size_t here = left <= capacity ? left : capacity - 1;
    item.groups.push_back(here);
    left -= here;
    capacity = perExtent;
    if (left > 0) item.continuations.push_back(metaBlocks_++);
  } while (left > 0);
}

std::vector<std::uint8_t> Builder::DirectoryStream(const Item& item) const {
  std::vector<std::uint8_t> stream(item.length);
  // The block holding each byte of the stream, for the tags' locations.
  auto blockAt = [&](std::size_t offset) {
    if (item.form == Form::kEmbedded) return MetaBlock(item.icb);
    return MetaBlock(item.runs.front().block) + static_cast<std::uint32_t>(offset / kSector);
  };
  std::size_t offset = 0;
  auto add = [&](std::uint8_t characteristics, const std::vector<std::uint8_t>& name,
                 std::uint32_t icb) {
    std::uint8_t* fid = stream.data() + offset;
    const std::size_t length = (38 + name.size() + 3) & ~std::size_t{3};
    Writer w{fid};
    Tag(fid, wrenlo::udf::kTagFileIdentifier, TagVersion(), blockAt(offset), length);
    w.U16(16, 1);
    w.U8(18, characteristics);
    w.U8(19, static_cast<std::uint32_t>(name.size()));
    w.U32(20, kSector);
    w.U32(24, MetaBlock(icb));
    w.U16(28, EntryPartition());
    w.Bytes(38, name);
    Retag(stream, offset);
    offset += length;
  };
  add(0x0A, {}, items_[item.parent].icb);
  for (const std::size_t c : item.children) {
    const Item& child = items_[c];
    add(child.node->directory ? 0x02 : 0x00, Cs0(child.node->name, options_.wideNames), child.icb);
  }
  return stream;
}

void AppendDescriptor(std::vector<std::uint8_t>& out, bool isLong, std::uint32_t length,
                      std::uint32_t type, std::uint32_t block, std::uint16_t partition) {
  const std::size_t at = out.size();
  out.resize(at + (isLong ? 16 : 8));
  Writer w{out.data() + at};
  w.U32(0, length | (type << 30));
  w.U32(4, block);
  if (isLong) w.U16(8, partition);
}

std::vector<std::uint8_t> Builder::Descriptors(const Item& item, std::size_t group) const {
  std::vector<std::uint8_t> out;
  std::size_t first = 0;
  for (std::size_t g = 0; g < group; ++g) first += item.groups[g];
  const bool isLong = item.form == Form::kLong;
  const bool isDirectory = item.node->directory;
  for (std::size_t i = first; i < first + item.groups[group]; ++i) {
    const Run& run = item.runs[i];
    if (isDirectory)
      AppendDescriptor(out, isLong, run.bytes, 0, MetaBlock(run.block), EntryPartition());
    else
      AppendDescriptor(out, isLong, run.bytes, 0, DataBase() + run.block, 0);
  }
  if (group < item.continuations.size())
    AppendDescriptor(out, isLong, kSector, 3, MetaBlock(item.continuations[group]),
                     EntryPartition());
  return out;
}

void Builder::WriteEntry(std::uint8_t* at, std::uint32_t location, std::uint8_t fileType, Form form,
                         std::uint64_t length, const std::vector<std::uint8_t>& descriptors) {
  const std::size_t fixed = EntrySize();
  if (fixed + descriptors.size() > kSector) throw std::runtime_error("entry overflows its block");
  Writer w{at};
  Tag(at, options_.extendedEntries ? 266 : 261, TagVersion(), location, fixed + descriptors.size());
  w.U16(20, 4);  // strategy 4
  w.U16(24, 1);
  w.U8(27, fileType);
  w.U16(34, form == Form::kShort ? 0 : form == Form::kLong ? 1 : 3);
  w.U32(36, 0xFFFFFFFF);
  w.U32(40, 0xFFFFFFFF);
  w.U32(44, 0x14A5);
  w.U16(48, 1);
  w.U64(56, length);
  const std::uint64_t recorded = form == Form::kEmbedded ? 0 : Blocks(length);
  if (options_.extendedEntries) {
    w.U64(64, length);
    w.U64(72, recorded);
    w.U32(128, 1);
    Regid(w, 168, "*Builder");
    w.U64(200, uniqueId_++);
    w.U32(212, static_cast<std::uint32_t>(descriptors.size()));
  } else {
    w.U64(64, recorded);
    w.U32(108, 1);
    Regid(w, 128, "*Builder");
    w.U64(160, uniqueId_++);
    w.U32(172, static_cast<std::uint32_t>(descriptors.size()));
  }
  w.Bytes(fixed, descriptors);
}

void Builder::WriteItem(Image& image, std::vector<std::uint8_t>& meta, const Item& item) {
  const bool isDirectory = item.node->directory;
  const std::vector<std::uint8_t> data = isDirectory ? DirectoryStream(item) : item.node->data;
  std::uint8_t* entry = meta.data() + std::size_t{item.icb} * kSector;
  const std::uint8_t type = isDirectory ? 4 : 5;
  image.entries[item.path] = Where(MetaPhysical(item.icb));
  if (isDirectory)
    ++image.directories;
  else
    ++image.files;
  if (!isDirectory) image.extents[item.path];

  const std::size_t entryOffset = std::size_t{item.icb} * kSector;
  if (item.form == Form::kEmbedded) {
    WriteEntry(entry, MetaBlock(item.icb), type, item.form, item.length, data);
    Retag(meta, entryOffset);
    return;
  }
  WriteEntry(entry, MetaBlock(item.icb), type, item.form, item.length, Descriptors(item, 0));
  Retag(meta, entryOffset);
  for (std::size_t g = 1; g < item.groups.size(); ++g) {
    const std::uint32_t index = item.continuations[g - 1];
    std::uint8_t* aed = meta.data() + std::size_t{index} * kSector;
    const std::vector<std::uint8_t> descriptors = Descriptors(item, g);
    Tag(aed, wrenlo::udf::kTagAllocationExtent, TagVersion(), MetaBlock(index),
        24 + descriptors.size());
    Writer{aed}.U32(20, static_cast<std::uint32_t>(descriptors.size()));
    Writer{aed}.Bytes(24, descriptors);
    Retag(meta, std::size_t{index} * kSector);
    image.continuations[item.path].push_back(Where(MetaPhysical(index)));
  }
  std::uint64_t offset = 0;
  for (const Run& run : item.runs) {
    for (std::uint32_t b = 0; b < Blocks(run.bytes); ++b) {
      const std::size_t n =
          std::min<std::uint64_t>(kSector, run.bytes - std::uint64_t{b} * kSector);
      if (isDirectory) {
        std::memcpy(meta.data() + (std::size_t{run.block} + b) * kSector, data.data() + offset, n);
      } else {
        const std::uint32_t sector = Where(DataBase() + run.block + b);
        std::memcpy(image.Sector(sector), data.data() + offset, n);
        std::vector<wrenlo::Extent>& extents = image.extents[item.path];
        if (!extents.empty() && extents.back().start + extents.back().count == sector)
          ++extents.back().count;
        else
          extents.push_back({sector, 1});
      }
      offset += n;
    }
  }
}

Image Builder::Build() {
  Image image;
  const std::uint32_t m = metaBlocks_;
  switch (options_.partitioning) {
    case Partitioning::kPhysical:
      partitionLength_ = dataBlocks_ + m;
      break;
    case Partitioning::kSparable:
      partitionLength_ = (dataBlocks_ + m + kPacket - 1) / kPacket * kPacket;
      movedPacket_ = MetaPhysical(0) / kPacket * kPacket;
      break;
    case Partitioning::kMetadata:
      partitionLength_ = 2 + dataBlocks_ + 2 * m;
      break;
    case Partitioning::kVat:
      partitionLength_ = dataBlocks_ + m + 1;
      break;
  }
  partitionStart_ = options_.layout == Layout::kCompact ? 16 : 288;
  std::uint32_t end = partitionStart_ + partitionLength_;
  if (options_.partitioning == Partitioning::kSparable) {
    spareArea_ = end + 1;  // after the sparing table
    end += 1 + kPacket;
  }
  if (!Vat()) ++end;  // the closing anchor
  image.bytes.assign(std::size_t{end} * kSector, 0);

  std::vector<std::uint8_t> meta(std::size_t{m} * kSector, 0);
  for (const Item& item : items_)
    if (!item.node->linkTo) WriteItem(image, meta, item);

  // File set descriptor (ECMA-167 4/14.1).
  {
    std::uint8_t* fsd = meta.data();
    Writer w{fsd};
    Tag(fsd, wrenlo::udf::kTagFileSet, TagVersion(), MetaBlock(0), 512);
    w.U16(28, 3);
    w.U16(30, 3);
    w.U32(32, 1);
    w.U32(36, 1);
    CharSpec(w, 49);
    DString(w, 112, 128, options_.label);
    CharSpec(w, 241);
    DString(w, 304, 32, options_.label);
    w.U32(400, kSector);
    w.U32(404, MetaBlock(items_.front().icb));
    w.U16(408, EntryPartition());
    Regid(w, 416, "*OSTA UDF Compliant", options_.revision);
    Retag(meta, 0);
  }
  for (std::uint32_t i = 0; i < m; ++i) {
    std::memcpy(image.Sector(Where(MetaPhysical(i))), meta.data() + std::size_t{i} * kSector,
                kSector);
    if (Metadata())
      std::memcpy(image.Sector(Where(MetaPhysical(i) + m)), meta.data() + std::size_t{i} * kSector,
                  kSector);
  }
  image.fileSet = Where(MetaPhysical(0));

  if (Metadata()) {
    image.metadataFile = Where(0);
    image.mirrorOffset = m;
    for (std::uint32_t copy = 0; copy < 2; ++copy) {
      std::vector<std::uint8_t> descriptors;
      AppendDescriptor(descriptors, false, m * kSector, 0, MetaPhysical(0) + copy * m, 0);
      WriteEntry(image.Sector(Where(copy)), copy, copy == 0 ? 250 : 251, Form::kShort,
                 std::uint64_t{m} * kSector, descriptors);
      Retag(image.bytes, std::size_t{Where(copy)} * kSector);
    }
  }
  WriteVolume(image, static_cast<std::uint32_t>(image.files),
              static_cast<std::uint32_t>(image.directories));
  return image;
}

void Builder::WriteVolume(Image& image, std::uint32_t files, std::uint32_t directories) {
  const bool compact = options_.layout == Layout::kCompact;
  const std::uint16_t version = TagVersion();
  const std::uint16_t revision = options_.revision;
  // On write-once media the VAT header supersedes the descriptors of the
  // blank disc.
  const bool vatHeader = Vat() && revision >= 0x0200;
  const std::uint32_t vdsLength = compact ? 6 : 16;
  const std::uint32_t sequences[2] = {compact ? 1u : 32u, compact ? 7u : 48u};
  const std::uint32_t lvid = compact ? 13 : 64;
  auto tagged = [&](std::uint32_t sector, std::uint16_t id, std::size_t length) {
    std::uint8_t* d = image.Sector(sector);
    Tag(d, id, version, sector, length);
    return Writer{d};
  };
  auto retag = [&](std::uint32_t sector) { Retag(image.bytes, std::size_t{sector} * kSector); };

  if (!compact) {
    const char* ids[3] = {"BEA01", revision >= 0x0200 ? "NSR03" : "NSR02", "TEA01"};
    for (int i = 0; i < 3; ++i) {
      std::uint8_t* d = image.Sector(16 + i);
      std::memcpy(d + 1, ids[i], 5);
      d[6] = 1;
    }
  }

  for (const std::uint32_t base : sequences) {
    Writer pvd = tagged(base, wrenlo::udf::kTagPrimaryVolume, 512);
    pvd.U32(16, 1);
    DString(pvd, 24, 32, options_.label);
    pvd.U16(56, 1);
    pvd.U16(58, 1);
    pvd.U16(60, 2);
    pvd.U16(62, 3);
    pvd.U32(64, 1);
    pvd.U32(68, 1);
    DString(pvd, 72, 128, u"0123456789abcdefBuilder");
    CharSpec(pvd, 201);
    CharSpec(pvd, 265);
    Regid(pvd, 388, "*Builder");
    retag(base);

    Writer iuvd = tagged(base + 1, wrenlo::udf::kTagImplementationUse, 512);
    iuvd.U32(16, 2);
    Regid(iuvd, 20, "*UDF LV Info", revision);
    CharSpec(iuvd, 53);
    DString(iuvd, 116, 128, options_.label);
    Regid(iuvd, 352, "*Builder");
    retag(base + 1);

    Writer pd = tagged(base + 2, wrenlo::udf::kTagPartition, 356);
    pd.U32(16, 3);
    pd.U16(20, 1);
    Regid(pd, 24, revision >= 0x0200 ? "+NSR03" : "+NSR02");
    pd.U32(184, Vat() ? 2 : 1);
    pd.U32(188, partitionStart_);
    pd.U32(192, partitionLength_);
    Regid(pd, 196, "*Builder");
    retag(base + 2);

    std::vector<std::uint8_t> maps;
    auto map2 = [&](std::string_view type) {
      const std::size_t at = maps.size();
      maps.resize(at + 64);
      Writer m{maps.data() + at};
      m.U8(0, 2);
      m.U8(1, 64);
      Regid(m, 4, type, revision);
      m.U16(36, 1);
      return m;
    };
    if (options_.partitioning == Partitioning::kSparable) {
      Writer m = map2("*UDF Sparable Partition");
      m.U16(40, kPacket);
      m.U8(42, 1);
      m.U32(44, 72);
      m.U32(48, spareArea_ - 1);
    } else {
      maps = {1, 6, 1, 0, 0, 0};
    }
    if (Metadata()) {
      Writer m = map2("*UDF Metadata Partition");
      m.U32(40, 0);
      m.U32(44, 1);
      m.U32(48, 0xFFFFFFFF);
      m.U32(52, 32);
      m.U16(56, 1);
      m.U8(58, 1);
    } else if (Vat()) {
      map2("*UDF Virtual Partition");
    }
    Writer lvd = tagged(base + 3, wrenlo::udf::kTagLogicalVolume, 440 + maps.size());
    lvd.U32(16, 4);
    CharSpec(lvd, 21);
    DString(lvd, 84, 128, vatHeader ? u"Blank" : options_.label);
    lvd.U32(212, kSector);
    Regid(lvd, 216, "*OSTA UDF Compliant", revision);
    lvd.U32(248, kSector);
    lvd.U32(252, MetaBlock(0));
    lvd.U16(256, EntryPartition());
    lvd.U32(264, static_cast<std::uint32_t>(maps.size()));
    lvd.U32(268, Metadata() || Vat() ? 2 : 1);
    Regid(lvd, 272, "*Builder");
    lvd.U32(432, 2 * kSector);
    lvd.U32(436, lvid);
    lvd.Bytes(440, maps);
    retag(base + 3);

    tagged(base + 4, wrenlo::udf::kTagUnallocatedSpace, 24).U32(16, 5);
    retag(base + 4);
    tagged(base + 5, wrenlo::udf::kTagTerminating, 512);
    retag(base + 5);
  }
  image.mainLogicalVolume = sequences[0] + 3;
  image.reserveLogicalVolume = sequences[1] + 3;

  // Logical volume integrity descriptor and its terminator.
  const std::uint32_t partitions = Metadata() || Vat() ? 2 : 1;
  Writer integrity = tagged(lvid, wrenlo::udf::kTagIntegrity, 80 + 8 * partitions + 46);
  integrity.U32(28, 1);  // closed
  integrity.U64(40, uniqueId_);
  integrity.U32(72, partitions);
  integrity.U32(76, 46);
  const std::size_t use = 80 + 8 * partitions;
  Regid(integrity, use, "*Builder");
  integrity.U32(use + 32, vatHeader ? 0 : files);
  integrity.U32(use + 36, vatHeader ? 1 : directories);
  integrity.U16(use + 40, revision);
  integrity.U16(use + 42, revision);
  integrity.U16(use + 44, revision);
  retag(lvid);
  tagged(lvid + 1, wrenlo::udf::kTagTerminating, 512);
  retag(lvid + 1);
  image.integrity = lvid;

  std::vector<std::uint32_t> anchors;
  if (!compact) anchors.push_back(256);
  if (!Vat()) anchors.push_back(image.SectorCount() - 1);
  for (const std::uint32_t sector : anchors) {
    Writer anchor = tagged(sector, wrenlo::udf::kTagAnchor, 512);
    anchor.U32(16, vdsLength * kSector);
    anchor.U32(20, sequences[0]);
    anchor.U32(24, vdsLength * kSector);
    anchor.U32(28, sequences[1]);
    retag(sector);
  }

  if (options_.partitioning == Partitioning::kSparable) {
    // Sparing table (OSTA UDF 2.2.12): the moved packet and one free spare.
    const std::uint32_t sector = spareArea_ - 1;
    Writer table = tagged(sector, wrenlo::udf::kTagSparingTable, 72);
    Regid(table, 16, "*UDF Sparing Table", revision);
    table.U16(48, 2);
    table.U32(56, movedPacket_);
    table.U32(60, spareArea_);
    table.U32(64, 0xFFFFFFFF);
    table.U32(68, spareArea_ + kPacket);
    retag(sector);
  }

  if (Vat()) {
    // The VAT: an entry per metadata block, at the last sector.
    const std::uint32_t m = metaBlocks_;
    std::vector<std::uint8_t> vat(vatHeader ? 152 : 0);
    if (vatHeader) {
      Writer header{vat.data()};
      header.U16(0, 152);
      DString(header, 4, 128, options_.label);
      header.U32(132, 0xFFFFFFFF);
      header.U32(136, files);
      header.U32(140, directories);
      header.U16(144, revision);
      header.U16(146, revision);
      header.U16(148, revision);
    }
    for (std::uint32_t i = 0; i < m; ++i) {
      vat.resize(vat.size() + 4);
      Writer{vat.data() + vat.size() - 4}.U32(0, MetaPhysical(i));
    }
    if (!vatHeader) {
      const std::size_t at = vat.size();
      vat.resize(at + 36);
      Writer trailer{vat.data() + at};
      Regid(trailer, 0, "*UDF Virtual Alloc Tbl", revision);
      trailer.U32(32, 0xFFFFFFFF);
    }
    const std::uint32_t block = MetaPhysical(m);
    WriteEntry(image.Sector(Where(block)), block, vatHeader ? 248 : 0, Form::kEmbedded, vat.size(),
               vat);
    retag(Where(block));
  }
}

}  // namespace

Image BuildImage(const Node& root, const Options& options) {
  return Builder(root, options).Build();
}

void Retag(std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint8_t* tag = bytes.data() + offset;
  const std::size_t crcLength = tag[10] | (tag[11] << 8);
  const std::uint16_t crc = wrenlo::udf::Crc16({tag + 16, crcLength});
  tag[8] = static_cast<std::uint8_t>(crc & 0xFF);
  tag[9] = static_cast<std::uint8_t>(crc >> 8);
  std::uint8_t sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum = static_cast<std::uint8_t>(sum + tag[i]);
  tag[4] = sum;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

}  // namespace udftest
