#include "core/verify/CheckOutcome.h"

#include <algorithm>

std::string_view OutcomeName(CheckOutcome outcome) {
  switch (outcome) {
    case CheckOutcome::Matched:
      return "matched";
    case CheckOutcome::Differs:
      return "differs";
    case CheckOutcome::Unchecked:
      return "unchecked";
    case CheckOutcome::None:
      break;
  }
  return "none";
}

std::string_view OutcomeWords(CheckOutcome outcome) {
  switch (outcome) {
    case CheckOutcome::Matched:
      return "matches";
    case CheckOutcome::Differs:
      return "differs";
    case CheckOutcome::Unchecked:
      return "not checked, not every sector it covers was read";
    case CheckOutcome::None:
      break;
  }
  return "none";
}

CheckOutcome Combine(CheckOutcome a, CheckOutcome b) {
  for (const CheckOutcome first :
       {CheckOutcome::Differs, CheckOutcome::Unchecked, CheckOutcome::Matched})
    if (a == first || b == first) return first;
  return CheckOutcome::None;
}
