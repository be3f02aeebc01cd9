// A receiver that records every report as a line of text holding the values
// of its moment, with the thread it ran on.
#pragma once

#include <FakeEngine.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/SectorScanner.h"

class Recorder : public ISectorScannerCallback {
 public:
  void OnScanStarted() override { Add("Started"); }
  void OnScanFinished() override { Add("Finished"); }
  void OnProgress(const ProgressCtx_t& p) override {
    progress.push_back(p);
    Add("Progress " + std::to_string(p.total) + "/" + std::to_string(p.current) + " p" +
        std::to_string(p.problems) + " e" + std::to_string(p.errors) + " " +
        std::to_string(p.speed) + " " + fake::Utf8(p.text));
  }
  void OnSurfaceState(const SurfaceState_t& state) override {
    std::string line = "Table n=" + std::to_string(state.sectors.size());
    if (state.sectors.size() <= 16) {
      line += " ";
      for (std::uint8_t code : state.sectors) line += static_cast<char>('0' + code);
    }
    Add(line);
  }
  void OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                  std::int64_t sector) override {
    std::string line = "Log " + std::to_string(kind) + " @" + std::to_string(time.seconds) + " " +
                       fake::Utf8(text);
    if (sector != kNoSector) line += " #" + std::to_string(sector);
    // The scanner's counters at the moment of the entry, to show which comes
    // first.
    if (scanner != nullptr)
      line += " [p" + std::to_string(scanner->progress.problems) + " e" +
              std::to_string(scanner->progress.errors) + "]";
    Add(line);
  }

  // Reports whose line starts with prefix.
  std::vector<std::string> Named(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : reports)
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
  }
  std::size_t Count(const std::string& line) const {
    std::size_t n = 0;
    for (const std::string& report : reports) n += report == line;
    return n;
  }

  std::vector<std::string> reports;
  std::vector<ProgressCtx_t> progress;
  std::vector<std::thread::id> threads;
  const SectorScanner* scanner = nullptr;
  std::function<void()> afterReport;  // runs after each report is recorded

 private:
  void Add(std::string line) {
    reports.push_back(std::move(line));
    threads.push_back(std::this_thread::get_id());
    if (afterReport) afterReport();
  }
};
