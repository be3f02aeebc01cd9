// How a check against a recorded checksum came out.
#pragma once

#include <cstdint>
#include <string_view>

enum class CheckOutcome : std::uint8_t {
  None,  // the disc records nothing to check against
  Matched,
  Differs,
  Unchecked,  // there is something, but not every byte it covers was read
};

// "none", "matched", "differs", "unchecked": the JSON values.
std::string_view OutcomeName(CheckOutcome outcome);
// The words the log and the report say it in: "matches", "differs", "not
// checked, not every sector it covers was read", "none".
std::string_view OutcomeWords(CheckOutcome outcome);
// Joins two checks of one thing: any difference wins, then anything not
// checked, then a match.
CheckOutcome Combine(CheckOutcome a, CheckOutcome b);
