#include "core/report/PropertyRows.h"

#include <cstdarg>
#include <cstdio>

std::u16string FormatText(const char* format, ...) {
  char buffer[128];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  std::u16string text;
  for (int i = 0; i < length && i < static_cast<int>(sizeof buffer) - 1; ++i)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(buffer[i])));
  return text;
}

PropertyGroups EmptyGroups(const std::vector<std::u16string>& titles) {
  PropertyGroups groups;
  for (const std::u16string& title : titles) groups.push_back(PropertyGroup{title, {}});
  return groups;
}
