// Disc images for the front end's tests, made once per test program in a
// fresh folder, and offered as drives in this order (after any real drive):
//   disc.iso        ISO 9660 + Joliet: README.TXT, DIR\BIG.BIN, DIR\SUB\NOTE.TXT
//   damaged.iso the same disc; one sector of DIR\BIG.BIN never reads
//   plain.img   300 sectors, no file system; problem sectors 10-19 and
//                   100, error sectors 150-154 and 200
//   slow.img    20000 sectors read at 1 ms each
//   broken.img  1000 bytes: not even one sector, so an unusable entry whose
//               reason is longer than the engine's list entry holds
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ChildProcess.h"

class CliTest : public ::testing::Test {
 public:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

 protected:
  // Runs lumeter-cli with args on the fixture drives.
  static ChildResult Cli(const std::vector<std::string>& args, const ChildStreams& streams = {});
  static ChildProcess::Environment Drives();
  // The drive ("F:") of one of the images.
  static std::string Drive(const std::string& image);

  static std::string folder;
  static std::map<std::string, std::string> drives;
  // Where DIR\BIG.BIN starts on the disc, and the sector of it that fails on
  // damaged.iso.
  static std::int32_t bigFileSector;
  static std::int32_t damagedSector;
};

// Writes bytes to a file, or throws.
void WriteFile(const std::string& path, const std::string& bytes);

// The bytes of a file.
std::string ReadWholeFile(const std::string& path);

// The first sector of an image that starts with the bytes start, or throws.
std::int32_t FindSector(const std::string& image, const std::string& start);

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// size bytes that look random, the same for the same seed.
std::string RandomBytes(std::size_t size, unsigned seed);

// Runs a tool, or throws with what it printed.
void MustRun(const std::vector<std::string>& argv);
