// Keeps a copy's mapfile on the disc: each save first flushes the image's
// data (fdatasync), so that the mapfile never claims a sector the disc does
// not hold, then replaces the mapfile whole (written beside it and renamed),
// so that a crash or a full disc leaves the last mapfile as it was. Saves
// come at most every five seconds while the copy runs, and at every stop.
#pragma once

#include <cstdint>
#include <string>

#include "core/rescue/DdrescueMap.h"
#include "core/rescue/RescueMap.h"

class ImageFile;

class MapfileStore {
 public:
  static constexpr std::uint64_t kIntervalMicroseconds = 5000000;

  MapfileStore(std::string path, std::string comment, std::uint64_t sectorBytes)
      : path_(std::move(path)), comment_(std::move(comment)), sectorBytes_(sectorBytes) {}

  // Saves when the last save is kIntervalMicroseconds old (now from any
  // steady clock, in microseconds); true when nothing was due.
  bool SaveIfDue(const RescueMap& map, const MapfileStatus& status, ImageFile& image,
                 std::uint64_t now, std::string& error);
  // Saves now. False with error set (one line naming the file).
  bool Save(const RescueMap& map, const MapfileStatus& status, ImageFile& image, std::uint64_t now,
            std::string& error);

  const std::string& Path() const { return path_; }
  int Saves() const { return saves_; }

 private:
  std::string path_;
  std::string comment_;
  std::uint64_t sectorBytes_;
  bool saved_ = false;
  std::uint64_t lastSave_ = 0;
  int saves_ = 0;
};
