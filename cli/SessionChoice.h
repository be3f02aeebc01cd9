// Which session, and which sector of it, a command works on (dump, save,
// files, whohas): the session --session names, else the last; a sector
// counted from the session's first.
#pragma once

#include <cstdint>
#include <optional>

class DeviceContext;

// The session number asked for (nothing = the last one). Nothing, after an
// error line, when the drive holds no medium or no such session.
std::optional<std::int32_t> ChooseSession(const DeviceContext& context,
                                          std::optional<std::int32_t> asked);

// Whether sector lies inside session; false after an error line.
bool SectorInSession(const DeviceContext& context, std::int32_t session, std::int64_t sector);
