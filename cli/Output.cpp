#include "cli/Output.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/report/EscapedText.h"
#include "core/report/ScanSummary.h"

namespace {

// The error of the first write to standard output that failed; 0 for none.
// A scan prints from its worker thread.
std::atomic<int> outputError{0};
// Standard output was closed when the program started: whatever is printed
// there is lost.
std::atomic<bool> outputClosed{false};

void NoteOutputError(int error) {
  int none = 0;
  outputError.compare_exchange_strong(none, error == 0 ? EIO : error);
}

}  // namespace

bool Print(std::FILE* stream, std::string_view text) {
  if (stream == stdout && outputClosed.load() && !text.empty()) NoteOutputError(EBADF);
  if (stream == stdout && outputError.load() != 0) return false;
  errno = 0;
  const bool written =
      std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
  if (!written && stream == stdout) NoteOutputError(errno);
  return written;
}

void PrintError(std::string_view text) {
  // Names in it come from discs, files and the command line.
  Print(stderr, "lumeter-cli: " + WithControlsEscaped(text) + "\n");
}

void StandardOutputWasClosed() { outputClosed.store(true); }

bool StandardOutputLost() { return outputError.load() != 0; }

int FinishOutput(int status) {
  errno = 0;
  if (std::fclose(stdout) != 0) NoteOutputError(errno);
  const int error = outputError.load();
  if (error == 0) return status;
  PrintError(std::string("cannot write to standard output: ") + std::strerror(error));
  return kExitFailure;
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

int ScanExitStatus(const ScanResult& result) {
  return ReadEverything(result) && !FoundDifference(result) ? kExitSuccess : kExitFound;
}
