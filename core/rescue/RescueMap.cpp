#include "core/rescue/RescueMap.h"

#include <algorithm>
#include <iterator>

std::optional<BlockStatus> BlockStatusOf(char c) {
  switch (c) {
    case '?':
    case '*':
    case '/':
    case '-':
    case '+':
      return static_cast<BlockStatus>(c);
    default:
      return std::nullopt;
  }
}

RescueMap::RescueMap(std::uint64_t sectors) : size_(sectors) {
  if (size_ > 0) runs_.emplace(0, BlockStatus::NonTried);
}

std::map<std::uint64_t, BlockStatus>::const_iterator RescueMap::RunOf(std::uint64_t sector) const {
  return std::prev(runs_.upper_bound(sector));
}

std::uint64_t RescueMap::EndOf(std::map<std::uint64_t, BlockStatus>::const_iterator run) const {
  const auto next = std::next(run);
  return next == runs_.end() ? size_ : next->first;
}

BlockStatus RescueMap::At(std::uint64_t sector) const {
  return sector < size_ ? RunOf(sector)->second : BlockStatus::NonTried;
}

void RescueMap::Set(std::uint64_t first, std::uint64_t count, BlockStatus status) {
  if (first >= size_ || count == 0) return;
  const std::uint64_t end = count > size_ - first ? size_ : first + count;
  // The status that goes on after the range, where a run goes on.
  const bool tail = end < size_;
  const BlockStatus after = tail ? At(end) : status;
  runs_.erase(runs_.lower_bound(first), runs_.lower_bound(end));
  if (tail && runs_.find(end) == runs_.end()) runs_.emplace(end, after);
  // Joined with the run before when it has the same status, and with the
  // one after.
  const bool joinsBefore = first > 0 && RunOf(first - 1)->second == status;
  if (!joinsBefore) runs_[first] = status;
  if (tail) {
    const auto next = runs_.find(end);
    if (next->second == status) runs_.erase(next);
  }
}

std::optional<RescueMap::Block> RescueMap::FirstWith(BlockStatus status, std::uint64_t from,
                                                     std::uint64_t end) const {
  end = std::min(end, size_);
  if (from >= end) return std::nullopt;
  for (auto run = RunOf(from); run != runs_.end() && run->first < end; ++run) {
    if (run->second != status) continue;
    const std::uint64_t first = std::max(run->first, from);
    return Block{first, std::min(EndOf(run), end) - first, status};
  }
  return std::nullopt;
}

std::optional<RescueMap::Block> RescueMap::LastWith(BlockStatus status, std::uint64_t from,
                                                    std::uint64_t end) const {
  end = std::min(end, size_);
  if (from >= end) return std::nullopt;
  for (auto run = RunOf(end - 1);; --run) {
    if (EndOf(run) <= from) return std::nullopt;
    if (run->second == status) {
      const std::uint64_t first = std::max(run->first, from);
      return Block{first, std::min(EndOf(run), end) - first, status};
    }
    if (run == runs_.begin()) return std::nullopt;
  }
}

std::uint64_t RescueMap::Count(BlockStatus status, std::uint64_t from, std::uint64_t end) const {
  end = std::min(end, size_);
  std::uint64_t count = 0;
  if (from >= end) return count;
  for (auto run = RunOf(from); run != runs_.end() && run->first < end; ++run)
    if (run->second == status) count += std::min(EndOf(run), end) - std::max(run->first, from);
  return count;
}

std::vector<RescueMap::Block> RescueMap::Blocks() const {
  std::vector<Block> blocks;
  for (auto run = runs_.begin(); run != runs_.end(); ++run)
    blocks.push_back({run->first, EndOf(run) - run->first, run->second});
  return blocks;
}
