#include "fs/iso9660/Aaip.h"

#include <array>
#include <string>

namespace wrenlo {

namespace {

// AL: the entry's header (4 bytes), flags (1), then the component area.
constexpr std::size_t kAlHeader = 5;
constexpr std::uint8_t kContinues = 0x01;

bool IsAl(Bytes entry) { return entry[0] == 'A' && entry[1] == 'L'; }

// The namespaces of AAIP's short names, by their first byte (0x01 escapes a
// name that starts with one of these bytes).
constexpr std::array<std::string_view, 7> kNamespaces = {"",       "",         "system.",  "user.",
                                                         "isofs.", "trusted.", "security."};

std::string LongName(const std::vector<std::uint8_t>& recorded) {
  std::string name(recorded.begin(), recorded.end());
  if (name.empty() || static_cast<std::uint8_t>(name[0]) >= kNamespaces.size()) return name;
  const auto first = static_cast<std::uint8_t>(name[0]);
  if (first == 0) return name;
  return std::string(kNamespaces[first]) + name.substr(1);
}

}  // namespace

Result AttributeValue(Bytes list, std::string_view name, std::vector<std::uint8_t>& value) {
  value.clear();
  std::vector<std::uint8_t> component;
  std::string pendingName;
  bool isName = true;
  std::size_t at = 0;
  while (at < list.size()) {
    // A component record: flags, length, that many bytes.
    if (list.size() - at < 2) return kCorruptFileSystem;
    const std::uint8_t flags = list[at];
    const std::size_t length = list[at + 1];
    if (length > list.size() - at - 2) return kCorruptFileSystem;
    component.insert(component.end(), list.begin() + static_cast<std::ptrdiff_t>(at + 2),
                     list.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
    at += 2 + length;
    if ((flags & kContinues) != 0) continue;
    if (isName) {
      pendingName = LongName(component);
    } else if (pendingName == name) {
      value = std::move(component);
      return kOk;
    }
    component.clear();
    isName = !isName;
  }
  return kNotFound;
}

Result AaipAttribute(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                     std::string_view name, std::vector<std::uint8_t>& value) {
  value.clear();
  std::vector<std::uint8_t> list;
  bool tooLarge = false;
  const Result walked = ForEachSuspEntry(systemUse, skip, areas, [&](Bytes entry) {
    if (!IsAl(entry) || entry.size() < kAlHeader) return true;
    const Bytes part = entry.subspan(kAlHeader);
    if (list.size() + part.size() > kMaxAttributeList) {
      tooLarge = true;
      return false;
    }
    list.insert(list.end(), part.begin(), part.end());
    // The list ends with the first AL entry that does not continue.
    return (entry[kAlHeader - 1] & kContinues) != 0;
  });
  if (walked != kOk) return walked;
  if (tooLarge) return kTooLarge;
  return AttributeValue(list, name, value);
}

}  // namespace wrenlo
