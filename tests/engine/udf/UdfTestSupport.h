// Helpers the UDF tests share: opening an image held in memory, walking a
// volume, running the tools that make fixtures and serve as oracles.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MemorySource.h"
#include "fs/udf/UdfFileSystem.h"

namespace udftest {

// An image in memory with its source and, when it opened, its file system.
struct OpenedImage {
  std::vector<std::uint8_t> bytes;
  std::unique_ptr<MemorySource> source;
  std::unique_ptr<wrenlo::UdfFileSystem> fileSystem;
  wrenlo::Result result = wrenlo::kOk;
};

// Opens the whole image as one session.
OpenedImage OpenImage(std::vector<std::uint8_t> bytes);

// Everything a walk of the volume finds: each directory by path, each file
// by path with the bytes of its sectors (whole sectors, in file order).
struct Tree {
  std::vector<std::u16string> directories;
  std::map<std::u16string, std::vector<std::uint8_t>> files;
};
// Walks every directory; the first failing call ends the walk with its result.
wrenlo::Result WalkTree(const wrenlo::UdfFileSystem& fileSystem, wrenlo::SectorSource& source,
                        Tree& out);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Runs a shell command; its standard output, and whether it exited with 0.
bool RunCommand(const std::string& command, std::string* output = nullptr);
// The key=value lines udfinfo prints for an image.
std::map<std::string, std::string> UdfInfo(const std::string& image);

std::string Utf8(const std::u16string& text);

}  // namespace udftest
