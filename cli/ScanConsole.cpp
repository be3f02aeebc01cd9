#include "cli/ScanConsole.h"

#include <algorithm>

#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "core/disc/DeviceContext.h"
#include "core/report/ScanLogText.h"
#include "core/report/ScanProgressText.h"
#include "core/report/Utf8.h"
#include "core/scan/SectorScanner.h"

namespace {

// A terminal's line is redrawn at most this often.
constexpr std::chrono::milliseconds kRedrawInterval{250};

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
  record.log.push_back({LogKind::Info, TimeValue::Now(),
                        PassEndText(scanner->pass, scanner->progress, scanner->passMicroseconds,
                                    scanner->deviceContext->hasMedium, scanner->unlistedFolders)});
  const ScanLogEntry& entry = record.log.back();
  Print(stream, ToUtf8(LogTimeText(entry.time)) + "  " + ToUtf8(entry.text) + "\n");
  record.EndPass(scanner->pass, scanner->progress, scanner->passMicroseconds);
}

void ScanConsole::OnProgress(const ProgressCtx_t& progress) {
  lastProgress = &progress;
  if (!stopped && InterruptRequested() && scanner != nullptr) {
    stopped = true;
    scanner->Stop();
  }
  DrawProgress(progress, false);
}

void ScanConsole::OnSurfaceState(const SurfaceState_t&) {}

void ScanConsole::OnLogEntry(int kind, const TimeValue& time, const std::u16string& text) {
  record.log.push_back({static_cast<LogKind>(kind), time, text});
  ClearLiveLines();
  Print(stream, ToUtf8(LogTimeText(time)) + "  " + ToUtf8(text) + "\n");
  // The progress line comes back at its next report.
  nextDraw = {};
}

std::string ScanConsole::Figures(const ProgressCtx_t& progress) const {
  const ScanShares shares = SharesOf(progress);
  return std::to_string(ProgressPosition(progress)) + "%  " +
         ToUtf8(SpeedText(progress.recentSpeed)) + "  Good: " + ToUtf8(PercentText(shares.good)) +
         "  Problem: " + ToUtf8(PercentText(shares.problem)) +
         "  Error: " + ToUtf8(PercentText(shares.error));
}

void ScanConsole::DrawProgress(const ProgressCtx_t& progress, bool final) {
  if (live) {
    const Clock::time_point now = Clock::now();
    if (!final && now < nextDraw) return;
    nextDraw = now + kRedrawInterval;
    // Two lines, each within the terminal's width: the status, cut at its
    // start when too long (a file's path keeps its name), then the figures.
    const std::size_t width = static_cast<std::size_t>(TerminalColumns(stream)) - 1;
    std::u16string status = progress.text;
    if (CharacterCount(status) > width) {
      const std::size_t keep = std::min(width > 3 ? width - 3 : 0, status.size());
      status = u"..." + status.substr(status.size() - keep);
    }
    std::string figures = Figures(progress);
    if (figures.size() > width) figures.resize(width);
    Print(stream, std::string(linesShown ? "\r\x1b[1A" : "\r") + ToUtf8(status) + "\x1b[K\n" +
                      figures + "\x1b[K");
    linesShown = true;
    return;
  }
  const int percent = ProgressPosition(progress);
  if (final ? progress.current == printedCurrent : percent == printedPercent) return;
  printedPercent = percent;
  printedCurrent = progress.current;
  const std::string figures = Figures(progress);
  Print(stream,
        progress.text.empty() ? figures + "\n" : ToUtf8(progress.text) + "  " + figures + "\n");
}

void ScanConsole::ClearLiveLines() {
  if (!linesShown) return;
  // Up from the figures to the status line, clearing both.
  Print(stream, "\r\x1b[K\x1b[1A\x1b[K");
  linesShown = false;
}
