#include "cli/CopyConsole.h"

#include <cstdio>

#include "cli/Output.h"
#include "core/report/CopySummary.h"
#include "core/report/EscapedText.h"
#include "core/report/ScanLogText.h"
#include "core/report/Utf8.h"
#include "core/rescue/CopyJob.h"

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{250};

// "3 min 20 s", "45 s".
std::string Duration(std::uint64_t seconds) {
  if (seconds >= 3600)
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds / 60 % 60) + " min";
  if (seconds >= 60)
    return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
  return std::to_string(seconds) + " s";
}

std::string Megabytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  return text;
}

}  // namespace

CopyConsole::CopyConsole(std::FILE* out, const CopyJob& copyJob)
    : stream(out), live(IsTerminal(out)), job(copyJob) {
  finishedAtStart = job.Map().Count(BlockStatus::Finished, 0, job.Map().Size());
}

void CopyConsole::OnPassStarted(CopyPass pass, int retry) {
  passName = CopyPassName(pass, retry, job.Options().retries);
  PrintLine(ToUtf8(LogTimeText(TimeValue::Now())) + "  " +
            CopyPassStartText(pass, retry, job.Options()));
  Draw(true);
}

void CopyConsole::OnSectors(std::int64_t, std::int64_t, SectorState) {}

void CopyConsole::OnRead(std::int64_t, std::int64_t, bool succeeded) {
  if (succeeded) lastGoodRead = Clock::now();
  Draw(false);
}

void CopyConsole::OnLog(LogKind, const std::u16string& text) {
  PrintLine(ToUtf8(LogTimeText(TimeValue::Now())) + "  " + WithControlsEscaped(text));
}

std::string CopyConsole::StatusLine() const {
  const CopyPlan& plan = job.Plan();
  const CopyCounts counts = CountsOf(job.Map(), plan);
  // The rate of what this run rescued, since its start.
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double bytesPerSecond =
      seconds > 0
          ? static_cast<double>(counts.finished - std::min(counts.finished, finishedAtStart)) *
                plan.sectorBytes / seconds
          : 0;
  const std::uint64_t sinceGood = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - lastGoodRead).count());
  // What is left to read at the pace so far; the later passes' pace is
  // not known before they run.
  const std::uint64_t left =
      (counts.nonTried + counts.nonTrimmed + counts.nonScraped) * plan.sectorBytes;
  std::string line =
      "rescued " + Megabytes(static_cast<double>(counts.finished) * plan.sectorBytes) + ", " +
      std::to_string(counts.badAreas) + (counts.badAreas == 1 ? " bad area, " : " bad areas, ") +
      passName + ", " + Megabytes(bytesPerSecond) + "/s, last good read " + Duration(sinceGood) +
      " ago, ";
  line += bytesPerSecond > 0
              ? Duration(static_cast<std::uint64_t>(static_cast<double>(left) / bytesPerSecond)) +
                    " left"
              : "time left unknown";
  return line;
}

void CopyConsole::Draw(bool now) {
  if (!live) return;
  const Clock::time_point time = Clock::now();
  if (!now && time < nextDraw) return;
  nextDraw = time + kRedrawInterval;
  std::string line = StatusLine();
  const std::size_t width = static_cast<std::size_t>(TerminalColumns(stream)) - 1;
  if (line.size() > width) line.resize(width);
  Print(stream, "\r" + line + "\x1b[K");
  lineShown = true;
}

void CopyConsole::ClearLine() {
  if (!lineShown) return;
  Print(stream, "\r\x1b[K");
  lineShown = false;
}

void CopyConsole::PrintLine(const std::string& text) {
  ClearLine();
  Print(stream, text + "\n");
  nextDraw = {};
}

void CopyConsole::Finish() {
  if (live && lineShown) {
    // The last state stays on screen above the summary.
    Draw(true);
    Print(stream, "\n");
    lineShown = false;
  }
}
