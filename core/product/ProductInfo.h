// The product's name, version and web addresses.
#pragma once

inline constexpr char kProductName[] = "Corvane Lumeter";
inline constexpr char kProductVersion[] = "1.2.1.3";
inline constexpr char kWebSite[] = "https://www.corvane.example";
inline constexpr char kSupportPage[] = "https://www.corvane.example/index.php/support";
