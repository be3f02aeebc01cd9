#include "CliFixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

namespace {

constexpr std::size_t kSector = 2048;
constexpr char kBigFileMark[] = "BIG.BIN SECTOR ";

// Every lumeter-cli the tests run keeps its scans' history in a folder of the
// test program's own, never in the user's.
class HistoryFolder : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/lumeter-cli-data-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder = pattern;
    ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

 private:
  std::string folder;
};

[[maybe_unused]] ::testing::Environment* const historyFolder =
    ::testing::AddGlobalTestEnvironment(new HistoryFolder);

}  // namespace

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

namespace {

// Every sector of BIG.BIN starts with a mark and its number, so the file is
// found in the image without a file system reader.
std::string BigFile(int sectors) {
  std::string bytes;
  for (int i = 0; i < sectors; ++i) {
    std::string sector = kBigFileMark + std::to_string(i);
    sector.resize(kSector, static_cast<char>('a' + i % 26));
    bytes += sector;
  }
  return bytes;
}

}  // namespace

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

void MustRun(const std::vector<std::string>& argv) {
  const ChildResult result = RunChild(argv, {});
  if (result.status != 0) throw std::runtime_error(argv[0] + " failed: " + result.out + result.err);
}

std::int32_t FindSector(const std::string& image, const std::string& start) {
  for (std::size_t offset = 0; offset + kSector <= image.size(); offset += kSector)
    if (image.compare(offset, start.size(), start) == 0)
      return static_cast<std::int32_t>(offset / kSector);
  throw std::runtime_error("sector not found: " + start);
}

std::string CliTest::folder;
std::map<std::string, std::string> CliTest::drives;
std::int32_t CliTest::bigFileSector = -1;
std::int32_t CliTest::damagedSector = -1;

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

void CliTest::SetUpTestSuite() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/lumeter-cli-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder = pattern;

  const std::string tree = folder + "/tree";
  std::filesystem::create_directories(tree + "/DIR/SUB");
  WriteFile(tree + "/README.TXT", "Read me.\n");
  WriteFile(tree + "/DIR/BIG.BIN", BigFile(40));
  WriteFile(tree + "/DIR/SUB/NOTE.TXT", "A note.\n");
  const ChildResult made =
      RunChild({"/usr/bin/xorriso", "-no_rc", "-outdev", folder + "/disc.iso", "-volid", "CLI_TEST",
                "-joliet", "on", "-map", tree, "/", "-commit"},
               {});
  if (made.status != 0) throw std::runtime_error("xorriso failed: " + made.err);

  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  bigFileSector = FindSector(disc, std::string(kBigFileMark) + "0");
  damagedSector = bigFileSector + 17;
  WriteFile(folder + "/damaged.iso", disc);
  WriteFile(folder + "/damaged.iso.faults", std::to_string(damagedSector) + " always\n");

  // Each sector of plain.img holds its number in its first bytes.
  std::string plain;
  for (int i = 0; i < 300; ++i) {
    std::string sector = "sector " + std::to_string(i);
    sector.resize(kSector, '\0');
    plain += sector;
  }
  WriteFile(folder + "/plain.img", plain);
  WriteFile(folder + "/plain.img.faults",
            "# problems, errors\n10-19 2\n100 4\n150-154 always\n200 5\n");

  std::filesystem::resize_file((WriteFile(folder + "/slow.img", ""), folder + "/slow.img"),
                               20000 * kSector);
  WriteFile(folder + "/slow.img.faults", "latency 1000\n");
  WriteFile(folder + "/broken.img", std::string(1000, 'x'));

  // The letters the engine gives the images: "F: plain.img" names F: for it.
  const ChildResult listed = Cli({"devices", "--json"});
  for (const auto& device : nlohmann::json::parse(listed.out)) {
    const std::string text = device["text"];
    const std::size_t space = text.find(' ');
    const std::size_t end = text.find(':', space);
    drives[text.substr(space + 1, end == std::string::npos ? end : end - space - 1)] =
        device["drive"];
  }
}

std::string CliTest::Drive(const std::string& image) {
  const auto found = drives.find(image);
  if (found == drives.end()) throw std::runtime_error("no drive for " + image);
  return found->second;
}

void CliTest::TearDownTestSuite() { std::filesystem::remove_all(folder); }

ChildProcess::Environment CliTest::Drives() {
  std::string images;
  for (const char* name : {"disc.iso", "damaged.iso", "plain.img", "slow.img", "broken.img"})
    images += (images.empty() ? "" : ":") + folder + "/" + name;
  return {{"WRENLO_IMAGES", images}, {"TZ", "UTC"}};
}

ChildResult CliTest::Cli(const std::vector<std::string>& args, const ChildStreams& streams) {
  std::vector<std::string> argv{LUMETER_CLI};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunChild(argv, Drives(), streams);
}
