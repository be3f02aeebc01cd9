#include "core/report/ScanLogText.h"

std::u16string LogTimeText(const TimeValue& time) { return time.Format("%d/%m/%Y %H:%M:%S"); }
