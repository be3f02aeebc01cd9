#include "core/rescue/MapfileStore.h"

#include "core/io/OutputFile.h"
#include "core/rescue/ImageFile.h"

bool MapfileStore::SaveIfDue(const RescueMap& map, const MapfileStatus& status, ImageFile& image,
                             std::uint64_t now, std::string& error) {
  if (saved_ && now - lastSave_ < kIntervalMicroseconds) return true;
  return Save(map, status, image, now, error);
}

bool MapfileStore::Save(const RescueMap& map, const MapfileStatus& status, ImageFile& image,
                        std::uint64_t now, std::string& error) {
  // Counted from the attempt: a failing disc is not asked again at once.
  saved_ = true;
  lastSave_ = now;
  if (!image.Sync(error)) return false;
  OutputFile file;
  if (!file.Open(path_, error) ||
      !file.Commit(MapfileText(map, sectorBytes_, status, comment_), error)) {
    error = "mapfile: " + error;
    return false;
  }
  ++saves_;
  return true;
}
