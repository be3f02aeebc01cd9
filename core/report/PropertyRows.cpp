#include "core/report/PropertyRows.h"

#include <cstdarg>
#include <cstdio>

#include "core/report/Json.h"

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
