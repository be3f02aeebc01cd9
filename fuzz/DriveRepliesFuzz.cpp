// Feeds arbitrary bytes to every decoder of drive replies and sense data,
// and what they decode to the medium layout and the capability table:
// nothing may crash, hang or read outside the bytes given.
#include <wrenlo/wrenlo.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "CapabilityTable.h"
#include "FeatureReplies.h"
#include "IdentityReplies.h"
#include "MediumLayoutBuilder.h"
#include "MediumReplies.h"
#include "Sense.h"

using namespace wrenlo::drive;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  DecodeSense(bytes);
  DecodeInquiry(bytes);
  DecodeSupportedVpdPages(bytes);
  DecodeUnitSerialNumber(bytes);
  if (const auto state = DecodeRpcState(bytes)) RegionOf(*state);
  DecodeBufferCapacity(bytes);
  DecodeWriteSpeedDescriptors(bytes);
  DecodeDiscInformation(bytes);
  DecodeCapacity(bytes);
  DecodeMediaStatus(bytes);

  DriveFeatures features;
  features.capabilitiesPage = DecodeCapabilitiesPage(bytes);
  if (auto config = DecodeConfiguration(bytes)) features.configuration = std::move(*config);
  for (const CapabilityRow& row : CapabilityRows()) HasCapability(row.code, features);

  // The same bytes as a TOC, and as track information for its tracks.
  MediumFacts facts;
  if (const auto toc = DecodeToc(bytes)) facts.toc = *toc;
  for (std::size_t at = 0; at + 48 <= size && facts.trackInfo.size() < 99; at += 48)
    if (const auto info = DecodeTrackInformation(bytes.subspan(at, 48)))
      facts.trackInfo.push_back(*info);
  wrenlo::MediumLayout layout;
  BuildMediumLayout(facts, layout);
  return 0;
}
