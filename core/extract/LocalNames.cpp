#include "core/extract/LocalNames.h"

#include "core/report/Utf8.h"

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A character no local name should hold: the separator, NUL, and the C0 and
// C1 control characters (which terminals act on).
bool IsUnsafe(char16_t unit) {
  return unit == u'/' || unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
}

void AddReason(std::string& reasons, std::string_view reason) {
  if (reasons.find(reason) != std::string::npos) return;
  if (!reasons.empty()) reasons += ", ";
  reasons += reason;
}

// The length of the longest start of text, at most maxBytes, that ends at a
// character's end.
std::size_t CharacterBoundary(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return end;
}

// text cut to at most maxBytes, keeping an extension of up to 16 bytes.
std::string Shortened(const std::string& text, std::size_t maxBytes) {
  std::string extension;
  const std::size_t dot = text.rfind('.');
  if (dot != std::string::npos && dot > 0 && text.size() - dot <= 16 &&
      text.size() - dot < maxBytes / 2)
    extension = text.substr(dot);
  const std::string_view stem = std::string_view(text).substr(0, text.size() - extension.size());
  return std::string(stem.substr(0, CharacterBoundary(stem, maxBytes - extension.size()))) +
         extension;
}

}  // namespace

LocalName SafeLocalName(std::u16string_view discName, std::size_t maxBytes) {
  LocalName out;
  std::u16string safe;
  safe.reserve(discName.size());
  for (std::size_t i = 0; i < discName.size(); ++i) {
    const char16_t unit = discName[i];
    if (IsHighSurrogate(unit) && i + 1 < discName.size() && IsLowSurrogate(discName[i + 1])) {
      safe += unit;
      safe += discName[++i];
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      safe += u'\uFFFD';
      AddReason(out.reason, "invalid encoding");
    } else if (IsUnsafe(unit)) {
      safe += u'_';
      AddReason(out.reason, "unsafe characters");
    } else {
      safe += unit;
    }
  }
  if (safe.empty() || safe == u"." || safe == u"..") {
    safe.insert(safe.begin(), u'_');
    AddReason(out.reason, "unsafe characters");
  }
  out.name = ToUtf8(safe);
  if (out.name.size() > maxBytes) {
    out.name = Shortened(out.name, maxBytes);
    AddReason(out.reason, "too long");
  }
  return out;
}

LocalName FolderNames::Add(std::u16string_view discName) {
  LocalName out = SafeLocalName(discName, maxBytes_);
  if (taken_.insert(out.name).second) return out;

  std::string stem = out.name;
  std::string extension;
  const std::size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    extension = stem.substr(dot);
    stem.erase(dot);
  }
  for (unsigned number = 2;; ++number) {
    const std::string suffix = " (" + std::to_string(number) + ")" + extension;
    std::string candidate = stem + suffix;
    if (candidate.size() > maxBytes_)
      candidate = stem.substr(0, CharacterBoundary(stem, maxBytes_ - suffix.size())) + suffix;
    if (taken_.insert(candidate).second) {
      out.name = std::move(candidate);
      AddReason(out.reason, "same name as another");
      return out;
    }
  }
}
