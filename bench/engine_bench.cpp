// The engine's read path against a plain pread loop over the same cached
// image (a plain one, and the raw sectors of a BIN/CUE image), and a full
// directory walk. Rounds of the two alternate so that the noise of a shared
// machine hits both alike; the best round of each counts.
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

#include "RawCdWriter.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSectors = 32768;        // a 64 MB image
constexpr int kRawSectors = kSectors;  // of 2352 bytes: 77 MB
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

// Single-sector ReadSectors of drive D (the image) against a pread loop of
// the same sectors as stored in file (storedBytes each).
void CompareReads(const char* title, const std::string& image, const std::string& file,
                  std::size_t storedBytes, int sectors) {
  setenv("WRENLO_IMAGES", image.c_str(), 1);
  wrenlo::Initialize();
  if (wrenlo::SetBurnDevice(u'D') != 0 || wrenlo::SetReadDevice(u'D') != 0) {
    std::fprintf(stderr, "the image did not become drive D\n");
    std::exit(1);
  }
  const int fd = open(file.c_str(), O_RDONLY);
  std::vector<std::uint8_t> buffer(storedBytes);
  int failures = 0;
  const auto plain = [&] {
    for (int i = 0; i < kReadsPerRound; ++i)
      if (pread(fd, buffer.data(), storedBytes, static_cast<off_t>(i % sectors) * storedBytes) !=
          static_cast<ssize_t>(storedBytes))
        ++failures;
  };
  const auto engine = [&] {
    for (int i = 0; i < kReadsPerRound; ++i)
      if (wrenlo::ReadSectors(wrenlo::kCurrentDevice, i % sectors, 1, 0, buffer.data(), 2048) != 0)
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
  std::printf("%s (%d rounds of %d):\n", title, kRounds, kReadsPerRound);
  std::printf("  plain pread loop      best %9.0f /s  median %9.0f /s\n", bestPlain,
              plainRates[kRounds / 2]);
  std::printf("  ReadSectors           best %9.0f /s  median %9.0f /s\n", bestEngine,
              engineRates[kRounds / 2]);
  std::printf("  engine / plain        best %.3f  median %.3f\n", bestEngine / bestPlain,
              engineRates[kRounds / 2] / plainRates[kRounds / 2]);
  if (failures != 0) std::printf("  %d reads failed\n", failures);
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
  CompareReads("single-sector reads of a cached 64 MB image (goal: at least 0.9 x pread)", image,
               image, 2048, kSectors);
}

// The same data as raw Mode 1 sectors of a BIN/CUE image, whose sync, header
// and EDC the engine checks on every read, against a pread loop of the plain
// image (bench.iso, made first).
void RawCueReadBenchmark(const fs::path& work) {
  const std::string bin = (work / "bench.bin").string();
  const std::string cue = (work / "bench.cue").string();
  {
    std::ofstream out(bin, std::ios::binary);
    std::vector<std::uint8_t> user(2048);
    for (int s = 0; s < kRawSectors; ++s) {
      std::fill(user.begin(), user.end(), static_cast<std::uint8_t>(s));
      const std::vector<std::uint8_t> raw =
          testing_support::Mode1Sector(static_cast<std::uint32_t>(s), user.data());
      out.write(reinterpret_cast<const char*>(raw.data()),
                static_cast<std::streamsize>(raw.size()));
    }
    std::ofstream(cue) << "FILE bench.bin BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
  }
  CompareReads(
      "single-sector reads of a cached 77 MB MODE1/2352 BIN/CUE image against a pread loop of "
      "the same data as a plain image (goal: at least 0.8 x)",
      cue, (work / "bench.iso").string(), 2048, kRawSectors);
}

// Pre-order walk of every directory, as the program's files test lists files.
void Walk(wrenlo::Handle session, const std::u16string& path, int& files, int& directories) {
  wrenlo::Handle directory = 0;
  if (wrenlo::OpenDirectory(session, path.c_str(), &directory) != 0) return;
  ++directories;
  wrenlo::DirectoryEntry entry;
  for (std::int32_t i = 0; wrenlo::ReadDirectory(directory, i, &entry) == 0; ++i) {
    const std::u16string child = path + u"/" + entry.name.str();
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
  RawCueReadBenchmark(work);
  WalkBenchmark(work);
  return 0;
}
