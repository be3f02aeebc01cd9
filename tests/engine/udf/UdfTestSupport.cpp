#include "UdfTestSupport.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace udftest {

OpenedImage OpenImage(std::vector<std::uint8_t> bytes) {
  OpenedImage image;
  image.bytes = std::move(bytes);
  image.source = std::make_unique<MemorySource>(image.bytes);
  image.result =
      wrenlo::UdfFileSystem::Open(*image.source, 0, image.source->SectorCount(), image.fileSystem);
  return image;
}

namespace {

wrenlo::Result Walk(const wrenlo::UdfFileSystem& fileSystem, wrenlo::SectorSource& source,
                    const std::u16string& path, Tree& out) {
  out.directories.push_back(path);
  std::vector<wrenlo::DirectoryItem> items;
  if (const wrenlo::Result result = fileSystem.ListDirectory(path, items); result != wrenlo::kOk)
    return result;
  for (const wrenlo::DirectoryItem& item : items) {
    const std::u16string child = path + u"/" + item.name;
    if (item.isDirectory) {
      if (const wrenlo::Result result = Walk(fileSystem, source, child, out); result != wrenlo::kOk)
        return result;
      continue;
    }
    std::vector<wrenlo::Extent> extents;
    if (const wrenlo::Result result = fileSystem.FileExtents(child, extents); result != wrenlo::kOk)
      return result;
    std::vector<std::uint8_t>& bytes = out.files[child];
    for (const wrenlo::Extent& extent : extents) {
      if (extent.start + extent.count > source.SectorCount()) return wrenlo::kOutOfRange;
      const std::size_t at = bytes.size();
      bytes.resize(at + extent.count * 2048);
      if (const wrenlo::Result result =
              source.Read(static_cast<std::uint32_t>(extent.start),
                          static_cast<std::uint32_t>(extent.count), bytes.data() + at);
          result != wrenlo::kOk)
        return result;
    }
  }
  return wrenlo::kOk;
}

}  // namespace

wrenlo::Result WalkTree(const wrenlo::UdfFileSystem& fileSystem, wrenlo::SectorSource& source,
                        Tree& out) {
  return Walk(fileSystem, source, u"", out);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  std::string text;
  char buffer[4096];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = std::move(text);
  return status == 0;
}

std::map<std::string, std::string> UdfInfo(const std::string& image) {
  std::string text;
  if (!RunCommand("udfinfo '" + image + "' 2>/dev/null", &text))
    throw std::runtime_error("udfinfo failed on " + image);
  std::map<std::string, std::string> facts;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos && !facts.contains(line.substr(0, equals)))
      facts[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return facts;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace udftest
