// The help the front end prints: an overview of the commands, and a few lines
// on each.
#pragma once

#include <string>

#include "cli/CommandLine.h"

// The overview for Verb::None or Verb::Help, else the command's own help.
std::string HelpText(Verb verb);
