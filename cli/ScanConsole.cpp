#include "cli/ScanConsole.h"

#include <algorithm>

#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "core/disc/DeviceContext.h"
#include "core/report/EscapedText.h"
#include "core/report/ScanLogText.h"
#include "core/report/ScanProgressText.h"
#include "core/report/Utf8.h"
#include "core/scan/SectorScanner.h"
#include "core/scan/SpeedCurve.h"

namespace {

// A terminal's line is redrawn at most this often.
constexpr std::chrono::milliseconds kRedrawInterval{250};

// utf8 itself when it has at most width characters; else "..." and its end,
// width characters in all, so that a file's path keeps its name.
std::string EndWithin(const std::string& utf8, std::size_t width) {
  const auto isCharacterStart = [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  };
  const std::size_t characters = std::count_if(utf8.begin(), utf8.end(), isCharacterStart);
  if (characters <= width) return utf8;
  std::size_t keep = width > 3 ? width - 3 : 0;
  std::size_t from = utf8.size();
  while (from > 0 && keep > 0)
    if (isCharacterStart(utf8[--from])) --keep;
  return "..." + utf8.substr(from);
}

}  // namespace

ScanConsole::ScanConsole(std::FILE* out) : stream(out), live(IsTerminal(out)) {}

void ScanConsole::Watch(SectorScanner* watched) { scanner = watched; }

void ScanConsole::OnScanStarted() {
  if (depth++ == 0) return;  // the run
  printedPercent = -1;
  printedCurrent = -1;
  nextDraw = {};
}

void ScanConsole::OnScanFinished() {
  if (--depth == 0) return;  // the run
  // The pass's last state, drawn whatever the time, and left on screen.
  if (lastProgress != nullptr) DrawProgress(*lastProgress, true);
  if (linesShown) Print(stream, "\n");
  linesShown = false;
  lastProgress = nullptr;
  if (scanner == nullptr || scanner->pass == ScanPass::None) return;
  // The same entry the Scan page's log gets at the end of a pass.
  record.log.push_back({LogKind::Info, TimeValue::Now(), PassEndText(PassEndOf(*scanner))});
  const ScanLogEntry& entry = record.log.back();
  Print(stream, ToUtf8(LogTimeText(entry.time)) + "  " + WithControlsEscaped(entry.text) + "\n");
  record.EndPass(scanner->pass, scanner->progress, scanner->passMicroseconds);
}

void ScanConsole::OnProgress(const ProgressCtx_t& progress) {
  lastProgress = &progress;
  // A stop signal, or a reader of the output gone: the scan stops as the
  // Stop button stops it, and what it found is still written.
  if (!stopped && (InterruptRequested() || StandardOutputLost()) && scanner != nullptr) {
    stopped = true;
    scanner->Stop();
  }
  DrawProgress(progress, false);
}

void ScanConsole::OnSurfaceState(const SurfaceState_t&) {}

void ScanConsole::OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                             std::int64_t sector) {
  record.log.push_back({static_cast<LogKind>(kind), time, text, sector});
  ClearLiveLines();
  // A file's name in the entry stays on its line.
  Print(stream, ToUtf8(LogTimeText(time)) + "  " + WithControlsEscaped(text) + "\n");
  // The progress line comes back at its next report.
  nextDraw = {};
}

std::string ScanConsole::Figures(const ProgressCtx_t& progress) const {
  const double base = BaseSpeed(scanner != nullptr && scanner->deviceContext != nullptr
                                    ? scanner->deviceContext->medium.typeName.str()
                                    : std::u16string());
  const ShareCounts counts = ShareCountsOf(progress);
  const std::int64_t checked = counts.Checked();
  return std::to_string(ProgressPosition(progress)) + "%  " +
         ToUtf8(SpeedText(progress.recentSpeed, base)) +
         "  Good: " + ToUtf8(ShareText(counts.good, checked)) +
         "  Problem: " + ToUtf8(ShareText(counts.problem, checked)) +
         "  Error: " + ToUtf8(ShareText(counts.error, checked));
}

void ScanConsole::DrawProgress(const ProgressCtx_t& progress, bool final) {
  if (live) {
    const Clock::time_point now = Clock::now();
    if (!final && now < nextDraw) return;
    nextDraw = now + kRedrawInterval;
    // Two lines, each within the terminal's width: the status, cut at its
    // start when too long (a file's path keeps its name), then the figures.
    const std::size_t width = static_cast<std::size_t>(TerminalColumns(stream)) - 1;
    const std::string status = EndWithin(WithControlsEscaped(progress.text), width);
    std::string figures = Figures(progress);
    if (figures.size() > width) figures.resize(width);
    Print(stream,
          std::string(linesShown ? "\r\x1b[1A" : "\r") + status + "\x1b[K\n" + figures + "\x1b[K");
    linesShown = true;
    return;
  }
  const int percent = ProgressPosition(progress);
  if (final ? progress.current == printedCurrent : percent == printedPercent) return;
  printedPercent = percent;
  printedCurrent = progress.current;
  const std::string figures = Figures(progress);
  Print(stream, progress.text.empty() ? figures + "\n"
                                      : WithControlsEscaped(progress.text) + "  " + figures + "\n");
}

void ScanConsole::ClearLiveLines() {
  if (!linesShown) return;
  // Up from the figures to the status line, clearing both.
  Print(stream, "\r\x1b[K\x1b[1A\x1b[K");
  linesShown = false;
}
