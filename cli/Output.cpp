#include "cli/Output.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

void Print(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

void PrintError(std::string_view text) {
  Print(stderr, "lumeter-cli: " + std::string(text) + "\n");
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}
