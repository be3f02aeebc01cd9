// The scan history at a size a large archive reaches: 100,000 scans of
// 10,000 discs (ten a disc), each scan as lumeter-cli keeps it (options, a
// read-speed curve of 128 points, a few ranges and damaged files; one in ten
// badly damaged). Prints the file's size, the time lumeter-cli history --all
// takes on it (the whole program, as a user runs it) and the time recording
// one more scan takes (opening the file as each run does, then the record),
// with the goals: under 200 MB, under 1 s and under 50 ms.
//
// usage: history_bench [DISCS [SCANS_PER_DISC]] (defaults 10000 10); build
// lumeter-cli too.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/history/DiscHistory.h"
#include "core/history/HistoryScans.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

DiscIdentity Disc(int n) {
  DiscIdentity disc;
  disc.label = "ARCHIVE_" + std::to_string(n);
  disc.created = "2015-03-01 10:00:00 +01:00";
  disc.sectors = 2295104;
  char hash[65];
  std::snprintf(hash, sizeof hash, "%064x", n);
  disc.descriptorHash = hash;
  disc.fileSystem = "ISO 9660";
  return disc;
}

HistoryScan Scan(std::mt19937& random, std::int64_t time) {
  HistoryScan scan;
  scan.kind = scan_kind::kSurfaceScan;
  scan.time = time;
  scan.drive = {"HL-DT-ST", "DVDRAM GH24NSD1", "LG00", ""};
  scan.options = ScanOptionsJson(ScanOptions{});
  scan.durationMs = 900000 + static_cast<std::int64_t>(random() % 100000);
  scan.sectors = 2295104;
  const bool damaged = random() % 10 == 0;
  // Apart from each other, as a scan's ranges are.
  const int ranges = damaged ? 40 : static_cast<int>(random() % 3);
  for (int r = 0; r < ranges; ++r) {
    const std::uint64_t first = static_cast<std::uint64_t>(r) * 50000 + random() % 40000;
    const std::uint64_t last = first + random() % 64;
    (r % 2 == 0 ? scan.problemRanges : scan.errorRanges).push_back({first, last});
    (r % 2 == 0 ? scan.problemSectors : scan.errorSectors) +=
        static_cast<std::int64_t>(last - first + 1);
  }
  scan.goodSectors = scan.sectors - scan.problemSectors - scan.errorSectors;
  const int files = damaged ? 8 : ranges;
  for (int f = 0; f < files; ++f)
    scan.damaged.push_back({"VIDEO_TS/VTS_0" + std::to_string(f) + "_1.VOB in a folder of its own",
                            false, static_cast<std::int64_t>(random() % 64),
                            static_cast<std::int64_t>(random() % 8)});
  scan.speedCurve.sectors = scan.sectors;
  scan.speedCurve.base = 1385000;
  for (std::size_t p = 0; p < StoredSpeedCurve::kPoints; ++p)
    scan.speedCurve.kilobytesPerSecond.push_back(
        static_cast<std::int32_t>(8000 + p * 60 + random() % 900));
  return scan;
}

// Runs argv to its end with standard output to /dev/null; its wall-clock
// time in ms, or -1 when it fails.
double RunTimed(const std::vector<std::string>& argv) {
  const Clock::time_point start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return Milliseconds(Clock::now() - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int discs = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int perDisc = argc > 2 ? std::atoi(argv[2]) : 10;
  if (discs < 1 || perDisc < 1) {
    std::fprintf(stderr, "usage: history_bench [DISCS [SCANS_PER_DISC]]\n");
    return 2;
  }
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  const std::string cli = (self.parent_path() / "../cli/lumeter-cli").lexically_normal();
  std::string folder = std::filesystem::temp_directory_path() / "lumeter-history-bench-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) return 2;
  ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
  const std::string path = DiscHistory::DefaultPath();

  std::mt19937 random(31);
  std::printf("Recording %d scans of %d discs...\n", discs * perDisc, discs);
  std::fflush(stdout);  // before the timed runs' forks copy the buffer
  const Clock::time_point built = Clock::now();
  {
    DiscHistory history(path);
    std::string error;
    // A year between a disc's scans, discs a minute apart.
    for (int round = 0; round < perDisc; ++round)
      for (int disc = 0; disc < discs; ++disc) {
        HistoryScan scan = Scan(random, 1400000000 + round * 31536000LL + disc * 60LL);
        if (!history.Record(Disc(disc), scan, error)) {
          std::fprintf(stderr, "record failed: %s\n", error.c_str());
          return 1;
        }
      }
  }
  const double buildSeconds = Milliseconds(Clock::now() - built) / 1000;
  struct stat file {};
  ::stat(path.c_str(), &file);
  const double megabytes = static_cast<double>(file.st_size) / 1e6;

  // lumeter-cli history --all, as a user runs it: text and JSON.
  std::vector<double> text, json;
  for (int round = 0; round < 5; ++round) {
    text.push_back(RunTimed({cli, "history", "--all"}));
    json.push_back(RunTimed({cli, "history", "--all", "--json"}));
  }
  // Discs() alone, in this process.
  std::vector<double> query;
  for (int round = 0; round < 5; ++round) {
    DiscHistory history(path);
    std::vector<HistoryDisc> all;
    std::string error;
    const Clock::time_point start = Clock::now();
    history.Discs(all, error);
    query.push_back(Milliseconds(Clock::now() - start));
  }
  // One more scan, as a run records it: the file opened, then the record.
  std::vector<double> records;
  for (int round = 0; round < 50; ++round) {
    HistoryScan scan = Scan(random, 1800000000 + round);
    const Clock::time_point start = Clock::now();
    DiscHistory history(path);
    std::string error;
    if (!history.Record(Disc(round * 97 % discs), scan, error)) return 1;
    records.push_back(Milliseconds(Clock::now() - start));
  }
  // The list of one disc's scans, as lumeter-cli history DRIVE reads it.
  std::vector<double> one;
  for (int round = 0; round < 5; ++round) {
    DiscHistory history(path);
    DiscScans scans;
    std::string error;
    const Clock::time_point start = Clock::now();
    history.ScansOf(Disc(round), scans, error);
    one.push_back(Milliseconds(Clock::now() - start));
  }

  const auto goal = [](bool met) { return met ? "met" : "NOT MET"; };
  std::printf("built in %.1f s (%.2f ms a scan, each its own transaction)\n", buildSeconds,
              buildSeconds * 1000 / (discs * perDisc));
  std::printf("file: %.1f MB, %.0f bytes a scan (goal under 200 MB: %s)\n", megabytes,
              static_cast<double>(file.st_size) / (discs * perDisc), goal(megabytes < 200));
  std::printf(
      "lumeter-cli history --all: %.0f ms median, text; %.0f ms median, JSON "
      "(goal under 1000 ms: %s)\n",
      Median(text), Median(json),
      goal(Median(text) >= 0 && Median(json) >= 0 && std::max(Median(text), Median(json)) < 1000));
  std::printf("  of which the query of every disc's latest scan: %.0f ms median\n", Median(query));
  std::printf(
      "recording one scan (opening the file, then the record): %.1f ms median, %.1f ms "
      "slowest of %zu (goal under 50 ms: %s)\n",
      Median(records), *std::max_element(records.begin(), records.end()), records.size(),
      goal(Median(records) < 50));
  std::printf("one disc's %d scans in full: %.1f ms median\n", perDisc, Median(one));
  std::filesystem::remove_all(folder);
  return 0;
}
