// Shortening a text that is too long by cutting out its middle, so that both
// its start (a drive letter) and its end (the distinguishing end of a file
// name) stay.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// text itself when it has at most maxUnits code units; else its first and
// last units around "…", maxUnits units in all (the end gets the odd unit).
// A character of two units (a surrogate pair) is never cut in two.
std::u16string ElideMiddle(std::u16string_view text, std::size_t maxUnits);
