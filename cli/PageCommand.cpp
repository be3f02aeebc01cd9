#include <algorithm>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Output.h"
#include "core/disc/DeviceContext.h"
#include "core/report/DeviceFeaturesRows.h"
#include "core/report/EscapedText.h"
#include "core/report/MediaRows.h"
#include "core/report/Utf8.h"

namespace {

// Each group's title, then its rows indented, labels in one column.
std::string GroupsText(const PropertyGroups& groups) {
  std::size_t labelWidth = 0;
  for (const PropertyGroup& group : groups)
    for (const PropertyRow& row : group.rows)
      labelWidth = std::max(labelWidth, CharacterCount(row.label));
  std::string out;
  for (const PropertyGroup& group : groups) {
    if (!out.empty()) out += "\n";
    out += WithControlsEscaped(group.title) + "\n";
    for (const PropertyRow& row : group.rows) {
      out += "  " + WithControlsEscaped(row.label);
      if (!row.value.empty()) {
        out.append(labelWidth - CharacterCount(row.label) + 2, ' ');
        // A volume label, a drive's model: what the disc or drive says.
        out += WithControlsEscaped(row.value);
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
    Print(stdout, PropertyGroupsJson(groups));
  } else if (groups.empty()) {
    Print(stdout, "No medium in drive " + DriveName(*letter) + "\n");
  } else {
    Print(stdout, GroupsText(groups));
  }
  return kExitSuccess;
}
