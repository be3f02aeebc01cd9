// How the scan page's log shows the time of an entry; the command-line front
// end prints its log the same way.
#pragma once

#include <string>

#include "core/scan/TimeValue.h"

// The time in the local time zone as "%d/%m/%Y %H:%M:%S", e.g.
// "04/07/2024 08:30:00".
std::u16string LogTimeText(const TimeValue& time);
