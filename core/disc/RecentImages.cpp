#include "core/disc/RecentImages.h"

#include <algorithm>

std::vector<std::string> RememberImage(std::vector<std::string> recent, const std::string& path) {
  std::erase(recent, path);
  recent.insert(recent.begin(), path);
  if (recent.size() > kRecentImagesKept) recent.resize(kRecentImagesKept);
  return recent;
}
