#include "core/disc/MediumIdentity.h"

#include "core/disc/DeviceContext.h"

MediumIdentity IdentityOf(const DeviceContext& context) {
  MediumIdentity identity;
  identity.driveLetter = context.driveLetter;
  if (!context.hasMedium) return identity;
  identity.type = context.medium.typeName.str();
  for (const auto& [number, session] : context.Sessions()) {
    // Copies: the packed record's fields may lie unaligned.
    const std::int32_t start = session.startSector;
    const std::int32_t count = session.sectorCount;
    identity.sessions.emplace_back(start, count);
  }
  return identity;
}
