// What an extraction tells its user when it ends, the same in the terminal
// and in the window: the summary lines, and the manifest written into the
// folder extracted to.
#pragma once

#include <string>

#include "core/extract/ExtractReport.h"
#include "core/io/OutputFile.h"

// The counts, then a line per incomplete file (its missing bytes and their
// sectors), per renamed entry, per existing file or link not replaced and
// per link that could not be made, and one when the extraction was
// cancelled. Disc names with control characters show
// them escaped.
std::string ExtractSummaryText(const ExtractReport& report);

// Where the manifest of an extraction into folder goes.
std::string ExtractManifestPath(const std::string& folder);

// Writes the manifest of report into folder, as an output file (never over
// one of the program's inputs). False with error set.
bool WriteExtractManifest(const std::string& folder, const ExtractReport& report,
                          std::string& error,
                          OutputFile::Writer writer = OutputFile::DefaultWriter());
