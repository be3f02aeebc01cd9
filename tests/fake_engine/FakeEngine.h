// A scriptable stand-in for the wrenlo engine, linked into tests in place of
// the real library. It records every call with its arguments, in order, and
// answers from a script. Everything a script leaves unset is left untouched
// in the caller's records, as a silent engine would.
#pragma once

#include <wrenlo/wrenlo.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fake {

struct DirectoryChild {
  std::u16string name;
  bool isDirectory = false;
  bool isLink = false;
  // The modification time ReadDirectory gives, when known.
  bool timeKnown = false;
  std::int64_t seconds = 0;
  std::int32_t nanoseconds = 0;
};

// One record ListSessionLayout and ListMediumLayout list.
struct LayoutItem {
  std::int32_t kind = wrenlo::kLayoutStructure;
  std::u16string name;
  std::uint64_t size = 0;
  std::vector<wrenlo::SectorRun> runs;
  std::uint32_t flags = wrenlo::kLayoutFilesTestTree;
};

struct Script {
  // Result of each operation by its name ("ReadSectors", ...); 0 when absent.
  std::map<std::string, std::int32_t> results;

  std::vector<std::u16string> devices;      // display texts GetDevices reports
  std::optional<std::int32_t> deviceCount;  // reported count; devices.size() when unset
  // Whole reasons GetDeviceUnusableReason gives, by drive letter (its calls
  // are not logged: the drive list asks it for its tooltips).
  std::map<std::int32_t, std::u16string> unusableReasons;
  // Whole names and paths GetDeviceName and GetDevicePath give, the same way.
  std::map<std::int32_t, std::u16string> names;
  std::map<std::int32_t, std::u16string> paths;

  std::optional<std::array<std::u16string, 3>> identity;  // vendor, model, revision
  std::optional<wrenlo::DeviceInformationEx> deviceInfoEx;
  std::optional<wrenlo::Handle> capabilitiesHandle;
  std::map<std::uint64_t, std::uint8_t> capabilities;  // answer byte per code
  std::optional<std::int32_t> maxReadSpeed;
  std::optional<std::int32_t> maxBurnSpeed;
  std::optional<wrenlo::MediumInformation> medium;
  std::map<std::int32_t, wrenlo::SessionInfo> sessions;     // by session number
  std::map<std::int32_t, wrenlo::TrackInformation> tracks;  // by track number
  // What GetTrackExtent gives for each track: session, first sector, count.
  std::map<std::int32_t, std::array<std::int32_t, 3>> trackExtents;
  std::map<std::int32_t, wrenlo::IsoVolumeInfo> isoVolumes;  // by file-system selector
  std::optional<wrenlo::UdfVolumeInfo> udfVolume;

  // Sector contents by address; a sector not listed reads as its address in
  // every 32-bit little-endian word, so tests can tell sectors apart.
  std::map<std::int32_t, std::vector<std::uint8_t>> sectors;
  // Number of reads of an address that fail before one succeeds (the count
  // then starts over); -1 = every read fails.
  std::map<std::int32_t, std::int32_t> readFailures;
  std::int32_t readFailureResult = 5;
  // Bytes a failed read leaves in the buffer, when set.
  std::optional<std::uint8_t> failedReadFill;

  // Children of each directory, by path ("" = the root, "/DIR/SUB").
  std::map<std::u16string, std::vector<DirectoryChild>> directories;
  std::set<std::u16string> failingFiles;  // VerifyFile and ReadFile give 1 for these
  // The bytes ReadFile hands over, by path; a file not listed has none.
  std::map<std::u16string, std::vector<std::uint8_t>> fileData;
  // What GetLinkTarget gives, by path; any other path is not a link.
  std::map<std::u16string, std::u16string> linkTargets;
  // What GetFileAttribute finds, by path and name; anything else is not found.
  std::map<std::pair<std::u16string, std::string>, std::vector<std::uint8_t>> attributes;
  // What ListSessionLayout lists of any session, and ListMediumLayout of
  // the medium, in order.
  std::vector<LayoutItem> layout;

  // The letter OpenImageDrive gives.
  std::int32_t openedImageLetter = 0;
  // What GetMediumPresence reports, by drive letter (a drive not listed
  // leaves the caller's values as they were).
  struct Presence {
    bool present = false;
    std::uint32_t changes = 0;
  };
  std::map<std::int32_t, Presence> presence;
  std::uint32_t driveSetStamp = 0;  // what GetDriveSetStamp reports
  // What ListImageFiles lists (its calls are not logged: every output file
  // asks it): a role and a path each, with the device and inode of the file
  // at that path.
  std::vector<std::pair<std::int32_t, std::string>> imageFiles;
  // What GetMissingSectors reports, by drive letter (not logged: the drive
  // list asks it of every drive); -1 for a letter not here.
  std::map<std::int32_t, std::int64_t> missingSectors;

  // Runs on the calling thread at the start of each ReadSectors / VerifyFile
  // (and ReadFile),
  // outside the engine's lock (for example to move a test clock).
  std::function<void(std::int32_t address)> onRead;
  std::function<void(const std::u16string& path)> onVerify;
};

// The script the fake engine answers from; change it before the calls.
Script& script();
// Forgets the script, the call log and every handle.
void Reset();
// Every call since the last Reset, as "Name(arg, arg, ...)".
std::vector<std::string> Calls();
// Calls whose name is given, in order.
std::vector<std::string> CallsNamed(const std::string& name);
// Whether calls are logged (on by default; a long scan may turn it off).
void SetRecording(bool on);
// How many times ReadSectors asked for this address.
std::int32_t ReadCount(std::int32_t address);
// Handles opened and not closed (disk sessions and directories).
std::int32_t OpenHandles();

// Helpers to build records for scripts.
wrenlo::MediumInformation Medium(std::u16string_view type, std::int32_t firstSession,
                                 std::int32_t lastSession, std::int32_t firstTrack,
                                 std::int32_t lastTrack);
wrenlo::SessionInfo Session(std::int32_t sectorCount, std::int32_t startSector,
                            std::int32_t firstTrack);
std::string Utf8(std::u16string_view text);

}  // namespace fake
