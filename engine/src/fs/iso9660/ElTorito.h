// El Torito boot catalogs: whether a disc is bootable.
#pragma once

#include "Bytes.h"

namespace wrenlo {

// Whether a boot catalog sector starts with a valid validation entry (header
// id 1, key 55 AA, words summing to 0) and names at least one bootable image
// (boot indicator 88h), in its default entry or in an entry of a section.
bool IsBootableCatalog(Bytes catalog);

}  // namespace wrenlo
