#include "MmcDrive.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <vector>

#include "CdSectors.h"
#include "FeatureReplies.h"
#include "MediumLayoutBuilder.h"
#include "MediumReplies.h"
#include "MmcCommands.h"
#include "ReplyBytes.h"

namespace wrenlo::drive {

namespace {

constexpr std::uint16_t kFeatureSerialNumber = 0x0108;
constexpr std::uint8_t kPageCapabilities = 0x2A;
constexpr std::uint8_t kVpdUnitSerialNumber = 0x80;
constexpr std::uint32_t kSectorBytes = 2048;

constexpr std::uint8_t kVpdSupportedPages = 0x00;

bool IsCdProfile(std::uint16_t profile) { return profile >= 0x0008 && profile <= 0x000A; }

std::u16string Widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// True when the drive's Supported VPD Pages list names page.
bool ListsVpdPage(ScsiDevice& device, std::uint8_t page) {
  const Reply reply = InquiryVpd(device, kVpdSupportedPages);
  if (reply.result != kOk) return false;
  const auto pages = DecodeSupportedVpdPages(reply.bytes);
  return pages && std::find(pages->begin(), pages->end(), page) != pages->end();
}

}  // namespace

MmcDrive::MmcDrive(std::unique_ptr<ScsiDevice> device, std::uint32_t maxTransferSectors)
    : device_(std::move(device)),
      maxTransferSectors_(std::max<std::uint32_t>(1, maxTransferSectors)) {}

const MmcDrive::DriveFacts& MmcDrive::Facts() {
  std::call_once(factsOnce_, [this] { facts_ = LoadFacts(); });
  return facts_;
}

MmcDrive::DriveFacts MmcDrive::LoadFacts() {
  ScsiDevice& device = *device_;
  DriveFacts facts;
  DriveIdentity& id = facts.identity;

  const Reply inquiry = Inquiry(device);
  if (inquiry.result == kOk) {
    if (const auto data = DecodeInquiry(inquiry.bytes)) {
      id.vendor = Widen(data->vendor);
      id.model = Widen(data->product);
      id.revision = Widen(data->revision);
      id.firmwareRevision = id.revision;
    }
  }

  const Reply configuration = GetConfiguration(device);
  if (configuration.result == kOk) {
    if (auto config = DecodeConfiguration(configuration.bytes))
      facts.features.configuration = std::move(*config);
  }
  const Reply modeSense = ModeSense10(device, kPageCapabilities);
  if (modeSense.result == kOk)
    facts.features.capabilitiesPage = DecodeCapabilitiesPage(modeSense.bytes);

  // Serial number: the Logical Unit Serial Number feature, else VPD 80h.
  const auto& features = facts.features.configuration.features;
  if (const auto it = features.find(kFeatureSerialNumber); it != features.end()) {
    id.serialNumber = Widen(ReplyBytes(it->second).Ascii(4, it->second.size()));
  } else if (ListsVpdPage(device, kVpdUnitSerialNumber)) {
    const Reply vpd = InquiryVpd(device, kVpdUnitSerialNumber);
    if (vpd.result == kOk) {
      if (const auto serial = DecodeUnitSerialNumber(vpd.bytes)) id.serialNumber = Widen(*serial);
    }
  }

  const Reply rpc = ReportKeyRpcState(device);
  if (rpc.result == kOk) {
    if (const auto state = DecodeRpcState(rpc.bytes)) {
      id.regionCode = RegionOf(*state);
      id.userChangesLeft = state->userChanges;
    }
  }

  // Buffer and speeds: page 2Ah where it fills them, else the newer commands.
  const ReplyBytes page(facts.features.capabilitiesPage
                            ? std::span<const std::uint8_t>(*facts.features.capabilitiesPage)
                            : std::span<const std::uint8_t>());
  id.bufferSizeKB = page.U16(12);
  if (id.bufferSizeKB == 0) {
    const Reply buffer = ReadBufferCapacity(device);
    if (buffer.result == kOk) {
      if (const auto bytes = DecodeBufferCapacity(buffer.bytes))
        id.bufferSizeKB = static_cast<std::int32_t>(*bytes / 1024);
    }
  }
  const bool writes = WritesAnything(facts.features);
  facts.maxReadKB = page.U16(8);
  facts.maxWriteKB = writes ? page.U16(18) : 0;
  if (facts.maxReadKB == 0 || (writes && facts.maxWriteKB == 0)) {
    const Reply performance = GetWriteSpeedPerformance(device);
    if (performance.result == kOk) {
      if (const auto limits = DecodeWriteSpeedDescriptors(performance.bytes)) {
        const auto clamp = [](std::uint32_t kb) {
          return static_cast<std::int32_t>(std::min<std::uint32_t>(kb, 0x7FFFFFFF));
        };
        if (facts.maxReadKB == 0) facts.maxReadKB = clamp(limits->readKB);
        if (writes && facts.maxWriteKB == 0) facts.maxWriteKB = clamp(limits->writeKB);
      }
    }
  }
  return facts;
}

DriveIdentity MmcDrive::Identity() { return Facts().identity; }

bool MmcDrive::HasCapability(std::uint64_t code) {
  return drive::HasCapability(code, Facts().features);
}

std::int32_t MmcDrive::MaxReadSpeedKB() { return Facts().maxReadKB; }

std::int32_t MmcDrive::MaxWriteSpeedKB() { return Facts().maxWriteKB; }

Result MmcDrive::Medium(MediumLayout& out) {
  std::uint16_t profile = kProfileNone;
  MediumLayout layout;
  const Result result = DescribeMedium(layout, profile);
  if (result != kOk) {
    SetReadMap(nullptr);
    return result;
  }
  SetReadMap(std::make_shared<const SectorReadMap>(IsCdProfile(profile) ? SectorReadMap(layout)
                                                                        : SectorReadMap()));
  out = std::move(layout);
  return kOk;
}

Result MmcDrive::DescribeMedium(MediumLayout& layout, std::uint16_t& profile) {
  ScsiDevice& device = *device_;
  // The media event status answers "tray open" and "no medium" without
  // waiting for the drive, and takes a pending media event off the drive.
  const Reply event = GetMediaEventStatus(device);
  if (event.result == kOk) {
    if (const auto status = DecodeMediaStatus(event.bytes);
        status && (status->trayOpen || !status->present))
      return kNoMedium;
  }
  if (const Result ready = TestUnitReady(device); ready != kOk) return ready;

  profile = kProfileCdRom;  // drives without GET CONFIGURATION read CDs
  const Reply header = GetConfigurationHeader(device);
  if (header.result == kOk) {
    if (const auto config = DecodeConfiguration(header.bytes)) {
      if (config->currentProfile == kProfileNone) return kNoMedium;
      profile = config->currentProfile;
    }
  }

  MediumFacts facts;
  const Reply toc = ReadToc(device);
  if (toc.result != kOk) return toc.result;
  const auto decoded = DecodeToc(toc.bytes);
  if (!decoded) return kTransportError;
  facts.toc = *decoded;

  bool everyTrackInfo = true;
  for (const TocEntry& entry : facts.toc.entries) {
    if (entry.track < 1 || entry.track > 99) continue;
    const Reply info = ReadTrackInformation(device, entry.track);
    const auto track = info.result == kOk ? DecodeTrackInformation(info.bytes) : std::nullopt;
    if (!track) {  // the drive has no READ TRACK INFORMATION
      everyTrackInfo = false;
      break;
    }
    facts.trackInfo.push_back(*track);
  }
  // Without it, a CD's full TOC says which session each track is in.
  if (!everyTrackInfo && IsCdProfile(profile)) {
    const Reply fullToc = ReadFullToc(device);
    if (fullToc.result == kOk) facts.fullToc = DecodeFullToc(fullToc.bytes);
  }
  const Reply capacity = ReadCapacity(device);
  if (capacity.result == kOk) {
    if (const auto decodedCapacity = DecodeCapacity(capacity.bytes))
      facts.sectorCount = decodedCapacity->lastAddress + 1;
  }

  layout.typeName = ProfileName(profile);
  return BuildMediumLayout(facts, layout);
}

Result MmcDrive::Eject() {
  SetReadMap(nullptr);
  // Removal may have been prevented (by us or another program); allow it.
  PreventAllowMediumRemoval(*device_, false);
  return StartStopUnit(*device_, true, false);
}

Result MmcDrive::CloseTray() {
  SetReadMap(nullptr);
  return StartStopUnit(*device_, true, true);
}

Result MmcDrive::MediumPresence(bool& present, std::uint32_t& changes) {
  // Event codes 2 new media, 3 media removal, 4 media changed.
  constexpr std::uint8_t kNewMedia = 2, kMediaChanged = 4;
  const Reply event = GetMediaEventStatus(*device_);
  const auto status = event.result == kOk ? DecodeMediaStatus(event.bytes) : std::nullopt;
  if (status) {
    if (status->event >= kNewMedia && status->event <= kMediaChanged) ++mediaEvents_;
    present = status->present && !status->trayOpen;
  } else {
    const Result ready = TestUnitReady(*device_);
    if (ready == kTransportError || ready == kTimeout || ready == kPermissionDenied) return ready;
    present = ready == kOk;
  }
  changes = mediaEvents_.load();
  return kOk;
}

void MmcDrive::SetReadMap(std::shared_ptr<const SectorReadMap> map) {
  std::lock_guard lock(readMapMutex_);
  readMap_ = std::move(map);
}

std::shared_ptr<const SectorReadMap> MmcDrive::ReadMap() {
  {
    std::lock_guard lock(readMapMutex_);
    if (readMap_) return readMap_;
  }
  MediumLayout layout;
  Medium(layout);
  std::lock_guard lock(readMapMutex_);
  // Still unknown when the drive describes no medium: every sector as blocks.
  return readMap_ ? readMap_ : std::make_shared<const SectorReadMap>();
}

std::uint32_t MmcDrive::CdChunk(std::uint32_t sectorBytes) const {
  return std::max<std::uint32_t>(1, maxTransferSectors_ * kSectorBytes / sectorBytes);
}

Result MmcDrive::ReadAudio(std::uint32_t address, std::uint32_t count, std::uint8_t* out,
                           std::size_t sectorBytes) {
  bool c2 = !c2Refused_ && HasCapability(cap::SupportsC2Pointers);
  std::vector<std::uint8_t> returned;
  const auto read = [&] {
    const std::uint32_t returnedBytes = kCdSectorBytes + (c2 ? kC2PointerBytes : 0);
    returned.assign(std::size_t{count} * returnedBytes, 0);
    return ReadCd(*device_, address, count, kCdSectorCdda,
                  kCdFieldsUserData | (c2 ? kCdFieldC2Pointers : 0), returned);
  };
  Result result = read();
  if (result == kIllegalRequest && c2) {
    c2 = false;
    result = read();
    if (result == kOk) c2Refused_ = true;
  }
  if (result != kOk) return result;
  const std::size_t returnedBytes = returned.size() / count;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto sector =
        std::span<const std::uint8_t>(returned).subspan(i * returnedBytes, returnedBytes);
    if (const Result r = AudioSectorData(sector, c2, out + i * sectorBytes, sectorBytes); r != kOk)
      return r;
  }
  return kOk;
}

