// Ctrl-C during a scan. The first SIGINT only raises a flag, which the scan's
// receiver sees at its next report and answers as the Stop button does; the
// handler itself does nothing else, so it is safe at any moment. The handler
// then gives way to the default action, so a second Ctrl-C ends the program
// at once (for a drive that hangs in one read).
#pragma once

// Installs the handler and lowers the flag.
void CatchInterrupt();

// Whether a SIGINT came since CatchInterrupt.
bool InterruptRequested();
