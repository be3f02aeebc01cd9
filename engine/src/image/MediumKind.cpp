#include "image/MediumKind.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <array>

namespace wrenlo {

MediumKind KindOfImage(std::uint64_t sectors) {
  if (sectors <= kMaxCdSectors) return MediumKind::Cd;
  if (sectors <= kMaxDvdSectors) return MediumKind::Dvd;
  return MediumKind::Bd;
}

std::u16string_view TypeName(MediumKind kind) {
  switch (kind) {
    case MediumKind::Cd:
      return u"CD-ROM";
    case MediumKind::Dvd:
      return u"DVD-ROM";
    case MediumKind::Bd:
      return u"BD-ROM";
  }
  return u"";
}

std::int32_t MaxReadSpeedKB(MediumKind kind) {
  switch (kind) {
    case MediumKind::Cd:
      return 7056;  // 40 x 176.4
    case MediumKind::Dvd:
      return 16 * 1385;
    case MediumKind::Bd:
      return 12 * 4496;
  }
  return 0;
}

bool VirtualDriveCan(MediumKind kind, std::uint64_t capability) {
  // A CD drive's reading of every sector form and session a CD image holds
  // (plain images and cue sheets alike open in any virtual drive): Mode 2
  // in both forms, several sessions, and audio read as data, exactly.
  constexpr std::array kCdReads{
      cap::ReadsCdR,        cap::ReadsCdRw,           cap::ReadsMultisession, cap::ReadsMode2Form1,
      cap::ReadsMode2Form2, cap::SupportsCddaCommand, cap::CddaAccurate};
  constexpr std::array kDvdReads{cap::ReadsDvdRom,
                                 cap::ReadsDvdR,
                                 cap::ReadsDvdRw,
                                 cap::ReadsDvdRDualLayer,
                                 cap::ReadsDvdPlusR,
                                 cap::ReadsDvdPlusRw,
                                 cap::ReadsDvdPlusRwDualLayer,
                                 cap::ReadsDvdRam};
  const auto among = [capability](const auto& codes) {
    return std::find(codes.begin(), codes.end(), capability) != codes.end();
  };
  switch (kind) {
    case MediumKind::Bd:
      if (capability == cap::ReadsBluRay) return true;
      [[fallthrough]];
    case MediumKind::Dvd:
      if (among(kDvdReads)) return true;
      [[fallthrough]];
    case MediumKind::Cd:
      return among(kCdReads);
  }
  return false;
}

}  // namespace wrenlo
