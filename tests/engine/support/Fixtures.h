// Fixture images made once per test program, at test time, with Debian's
// tools, in the build folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct Fixtures {
  // xorriso: ISO 9660 with Joliet and a bootable El Torito image, fixed dates
  // (creation 2010-03-15 14:05:09, modification 2011-04-01 15:16:17,
  // expiration 2030-01-01 00:00:00, effective 2009-12-31 23:59:59), label
  // "HEALTHY", publisher "The Publisher", application "Lumeter Tests".
  std::string healthy;
  // genisoimage: ISO 9660 only, no Joliet, not bootable, label "PLAIN".
  std::string plain;
  // genisoimage -udf: a UDF 1.02 bridge with ISO 9660 and Joliet, label
  // "BRIDGE", the healthy image's files.
  std::string udf;
  // xorriso: Rock Ridge and Joliet, the label "Grüße Volume" in UTF-8 (and
  // a publisher "Éditions Ünïcode" that xorriso records in capitals and '_'),
  // and names that ISO 9660 cannot hold: long
  // (one of 204 characters, whose Rock Ridge entries go on in a continuation
  // area), non-ASCII, mixed case, ending in '.' or ";5", ten directories
  // deep, and a directory of 40 long names over several sectors.
  std::string rockRidge;
  // genisoimage -R -J: a tree ten directories deep, which it relocates past
  // the eighth level into "rr_moved" (Rock Ridge CL, PL and RE entries).
  std::string relocated;
  // xorriso: Rock Ridge names holding '\\', '?', '*' and ':' (a folder
  // "back" beside a file "back\\slash.txt"), and symbolic links.
  std::string linked;
};

const Fixtures& GetFixtures();

// A folder of the build tree for files a test makes, one per test program.
std::string OutputDirectory();

// The whole content of a file.
std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace testing_support
