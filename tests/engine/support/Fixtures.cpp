#include "Fixtures.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Command.h"

namespace testing_support {

namespace fs = std::filesystem;

namespace {

// Bytes that differ from sector to sector, so that a read of the wrong sector
// shows.
std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 2048) & 0xFF);
  return bytes;
}

void MustRun(const std::vector<std::string>& argv) {
  const CommandResult result = RunCommand(argv);
  if (result.exitCode != 0) {
    ADD_FAILURE() << argv[0] << " failed (" << result.exitCode << "): " << result.output;
    std::abort();
  }
}

Fixtures Make() {
  const fs::path dir = fs::path(OutputDirectory()) / "fixtures";
  fs::remove_all(dir);
  const fs::path tree = dir / "tree";
  fs::create_directories(tree / "DIR" / "SUB");
  fs::create_directories(tree / "boot");
  WriteFile(tree / "A.TXT", "hello\n");
  WriteFile(tree / "DIR" / "B.BIN", Pattern(5000));
  WriteFile(tree / "DIR" / "EMPTY.DAT", "");
  WriteFile(tree / "DIR" / "SUB" / "long_name_file.text", "x\n");
  WriteFile(tree / "BIG.BIN", Pattern(300000));
  WriteFile(tree / u8"Grüße.txt", "non-ASCII name\n");
  WriteFile(tree / "boot" / "boot.img", Pattern(4096));

  Fixtures fixtures;
  fixtures.healthy = dir / "healthy.iso";
  MustRun({"xorriso",
           "-no_rc",
           "-outdev",
           fixtures.healthy,
           "-volid",
           "HEALTHY",
           "-publisher",
           "The Publisher",
           "-application_id",
           "Lumeter Tests",
           "-volume_date",
           "c",
           "2010031514050900",
           "-volume_date",
           "m",
           "2011040115161700",
           "-volume_date",
           "x",
           "2030010100000000",
           "-volume_date",
           "f",
           "2009123123595900",
           "-joliet",
           "on",
           "-map",
           tree,
           "/",
           "-boot_image",
           "any",
           "bin_path=/boot/boot.img",
           "-boot_image",
           "any",
           "emul_type=no_emulation",
           "-padding",
           "0",
           "-commit"});

  const fs::path plainTree = dir / "plain";
  fs::create_directories(plainTree / "DOCS");
  WriteFile(plainTree / "README.TXT", "plain\n");
  WriteFile(plainTree / "DOCS" / "NOTES.TXT", Pattern(3000));
  fixtures.plain = dir / "plain.iso";
  MustRun({"genisoimage", "-quiet", "-V", "PLAIN", "-publisher", "PLAIN PUBLISHER", "-A",
           "PLAIN APPLICATION", "-o", fixtures.plain, plainTree});

  const fs::path rrTree = dir / "rockridge";
  const fs::path deep = rrTree / "a" / "b" / "c" / "d" / "e" / "f" / "g" / "h" / "i" / "j";
  fs::create_directories(deep);
  fs::create_directories(rrTree / "MiXeD Case");
  fs::create_directories(rrTree / "many");
  WriteFile(deep / "deep_file.txt", "deep\n");
  WriteFile(rrTree / u8"Grüße über alles.txt", Pattern(3000));
  WriteFile(rrTree / u8"日本語のファイル名.txt", "cjk\n");
  WriteFile(rrTree / u8"emoji 🎵.txt", "emoji\n");
  WriteFile(rrTree / (std::string(200, 'L') + ".dat"), "long\n");
  WriteFile(rrTree / "trailing.dot.", "dot\n");
  WriteFile(rrTree / "version;5", "version\n");
  WriteFile(rrTree / "MiXeD Case" / "Inner File.Text", "inner\n");
  for (int i = 0; i < 40; ++i)
    WriteFile(rrTree / "many" / ("a rather long file name, number " + std::to_string(i) + ".txt"),
              std::to_string(i));
  fixtures.rockRidge = dir / "rockridge.iso";
  MustRun({"xorriso", "-no_rc", "-outdev", fixtures.rockRidge, "-volid", "Grüße Volume",
           "-publisher", "Éditions Ünïcode", "-joliet", "on", "-map", rrTree, "/", "-commit"});

  const fs::path deepTree = dir / "relocated";
  const fs::path deepest = deepTree / "a" / "b" / "c" / "d" / "e" / "f" / "g" / "h" / "i" / "j";
  fs::create_directories(deepest);
  WriteFile(deepest / "deep.txt", "ten levels down\n");
  WriteFile(deepTree / "a" / "b" / "c" / "d" / "e" / "f" / "g" / "h" / "eighth.txt", "eight\n");
  WriteFile(deepTree / "top.txt", Pattern(5000));
  fixtures.relocated = dir / "relocated.iso";
  MustRun({"genisoimage", "-quiet", "-R", "-J", "-o", fixtures.relocated, deepTree});

  const fs::path linkTree = dir / "linked";
  fs::create_directories(linkTree / "back");
  fs::create_directories(linkTree / "q?dir");
  WriteFile(linkTree / "back\\slash.txt", "backslash\n");
  WriteFile(linkTree / "back" / "inner.txt", "inner\n");
  WriteFile(linkTree / "star*.txt", Pattern(3000));
  WriteFile(linkTree / "co:lon.txt", "colon\n");
  WriteFile(linkTree / "q?dir" / "what?.txt", "question\n");
  fs::create_symlink("back/inner.txt", linkTree / "link");
  fs::create_symlink("/etc/hostname", linkTree / "absolute");
  fs::create_symlink("../../elsewhere", linkTree / "back" / "up");
  fixtures.linked = dir / "linked.iso";
  MustRun({"xorriso", "-no_rc", "-outdev", fixtures.linked, "-joliet", "on", "-map", linkTree,
           "/", "-commit"});

  fixtures.udf = dir / "udf.iso";
  MustRun({"genisoimage", "-quiet", "-udf", "-J", "-V", "BRIDGE", "-o", fixtures.udf, tree});
  return fixtures;
}

}  // namespace

const Fixtures& GetFixtures() {
  static const Fixtures fixtures = Make();
  return fixtures;
}

std::string OutputDirectory() {
  // One folder per test program: several that make the fixtures run at once.
  const fs::path dir = fs::path(LUMETER_TEST_OUTPUT_DIR) / "output" / program_invocation_short_name;
  fs::create_directories(dir);
  return dir;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace testing_support
