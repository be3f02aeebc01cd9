// The receiver of a copy's reports on a console: one live status line on a
// terminal (bytes rescued, bad areas, the pass, the rate, the time since the
// last successful read and the time left), redrawn a few times a second;
// elsewhere (a pipe, a file) a line at the start of each pass. Log entries
// are printed with their time, as a scan's are.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "core/rescue/DiscCopier.h"

class CopyJob;

class CopyConsole final : public ICopyListener {
 public:
  CopyConsole(std::FILE* stream, const CopyJob& job);

  void OnPassStarted(CopyPass pass, int retry) override;
  void OnSectors(std::int64_t address, std::int64_t count, SectorState state) override;
  void OnRead(std::int64_t address, std::int64_t count, bool succeeded) override;
  void OnLog(LogKind kind, const std::u16string& text) override;

  // Leaves the live line's last state on screen, before the summary.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;

  std::string StatusLine() const;
  void Draw(bool now);
  void ClearLine();
  void PrintLine(const std::string& text);

  std::FILE* stream;
  const bool live;
  const CopyJob& job;
  Clock::time_point start = Clock::now();
  Clock::time_point lastGoodRead = Clock::now();
  Clock::time_point nextDraw{};
  std::uint64_t finishedAtStart = 0;
  std::string passName;
  bool lineShown = false;
};
