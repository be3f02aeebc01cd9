// Where the front end writes, and its exit statuses.
#pragma once

#include <cstdio>
#include <string_view>

enum ExitStatus : int {
  kExitSuccess = 0,  // done; every sector and file read
  kExitFound = 1,    // problems or errors found, or a scan stopped early
  kExitFailure = 2,  // bad arguments, or a drive, medium, file or output that failed
};

// Writes UTF-8 text to stream and flushes it, so that a reader at the other
// end of a pipe sees each line as it is made. A write to standard output that
// fails (a full disc, a reader gone) is remembered for FinishOutput; false
// then.
bool Print(std::FILE* stream, std::string_view text);

// One line "lumeter-cli: text" on standard error, its control characters
// escaped (EscapedText.h).
void PrintError(std::string_view text);

// Standard output was closed when the program started: what it prints there
// is lost, and FinishOutput says so; a command that prints nothing there
// loses nothing.
void StandardOutputWasClosed();

// Whether anything printed to standard output was lost (its reader gone, a
// full disc, closed), so that a long scan whose reader has gone stops.
bool StandardOutputLost();

// Ends the program's output: flushes and closes standard output. When any of
// it was lost, says so in one line on standard error and returns
// kExitFailure; otherwise status.
int FinishOutput(int status);

// Whether stream is a terminal (a live progress line redraws itself there).
bool IsTerminal(std::FILE* stream);

// The width of the terminal behind stream in columns; 80 when unknown.
int TerminalColumns(std::FILE* stream);

struct ScanResult;
// kExitSuccess when the scan read every sector and file and found no content
// that differs from what the disc or the image records, else kExitFound.
int ScanExitStatus(const ScanResult& result);
