// The engine's read path against a plain pread loop over the same cached
// image, and a full directory walk. Rounds of the two alternate so that the
// noise of a shared machine hits both alike; the best round of each counts.
//
//   engine_bench [WORK_FOLDER]   (default: the current folder)
#include <fcntl.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSectors = 32768;  // a 64 MB image
constexpr int kReadsPerRound = 200000;
constexpr int kRounds = 15;

// Sectors read per second by the best of rounds of one loop.
double BestRate(const std::function<void()>& round, int reads, std::vector<double>& rates) {
  const auto start = Clock::now();
  round();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  rates.push_back(reads / seconds);
  return *std::max_element(rates.begin(), rates.end());
}

void ReadBenchmark(const std::string& image) {
  {
    std::ofstream out(image, std::ios::binary);
    std::vector<char> sector(2048);
    for (int s = 0; s < kSectors; ++s) {
      std::fill(sector.begin(), sector.end(), static_cast<char>(s));
      out.write(sector.data(), 2048);
    }
  }
  setenv("WRENLO_IMAGES", image.c_str(), 1);
  wrenlo::Initialize();
  if (wrenlo::SetBurnDevice(u'D') != 0 || wrenlo::SetReadDevice(u'D') != 0) {
    std::fprintf(stderr, "the image did not become drive D\n");
    std::exit(1);
  }
  const int fd = open(image.c_str(), O_RDONLY);
  std::vector<std::uint8_t> buffer(2048);
  int failures = 0;
  const auto plain = [&] {
    for (int i = 0; i < kReadsPerRound; ++i)
      if (pread(fd, buffer.data(), 2048, static_cast<off_t>(i % kSectors) * 2048) != 2048)
        ++failures;
  };
  const auto engine = [&] {
    for (int i = 0; i < kReadsPerRound; ++i)
      if (wrenlo::ReadSectors(wrenlo::kCurrentDevice, i % kSectors, 1, 0, buffer.data(), 2048) != 0)
        ++failures;
  };
  plain();  // the page cache now holds the image
  std::vector<double> plainRates, engineRates;
  double bestPlain = 0, bestEngine = 0;
  for (int r = 0; r < kRounds; ++r) {
    bestPlain = BestRate(plain, kReadsPerRound, plainRates);
    bestEngine = BestRate(engine, kReadsPerRound, engineRates);
  }
  close(fd);
  std::sort(plainRates.begin(), plainRates.end());
  std::sort(engineRates.begin(), engineRates.end());
  std::printf("single-sector reads of a cached 64 MB image (%d rounds of %d):\n", kRounds,
              kReadsPerRound);
  std::printf("  plain pread loop      best %9.0f /s  median %9.0f /s\n", bestPlain,
              plainRates[kRounds / 2]);
  std::printf("  ReadSectors           best %9.0f /s  median %9.0f /s\n", bestEngine,
              engineRates[kRounds / 2]);
  std::printf("  engine / plain        best %.3f  median %.3f  (goal: at least 0.9)\n",
              bestEngine / bestPlain, engineRates[kRounds / 2] / plainRates[kRounds / 2]);
  if (failures != 0) std::printf("  %d reads failed\n", failures);
}

// Pre-order walk of every directory, as the program's files test lists files.
void Walk(wrenlo::Handle session, const std::u16string& path, int& files, int& directories) {
  wrenlo::Handle directory = 0;
  if (wrenlo::OpenDirectory(session, path.c_str(), &directory) != 0) return;
  ++directories;
  wrenlo::DirectoryEntry entry;
  for (std::int32_t i = 0; wrenlo::ReadDirectory(directory, i, &entry) == 0; ++i) {
    const std::u16string child = path.empty() ? entry.name.str() : path + u"\\" + entry.name.str();
    if (entry.attributes & wrenlo::kAttributeDirectory) {
      Walk(session, child, files, directories);
    } else {
      ++files;
    }
  }
  wrenlo::CloseDirectory(directory);
}

void WalkBenchmark(const fs::path& work) {
  // 20 top directories of 10 subdirectories of 40 files: 8000 files.
  const fs::path tree = work / "walk_tree";
  fs::remove_all(tree);
  for (int a = 0; a < 20; ++a)
    for (int b = 0; b < 10; ++b) {
      const fs::path dir = tree / ("TOP" + std::to_string(a)) / ("SUB" + std::to_string(b));
      fs::create_directories(dir);
      for (int f = 0; f < 40; ++f) std::ofstream(dir / ("FILE" + std::to_string(f) + ".TXT")) << f;
    }
  const std::string image = (work / "walk.iso").string();
  const std::string command = "genisoimage -quiet -J -o '" + image + "' '" + tree.string() + "'";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "genisoimage failed\n");
    return;
  }
  setenv("WRENLO_IMAGES", image.c_str(), 1);
  wrenlo::Initialize();
  wrenlo::SetBurnDevice(u'D');
  wrenlo::SetReadDevice(u'D');
  for (const std::int32_t selector : {wrenlo::kFileSystemIso9660, wrenlo::kFileSystemJoliet}) {
    double best = 1e9;
    int files = 0, directories = 0;
    for (int r = 0; r < 5; ++r) {
      const auto start = Clock::now();
      wrenlo::Handle session = 0;
      wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, 1, &session, selector);
      files = directories = 0;
      Walk(session, u"", files, directories);
      wrenlo::CloseDiskSession(session);
      best =
          std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("full directory walk, %s: %d directories, %d files in %.2f ms (best of 5)\n",
                selector == wrenlo::kFileSystemJoliet ? "Joliet" : "ISO 9660", directories, files,
                best);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::current_path();
  fs::create_directories(work);
  ReadBenchmark((work / "bench.iso").string());
  WalkBenchmark(work);
  return 0;
}
