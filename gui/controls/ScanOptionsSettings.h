// The scan options the user chose last, kept in the program's settings. The
// retry is not kept: it refers to the last scan of a medium in this run.
#pragma once

#include "core/scan/ScanOptions.h"

// The options saved last; a value that is missing or out of range is the
// default.
ScanOptions LoadScanOptions();
void SaveScanOptions(const ScanOptions& options);
