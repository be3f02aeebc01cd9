// Writes the UDF fuzz target's seed corpus into the folder given: small
// volumes of each form the image builder makes.
#include <filesystem>
#include <iostream>
#include <string>

#include "UdfImageBuilder.h"
#include "UdfTestSupport.h"

using namespace udftest;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: udf_seeds FOLDER\n";
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  const Node tree =
      Node::Dir(u"", {
                         Node::File(u"a.txt", Pattern(100, 1)),
                         Node::File(u"b.bin", Pattern(3 * 2048 + 5, 2)),
                         Node::Dir(u"d\u00e9j\u00e0",
                                   {Node::File(u"\u65e5", Pattern(2100, 3)), Node::Dir(u"e", {})}),
                         Node::Link(u"up", true, u""),
                     });
  struct Seed {
    const char* name;
    Options options;
  };
  std::vector<Seed> seeds;
  auto add = [&](const char* name, std::uint16_t revision, Partitioning partitioning,
                 void (*adjust)(Options&)) {
    Options options;
    options.revision = revision;
    options.partitioning = partitioning;
    adjust(options);
    seeds.push_back({name, options});
  };
  add("physical-102", 0x0102, Partitioning::kPhysical, [](Options&) {});
  add("long-150", 0x0150, Partitioning::kPhysical, [](Options& o) { o.ads = Ads::kLong; });
  add("embedded-201", 0x0201, Partitioning::kPhysical, [](Options& o) {
    o.ads = Ads::kEmbedded;
    o.extendedEntries = true;
    o.wideNames = true;
  });
  add("continued-201", 0x0201, Partitioning::kPhysical, [](Options& o) {
    o.extentBlocks = 1;
    o.gapsBetweenExtents = true;
    o.descriptorsPerBlock = 2;
  });
  add("metadata-250", 0x0250, Partitioning::kMetadata,
      [](Options& o) { o.extendedEntries = true; });
  add("metadata-260", 0x0260, Partitioning::kMetadata, [](Options& o) {
    o.extentBlocks = 1;
    o.descriptorsPerBlock = 3;
  });
  add("sparable-201", 0x0201, Partitioning::kSparable, [](Options&) {});
  add("vat-150", 0x0150, Partitioning::kVat, [](Options&) {});
  add("vat-250", 0x0250, Partitioning::kVat, [](Options& o) { o.extendedEntries = true; });
  for (const Seed& seed : seeds)
    WriteFileBytes(std::string(argv[1]) + "/" + seed.name + ".img",
                   BuildImage(tree, seed.options).bytes);
  return 0;
}
