#include "core/format/HexDump.h"

namespace {

constexpr char16_t kDigits[] = u"0123456789ABCDEF";
// Width of the values of a complete line: 16 values, 15 separating spaces,
// the space after the eighth value and the one that ends the sixteenth.
constexpr std::size_t kValuesWidth = 49;

// 0x20 to 0x7F show as themselves: the byte, taken as a signed value, is
// above 31. Control bytes and bytes from 0x80 up show as a full stop.
char16_t Printable(std::uint8_t byte) {
  return static_cast<std::int8_t>(byte) > 31 ? char16_t{byte} : u'.';
}

void EndLine(std::u16string& result, std::u16string& values, std::u16string& characters) {
  result += values;
  result += u' ';
  result += characters;
  result += u"\r\n";
  values.clear();
  characters.clear();
}

}  // namespace

std::u16string FormatHexDump(std::span<const std::uint8_t> bytes) {
  std::u16string result;
  result.reserve((bytes.size() + 15) / 16 * kHexDumpLineLength);
  std::u16string values;
  std::u16string characters;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t byte = bytes[i];
    if (!values.empty()) values += u' ';
    values += kDigits[byte >> 4];
    values += kDigits[byte & 0x0F];
    characters += Printable(byte);
    if (i % 8 == 7) values += u' ';
    if (i % 16 == 15) EndLine(result, values, characters);
  }
  if (!values.empty()) {
    values.resize(kValuesWidth, u' ');
    EndLine(result, values, characters);
  }
  return result;
}
