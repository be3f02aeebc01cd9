// What kind of disc an image stands for, judged by its size, and what a
// virtual drive holding it can do.
#pragma once

#include <cstdint>
#include <string_view>

namespace wrenlo {

enum class MediumKind { Cd, Dvd, Bd };

// Images up to 360,000 sectors (737,280,000 bytes, an 80-minute CD) are
// CD-ROMs, which is also where QEMU's emulated drives switch from the CD-ROM
// to the DVD-ROM profile, so an image reads the same in a virtual and in an
// emulated drive. Up to 4,173,824 sectors (8.5 GB, a dual-layer DVD) they are
// DVD-ROMs, above that BD-ROMs.
inline constexpr std::uint64_t kMaxCdSectors = 360000;
inline constexpr std::uint64_t kMaxDvdSectors = 4173824;

MediumKind KindOfImage(std::uint64_t sectors);

// "CD-ROM", "DVD-ROM" or "BD-ROM".
std::u16string_view TypeName(MediumKind kind);

// A drive of this generation's maximum read speed in KB/s: 40x CD
// (7056 KB/s), 16x DVD (22160 KB/s), 12x BD (53952 KB/s).
std::int32_t MaxReadSpeedKB(MediumKind kind);

// The answer of a virtual drive for an image of this kind to a capability code
// of wrenlo::cap: it reads the media of its generation and of the earlier ones
// (a BD drive reads DVDs and CDs), as a real drive does, with everything a CD
// image may hold (several sessions, Mode 2 Form 1 and Form 2 sectors, audio
// tracks read exactly), and nothing else: no writing, no playing, no raw or
// subchannel reads, no tray lock.
bool VirtualDriveCan(MediumKind kind, std::uint64_t capability);

}  // namespace wrenlo