Result MmcDrive::ReadWholeData(std::uint32_t address, std::uint32_t count, std::uint8_t* out,
                               std::size_t sectorBytes) {
  if (sectorBytes == kCdSectorBytes)
    return ReadCd(*device_, address, count, kCdSectorAny, kCdFieldsWholeSector,
                  std::span<std::uint8_t>(out, std::size_t{count} * kCdSectorBytes));
  std::vector<std::uint8_t> returned(std::size_t{count} * kCdSectorBytes);
  if (const Result result =
          ReadCd(*device_, address, count, kCdSectorAny, kCdFieldsWholeSector, returned);
      result != kOk)
    return result;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto sector =
        std::span<const std::uint8_t>(returned).subspan(i * kCdSectorBytes, kCdSectorBytes);
    if (const Result r = DataSectorData(sector, out + std::size_t{i} * kSectorBytes); r != kOk)
      return r;
  }
  return kOk;
}

template <typename How>
Result MmcDrive::ReadInRuns(std::uint32_t address, std::uint32_t count, std::uint8_t* out,
                            std::size_t sectorBytes, How how) {
  if (count != 0 && out == nullptr) return kInvalidArgument;
  if (std::uint64_t{address} + count > 0x100000000ull) return kOutOfRange;
  if (count == 0) return kOk;
  const std::shared_ptr<const SectorReadMap> map = ReadMap();
  while (count > 0) {
    // One command never spans two tracks read differently.
    const SectorReadMap::Run run = map->At(address);
    std::uint32_t chunk =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(count, run.end - address));
    Result result = kOk;
    switch (how(run.how)) {
      case SectorRead::kBlocks:
        chunk = std::min(chunk, maxTransferSectors_);
        result = ReadBlocks(*device_, address, chunk, out);
        break;
      case SectorRead::kAudio:
        chunk = std::min(chunk, CdChunk(kCdSectorBytes + kC2PointerBytes));
        result = ReadAudio(address, chunk, out, sectorBytes);
        break;
      case SectorRead::kWholeData:
        chunk = std::min(chunk, CdChunk(kCdSectorBytes));
        result = ReadWholeData(address, chunk, out, sectorBytes);
        break;
    }
    if (result != kOk) return result;
    address += chunk;
    count -= chunk;
    out += chunk * sectorBytes;
  }
  return kOk;
}

