// The product's name, version and web addresses.
#pragma once

#include "core/product/ProductVersion.h"

inline constexpr char kProductName[] = "Corvane Lumeter";
inline constexpr char kWebSite[] = "https://www.corvane.example";
inline constexpr char kSupportPage[] = "https://www.corvane.example/index.php/support";
