// Base64 (RFC 4648, with padding), for pictures embedded in a report as
// data addresses.
#pragma once

#include <string>
#include <string_view>

std::string Base64(std::string_view bytes);
