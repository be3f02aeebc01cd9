// Placeholder until the SG_IO drive backend lands: no real drives are listed.
// The backend's own source replaces this file.
#include "drive/LinuxDrives.h"

namespace wrenlo {

std::vector<FoundDrive> FindLinuxDrives() { return {}; }

}  // namespace wrenlo
