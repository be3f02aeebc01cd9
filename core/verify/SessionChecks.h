// The checks of a whole session's content: what it records (xorriso's MD5s,
// an implanted MD5) read before a scan, the session's blocks fed to them as a
// surface scan reads them or, for a files test, read for them afterwards;
// and a surface scan's comparison with an image.
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "core/scan/ISectorScannerCallback.h"
#include "core/verify/ImageComparison.h"
#include "core/verify/SessionDigests.h"
#include "core/verify/VerifyResults.h"
#include "core/verify/XorrisoMd5.h"

// The digests of the current device's session that starts at block start,
// for a read of the session after a files test: recorded's, and its implanted
// MD5, read from its primary volume descriptor now.
SessionDigests SessionDigestsFor(std::uint64_t start, const RecordedMd5s* recorded);

// Reads the session's blocks from start up to the digests' end, in runs, and
// feeds them; a run that fails feeds its blocks as not read. Stops early
// when stop() turns true; kResultNoMedium when the medium went, else 0.
std::int32_t ReadForDigests(SessionDigests& digests, std::uint64_t start,
                            const std::function<bool()>& stop);

class SurfaceChecks {
 public:
  // For a surface scan of the current device's last session; whole when it
  // reads every sector in order (no range, no retry), which the session's
  // checksums need (an implanted MD5 is found as the scan reads it). image
  // may be null.
  SurfaceChecks(const wrenlo::SessionInfo& session, bool whole,
                std::shared_ptr<ImageComparison> image);

  // A sector (numbered within the session) read with the state it got, and
  // its data: the state it keeps (Differs when it differs from the image).
  SectorState Read(std::int32_t sector, const std::uint8_t* data, SectorState state);
  // A sector that did not read.
  void Unread(std::int32_t sector);

  void Finish(VerifyResults& out) const;

 private:
  std::uint64_t start_ = 0;
  std::optional<SessionDigests> digests_;
  std::shared_ptr<ImageComparison> image_;
  CompareResults compare_;
};
