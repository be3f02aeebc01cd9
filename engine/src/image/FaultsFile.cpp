#include "image/FaultsFile.h"

#include <algorithm>
#include <charconv>

#include "image/Words.h"

namespace wrenlo {

namespace {

// A decimal number of digits only, no larger than limit.
bool ParseNumber(std::string_view word, std::uint32_t limit, std::uint32_t& out) {
  if (word.empty() ||
      !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || value > limit) return false;
  out = static_cast<std::uint32_t>(value);
  return true;
}

// The reason a line is malformed, or empty when it is good.
struct NumberedRange {
  FaultRange range;
  std::size_t line = 0;
};

std::string ParseLine(std::string_view line, std::size_t lineNumber, FaultPlan& plan,
                      std::vector<NumberedRange>& ranges, bool& latencySeen) {
  const std::vector<std::string_view> words = Words(line);
  if (words.empty() || words[0].front() == '#') return {};
  if (words.size() != 2)
    return "expected FIRST[-LAST] FAILURES, latency MICROSECONDS or error-latency MICROSECONDS";

  if (words[0] == "latency") {
    if (latencySeen) return "latency given twice";
    if (!ParseNumber(words[1], kMaxLatencyMicroseconds, plan.latencyMicroseconds))
      return "latency must be 0 to 1000000 microseconds";
    latencySeen = true;
    return {};
  }
  if (words[0] == "error-latency") {
    if (plan.errorLatencyMicroseconds) return "error-latency given twice";
    std::uint32_t microseconds = 0;
    if (!ParseNumber(words[1], kMaxErrorLatencyMicroseconds, microseconds))
      return "error-latency must be 0 to 60000000 microseconds";
    plan.errorLatencyMicroseconds = microseconds;
    return {};
  }

  FaultRange range;
  const std::size_t dash = words[0].find('-');
  const std::string_view first = words[0].substr(0, dash);
  const std::string_view last = dash == std::string_view::npos ? first : words[0].substr(dash + 1);
  if (!ParseNumber(first, UINT32_MAX, range.first) || !ParseNumber(last, UINT32_MAX, range.last))
    return "bad sector number";
  if (range.last < range.first) return "LAST is before FIRST";
  if (words[1] == "always") {
    range.always = true;
  } else if (!ParseNumber(words[1], kMaxFailures, range.failures) || range.failures == 0) {
    return "FAILURES must be 1 to 1000000 or always";
  }
  ranges.push_back({range, lineNumber});
  return {};
}

}  // namespace

bool ParseFaults(std::string_view text, FaultPlan& plan, std::string& problem) {
  plan = {};
  problem.clear();
  if (text.size() > kMaxFaultsFileBytes) {
    problem = "faults file larger than its limit of 1 MB (" + std::to_string(kMaxFaultsFileBytes) +
              " bytes)";
    return false;
  }
  const auto fail = [&](std::size_t line, const std::string& reason) {
    problem = "faults line " + std::to_string(line) + ": " + reason;
    return false;
  };
  std::vector<NumberedRange> ranges;
  bool latencySeen = false;
  std::size_t lineNumber = 0;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    ++lineNumber;
    const std::string reason =
        ParseLine(text.substr(begin, end - begin), lineNumber, plan, ranges, latencySeen);
    if (!reason.empty()) return fail(lineNumber, reason);
    begin = end + 1;
  }
  std::sort(ranges.begin(), ranges.end(), [](const NumberedRange& a, const NumberedRange& b) {
    return a.range.first < b.range.first;
  });
  for (std::size_t i = 1; i < ranges.size(); ++i) {
    if (ranges[i].range.first <= ranges[i - 1].range.last) {
      const auto [earlier, later] = std::minmax(ranges[i - 1].line, ranges[i].line);
      return fail(later, "overlaps line " + std::to_string(earlier));
    }
  }
  for (const NumberedRange& numbered : ranges) plan.ranges.push_back(numbered.range);
  return true;
}

}  // namespace wrenlo
