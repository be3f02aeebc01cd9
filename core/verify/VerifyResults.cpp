#include "core/verify/VerifyResults.h"

bool VerifyResults::AnyDifference() const {
  return !checksums.differ.empty() || !checksums.missing.empty() ||
         md5Tags.session == CheckOutcome::Differs || !md5Tags.filesDiffer.empty() ||
         implantedMd5 == CheckOutcome::Differs || compare.ImageBeyondSession() > 0 ||
         !compare.imageError.empty();
}
