// The rows of an information page, as plain data: titled groups of
// label / value rows, some with a check or cross picture. The pages put them
// into their grouped list; a text front end can print the same rows.
#pragma once

#include <string>
#include <vector>

// The picture of a row: an index into the grouped list's image list.
enum RowImage : int {
  kNoImage = -1,
  kImageYes = 0,  // green check
  kImageNo = 1,   // red cross
};

struct PropertyRow {
  std::u16string label;
  std::u16string value;
  int image = kNoImage;

  bool operator==(const PropertyRow&) const = default;
};

// One group: its title and its rows in the order they are shown. A group
// without rows is not shown at all.
struct PropertyGroup {
  std::u16string title;
  std::vector<PropertyRow> rows;
};

// Every group of a page, in the order the page declares them.
using PropertyGroups = std::vector<PropertyGroup>;

// printf-style formatting of a value text (ASCII results only: numbers,
// units, dates), of any length.
std::u16string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A group for each title, without rows.
PropertyGroups EmptyGroups(const std::vector<std::u16string>& titles);

// The groups a page's list shows: those with rows, in the page's order.
PropertyGroups ShownGroups(PropertyGroups groups);

// The groups as JSON: [{"title": ..., "rows": [{"label": ..., "value": ...}]}].
std::string PropertyGroupsJson(const PropertyGroups& groups);
