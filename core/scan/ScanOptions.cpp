#include "core/scan/ScanOptions.h"

#include <algorithm>

bool ScanOptions::IsValid() const {
  const bool knownReadSize = std::find(kSectorsPerReadChoices.begin(), kSectorsPerReadChoices.end(),
                                       sectorsPerRead) != kSectorsPerReadChoices.end();
  return knownReadSize && attempts >= kMinAttempts && attempts <= kMaxAttempts &&
         skipAfterError >= 0 && skipAfterError <= kMaxSkipAfterError && firstSector >= 0 &&
         speed >= 0 && session >= -1 && (lastSector < 0 || lastSector >= firstSector);
}