Result MmcDrive::Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  return ReadInRuns(address, count, out, kSectorBytes, [](SectorRead how) { return how; });
}

Result MmcDrive::ReadRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  if (count != 0 && !ReadMap()->IsCd()) return kUnsupported;
  // Audio frames as they are; every other sector whole, those of data tracks
  // that READ(10) reads included.
  return ReadInRuns(address, count, out, kCdSectorBytes, [](SectorRead how) {
    return how == SectorRead::kAudio ? how : SectorRead::kWholeData;
  });
}

Result MmcDrive::SetReadSpeed(std::int32_t kbPerSecond) {
  const bool restore = kbPerSecond <= 0;
  const std::uint32_t sectors = SectorCount();
  const Result streaming =
      SetStreaming(*device_, sectors == 0 ? 0 : sectors - 1,
                   restore ? 0 : static_cast<std::uint32_t>(kbPerSecond), restore);
  // 0xFFFF is the drive's fastest; a faster speed asked for is that too.
  const Result cdSpeed = SetCdSpeed(
      *device_, restore ? 0xFFFF : static_cast<std::uint16_t>(std::min(kbPerSecond, 0xFFFF)));
  return streaming == kOk ? streaming : cdSpeed;
}

std::uint32_t MmcDrive::SectorCount() const {
  const Reply capacity = ReadCapacity(*device_);
  if (capacity.result != kOk) return 0;
  const auto decoded = DecodeCapacity(capacity.bytes);
  return decoded ? decoded->lastAddress + 1 : 0;
}

}  // namespace wrenlo::drive
