#include "core/report/PropertyRows.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "core/report/Json.h"

std::u16string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string buffer(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  std::vsnprintf(buffer.data(), buffer.size(), format, again);
  va_end(again);
  std::u16string text;
  for (int i = 0; i < length; ++i)
    text.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(buffer[static_cast<std::size_t>(i)])));
  return text;
}

PropertyGroups EmptyGroups(const std::vector<std::u16string>& titles) {
  PropertyGroups groups;
  for (const std::u16string& title : titles) groups.push_back(PropertyGroup{title, {}});
  return groups;
}

PropertyGroups ShownGroups(PropertyGroups groups) {
  std::erase_if(groups, [](const PropertyGroup& group) { return group.rows.empty(); });
  return groups;
}

std::string PropertyGroupsJson(const PropertyGroups& groups) {
  std::string out = "[";
  for (std::size_t g = 0; g < groups.size(); ++g) {
    out += g == 0 ? "\n  {\"title\": " : ",\n  {\"title\": ";
    AppendJsonString(out, groups[g].title);
    out += ", \"rows\": [";
    for (std::size_t r = 0; r < groups[g].rows.size(); ++r) {
      const PropertyRow& row = groups[g].rows[r];
      out += r == 0 ? "\n    {\"label\": " : ",\n    {\"label\": ";
      AppendJsonString(out, row.label);
      out += ", \"value\": ";
      AppendJsonString(out, row.value);
      out += "}";
    }
    out += groups[g].rows.empty() ? "]}" : "\n  ]}";
  }
  out += groups.empty() ? "]\n" : "\n]\n";
  return out;
}
