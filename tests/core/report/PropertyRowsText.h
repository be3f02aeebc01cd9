// Property rows as short texts that read well in a failing test:
// "Label = Value" with " [yes]" or " [no]" for the check or cross picture.
#pragma once

#include <FakeEngine.h>

#include <string>
#include <vector>

#include "core/report/PropertyRows.h"

inline std::vector<std::string> RowTexts(const PropertyGroup& group) {
  std::vector<std::string> texts;
  for (const PropertyRow& row : group.rows) {
    std::string text = fake::Utf8(row.label) + " = " + fake::Utf8(row.value);
    if (row.image == kImageYes) text += " [yes]";
    if (row.image == kImageNo) text += " [no]";
    texts.push_back(text);
  }
  return texts;
}

// The titles of the groups that have rows: the headings a page shows.
inline std::vector<std::string> ShownGroupTitles(const PropertyGroups& groups) {
  std::vector<std::string> titles;
  for (const PropertyGroup& group : groups)
    if (!group.rows.empty()) titles.push_back(fake::Utf8(group.title));
  return titles;
}
