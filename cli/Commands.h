// The front end's commands. Each prints its result, reports its failures on
// standard error, and returns the exit status.
#pragma once

#include "cli/CommandLine.h"

int RunDevices(const CommandLine& command);
// info and media: the rows of the Device Features or the Media page.
int RunPage(const CommandLine& command);
// scan, and compare: a surface scan that compares each sector with an image.
int RunScan(const CommandLine& command);
int RunDump(const CommandLine& command);
int RunSave(const CommandLine& command);
// files: every file of the last session with its size and sectors.
int RunFiles(const CommandLine& command);
// whohas: the files and structures on one sector of the last session.
int RunWhoHas(const CommandLine& command);
// report: the drive, the medium and a scan, as an HTML or JSON file.
int RunReport(const CommandLine& command);
// copy: the disc to an image in passes, with a mapfile to resume from.
int RunCopy(const CommandLine& command);
// history: the kept scans of the disc in a drive or of every disc, or
// forgetting one.
int RunHistory(const CommandLine& command);
// extract: the files of a session into a folder, unreadable sectors as zeros.
int RunExtract(const CommandLine& command);
