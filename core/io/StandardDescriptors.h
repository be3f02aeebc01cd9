// Standard input, output and error closed when the program starts would be
// taken by the next file it opens, and output meant for the terminal would
// land inside that file. Opening them on /dev/null first prevents that.
#pragma once

struct ClosedDescriptors {
  bool input = false;
  bool output = false;
  bool error = false;
};

// Opens each of descriptors 0, 1 and 2 that is closed on /dev/null, and says
// which were. Call first thing in main, before any file is opened.
ClosedDescriptors OpenStandardDescriptors();
