// A scan of a drive's medium from the command line, as scan and report run
// it: progress and log on a stream, Ctrl-C stopping it, and what it found
// kept as the window keeps a scan.
#pragma once

#include <cstdio>

#include "core/scan/ScanOptions.h"
#include "core/scan/ScanRecord.h"

class DeviceContext;

// Runs the chosen passes on context with options and waits for their end.
// The record holds the table, the log, the passes, the times and, after a
// surface scan, the read-speed curve and the damage index. With keepHistory
// the run is kept in the scan history (the disc identified before it
// starts); a history that cannot be written is one warning on standard
// error and changes nothing else.
ScanRecord ScanDrive(const DeviceContext& context, bool surface, bool files,
                     const ScanOptions& options, std::FILE* progress, bool keepHistory);
