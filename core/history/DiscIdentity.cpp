#include "core/history/DiscIdentity.h"

#include <openssl/evp.h>

#include <vector>

#include "core/disc/DeviceContext.h"
#include "core/report/Utf8.h"

namespace {

// Reads of a sector that fails before its disc counts as unknown: a drive
// often reads at the second try what it missed at the first.
constexpr int kReadAttempts = 3;

std::string LabelOf(std::u16string label) {
  if (label == kUndefinedText) label.clear();
  while (!label.empty() && label.back() == u' ') label.pop_back();
  return ToUtf8(label);
}

std::string IsoLabel(const DeviceContext& context) {
  wrenlo::IsoVolumeInfo volume{};
  std::string label =
      LabelOf(context.GetIsoVolumeInfo(volume, wrenlo::kFileSystemJoliet).volumeLabel.str());
  if (label.empty())
    label = LabelOf(context.GetIsoVolumeInfo(volume, wrenlo::kFileSystemIso9660).volumeLabel.str());
  return label;
}

std::string UdfLabel(const DeviceContext& context) {
  wrenlo::Handle session = 0;
  if (wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, context.GetSessionInfo(-1).firstTrack,
                              &session, wrenlo::kFileSystemUdf) != 0)
    return {};
  wrenlo::UdfVolumeInfo volume{};
  volume.volumeLabel.set(kUndefinedText);
  wrenlo::GetUDFVolumeInformation(session, &volume);
  wrenlo::CloseDiskSession(session);
  return LabelOf(volume.volumeLabel.str());
}

// Every session's start and length, as text.
std::string SessionTable(const DeviceContext& context) {
  std::string table;
  for (const auto& [number, session] : context.Sessions()) {
    const std::int32_t start = session.startSector, count = session.sectorCount;
    table +=
        std::to_string(number) + " " + std::to_string(start) + " " + std::to_string(count) + "\n";
  }
  return table;
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < size; ++i) {
    hex.push_back(kHex[digest[i] >> 4]);
    hex.push_back(kHex[digest[i] & 15]);
  }
  return hex;
}

bool IdentifyDisc(const DeviceContext& context, DiscIdentity& out, std::string& error) {
  out = DiscIdentity{};
  if (!context.hasMedium) {
    error = "no medium in the drive";
    return false;
  }
  const wrenlo::SessionInfo session = context.GetSessionInfo(-1);
  const std::int32_t start = session.startSector, count = session.sectorCount;
  std::vector<std::uint8_t> buffer;
  const SessionSectorReader read = [&](std::int32_t sector, std::uint8_t* bytes) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
      if (context.ReadSector(buffer, sector, -1) != 0) continue;
      std::copy(buffer.begin(), buffer.end(), bytes);
      return true;
    }
    return false;
  };
  VolumeDescriptors descriptors;
  if (!ReadVolumeDescriptors(read, std::max(start, 0), std::max(count, 0), descriptors)) {
    error = "the disc's volume descriptors cannot be read";
    return false;
  }
  out.sectors = std::max(count, 0);
  out.created = descriptors.created;
  switch (descriptors.kind) {
    case VolumeDescriptors::Kind::Iso9660:
      out.fileSystem = "ISO 9660";
      out.label = IsoLabel(context);
      out.descriptorHash = Sha256Hex(descriptors.bytes);
      break;
    case VolumeDescriptors::Kind::Udf:
      out.fileSystem = "UDF";
      out.label = UdfLabel(context);
      out.descriptorHash = Sha256Hex(descriptors.bytes);
      break;
    case VolumeDescriptors::Kind::None:
      out.fileSystem = "none";
      out.descriptorHash = Sha256Hex(SessionTable(context));
      break;
  }
  if (out.descriptorHash.empty()) {
    error = "the disc's descriptors cannot be hashed";
    return false;
  }
  return true;
}
