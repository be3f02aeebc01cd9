#include "cli/ScanConsole.h"

#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/Utf8.h"
#include "scan/ScanFigures.h"
#include "scan/SectorScanner.h"

namespace {

// A terminal's line is redrawn at most this often.
constexpr std::chrono::milliseconds kRedrawInterval{250};

constexpr char16_t kFileErrorPrefix[] = u"File error: ";

}  // namespace

ScanConsole::ScanConsole(std::FILE* out) : stream(out), live(IsTerminal(out)) {}

void ScanConsole::Watch(SectorScanner* watched) { scanner = watched; }

void ScanConsole::OnScanStarted() {
  if (depth++ == 0) return;  // the run
  // The passes run in a fixed order: the surface scan first when chosen.
  ++passesStarted;
  filesPass =
      scanner != nullptr && scanner->filesTest && (passesStarted == 2 || !scanner->surfaceScan);
  printedPercent = -1;
  printedCurrent = -1;
  nextDraw = {};
}

void ScanConsole::OnScanFinished() {
  if (--depth == 0) return;  // the run
  // The pass's last state, drawn whatever the time, and left on screen.
  if (lastProgress != nullptr) DrawProgress(*lastProgress, true);
  if (lineShown) Print(stream, "\n");
  lineShown = false;
  lastProgress = nullptr;
  if (filesPass && scanner != nullptr) {
    filesTotal = scanner->progress.total;
    filesChecked = scanner->progress.current;
  }
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
  if (filesPass && kind == static_cast<int>(LogKind::Error)) {
    const std::u16string_view prefix = kFileErrorPrefix;
    fileErrorPaths.push_back(text.starts_with(prefix) ? text.substr(prefix.size()) : text);
  }
  ClearLiveLine();
  Print(stream, ToUtf8(LogTimeText(time)) + "  " + ToUtf8(text) + "\n");
  // The progress line comes back at its next report.
  nextDraw = {};
}

std::string ScanConsole::ProgressLine(const ProgressCtx_t& progress) const {
  const ReadShares shares = ShareOfReads(progress);
  std::string figures = "  " + std::to_string(ProgressPercent(progress)) + "%  " +
                        ToUtf8(SpeedText(progress.speed)) +
                        "  Good: " + ToUtf8(ShareText(shares.good)) +
                        "  Problem: " + ToUtf8(ShareText(shares.problem)) +
                        "  Error: " + ToUtf8(ShareText(shares.error));
  std::u16string status = progress.text;
  if (live) {
    // One terminal line: a long status (a file's path) loses its start.
    const std::size_t room = static_cast<std::size_t>(TerminalColumns(stream)) - 1;
    const std::size_t figureWidth = figures.size();
    if (CharacterCount(status) + figureWidth > room) {
      const std::size_t keep = room > figureWidth + 3 ? room - figureWidth - 3 : 0;
      status = u"..." + status.substr(status.size() - std::min(keep, status.size()));
    }
  }
  return ToUtf8(status) + figures;
}

void ScanConsole::DrawProgress(const ProgressCtx_t& progress, bool final) {
  if (live) {
    const Clock::time_point now = Clock::now();
    if (!final && now < nextDraw) return;
    nextDraw = now + kRedrawInterval;
    Print(stream, "\r" + ProgressLine(progress) + "\x1b[K");
    lineShown = true;
    return;
  }
  const int percent = ProgressPercent(progress);
  if (final ? progress.current == printedCurrent : percent == printedPercent) return;
  printedPercent = percent;
  printedCurrent = progress.current;
  Print(stream, ProgressLine(progress) + "\n");
}

void ScanConsole::ClearLiveLine() {
  if (!lineShown) return;
  Print(stream, "\r\x1b[K");
  lineShown = false;
}
