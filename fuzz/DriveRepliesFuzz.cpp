// Feeds arbitrary bytes to every decoder of drive replies, sense data and
// sectors READ CD returns, and what they decode to the medium layout, the
// way its sectors are read and the capability table: nothing may crash, hang
// or read outside the bytes given.
#include <wrenlo/wrenlo.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "CapabilityTable.h"
#include "CdSectors.h"
#include "FeatureReplies.h"
#include "IdentityReplies.h"
#include "MediumLayoutBuilder.h"
#include "MediumReplies.h"
#include "MmcCommands.h"
#include "SectorReadMap.h"
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

  // The same bytes as a TOC, as a full TOC, and as track information for
  // its tracks; the layout they make, and how its sectors are read.
  MediumFacts facts;
  if (const auto toc = DecodeToc(bytes)) facts.toc = *toc;
  facts.fullToc = DecodeFullToc(bytes);
  for (std::size_t at = 0; at + 48 <= size && facts.trackInfo.size() < 99; at += 48)
    if (const auto info = DecodeTrackInformation(bytes.subspan(at, 48)))
      facts.trackInfo.push_back(*info);
  wrenlo::MediumLayout layout;
  if (BuildMediumLayout(facts, layout) == wrenlo::kOk) {
    const SectorReadMap map(layout);
    for (const wrenlo::TrackLayout& track : layout.tracks) {
      map.At(track.start);
      map.At(track.start + track.sectorCount);
    }
  }

  // The bytes as sectors READ CD returned.
  std::uint8_t user[2048];
  if (size >= kCdSectorBytes) {
    DataSectorData(bytes.first(kCdSectorBytes), user);
    AudioSectorData(bytes.first(kCdSectorBytes), false, user);
  }
  if (size >= kCdSectorBytes + kC2PointerBytes)
    AudioSectorData(bytes.first(kCdSectorBytes + kC2PointerBytes), true, user);
  return 0;
}
