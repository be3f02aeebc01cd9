// A snapshot of one drive and the medium in it, taken once from the disc
// engine when the context is built and never changed afterwards, so that the
// UI thread and a scan's worker may read it at the same time without a lock.
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class DeviceContext {
 public:
  explicit DeviceContext(std::uint16_t driveLetter);
  virtual ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  // Reads one sector, numbered from the start of a session (a negative session
  // means the last one), into buffer, which leaves with exactly 2048 bytes.
  // Returns the engine's result, 0 = success.
  std::int32_t ReadSector(std::vector<std::uint8_t>& buffer, std::int32_t sector,
                          std::int32_t session) const;
  // Reads count sectors from sector in one engine call, as ReadSector does;
  // buffer leaves with exactly count × 2048 bytes.
  std::int32_t ReadSectors(std::vector<std::uint8_t>& buffer, std::int32_t sector,
                           std::int32_t count, std::int32_t session) const;
  // The same from a device address (a sector counted from the disc's start).
  std::int32_t ReadSectorsAt(std::vector<std::uint8_t>& buffer, std::int32_t address,
                             std::int32_t count) const;
  // The record of a session (negative = last); the default record when the
  // medium has no such session.
  wrenlo::SessionInfo GetSessionInfo(std::int32_t session) const;
  // The ISO 9660 (kFileSystemIso9660) or Joliet (kFileSystemJoliet) volume
  // record of the last session; preset texts where the engine wrote nothing.
  wrenlo::IsoVolumeInfo& GetIsoVolumeInfo(wrenlo::IsoVolumeInfo& out,
                                          std::int32_t fileSystem) const;
  // Appends the paths of every file of the last session, pre-order, each
  // name after a '/' ("/DOCS/A.TXT"); symbolic links, which have no data of
  // their own, are left out. With unlisted, also appends what could not be
  // listed, as "WHAT: why" (why is the engine's result name): "file system"
  // when the session announces a file system that does not open, a
  // directory's path ("/" for the root) when its listing fails. A session
  // without a file system lists nothing and is no failure.
  void CollectFiles(std::vector<std::u16string>& files,
                    std::vector<std::u16string>* unlisted = nullptr) const;
  const std::map<std::int32_t, wrenlo::SessionInfo>& Sessions() const { return sessions; }
  // Whether the drive is one of the engine's virtual drives holding a disc
  // image, which say so in their vendor.
  bool IsVirtualDrive() const { return std::u16string_view(vendor) == u"Virtual"; }

  static wrenlo::SessionInfo DefaultSessionInfo();

  std::uint16_t driveLetter;
  bool hasMedium = false;
  wrenlo::DeviceInformationEx deviceInfo;
  wrenlo::MediumInformation medium;
  std::map<std::int32_t, wrenlo::SessionInfo> sessions;
  // An engine that fails without writing these leaves them zero: no handle,
  // no speed, empty texts.
  wrenlo::Handle capabilitiesHandle = 0;
  std::int32_t maxReadSpeed = 0;
  std::int32_t maxWriteSpeed = 0;
  char16_t vendor[9] = {};
  char16_t model[17] = {};
  char16_t revision[6] = {};

 private:
  void LoadInformation();
  void CollectDirectory(wrenlo::Handle diskSession, const std::u16string& path,
                        std::vector<std::u16string>& files,
                        std::vector<std::u16string>* unlisted) const;
};

// The text an engine record's string field holds until the engine writes it.
inline constexpr char16_t kUndefinedText[] = u"BS_NDEF";
