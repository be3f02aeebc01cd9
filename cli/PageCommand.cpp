#include <algorithm>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "core/report/Json.h"
#include "cli/Output.h"
#include "core/report/Utf8.h"
#include "core/disc/DeviceContext.h"
#include "core/report/DeviceFeaturesRows.h"
#include "core/report/MediaRows.h"

namespace {

// The groups the page's list shows: those with rows, in the page's order.
PropertyGroups ShownGroups(PropertyGroups groups) {
  std::erase_if(groups, [](const PropertyGroup& group) { return group.rows.empty(); });
  return groups;
}

std::string GroupsJson(const PropertyGroups& groups) {
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

// Each group's title, then its rows indented, labels in one column.
std::string GroupsText(const PropertyGroups& groups) {
  std::size_t labelWidth = 0;
  for (const PropertyGroup& group : groups)
    for (const PropertyRow& row : group.rows)
      labelWidth = std::max(labelWidth, CharacterCount(row.label));
  std::string out;
  for (const PropertyGroup& group : groups) {
    if (!out.empty()) out += "\n";
    out += ToUtf8(group.title) + "\n";
    for (const PropertyRow& row : group.rows) {
      out += "  " + ToUtf8(row.label);
      if (!row.value.empty()) {
        out.append(labelWidth - CharacterCount(row.label) + 2, ' ');
        out += ToUtf8(row.value);
      }
      out += "\n";
    }
  }
  return out;
}

}  // namespace

int RunPage(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  const PropertyGroups groups =
      ShownGroups(command.verb == Verb::Info ? DeviceFeaturesRows(context) : MediaRows(&context));
  if (command.json) {
    Print(stdout, GroupsJson(groups));
  } else if (groups.empty()) {
    Print(stdout, "No medium in drive " + DriveName(*letter) + "\n");
  } else {
    Print(stdout, GroupsText(groups));
  }
  return kExitSuccess;
}
