// The state of a copy, sector by sector, as GNU ddrescue keeps it in its
// mapfile: each sector of the output is non-tried, non-trimmed (in a block
// whose read failed), non-scraped (left inside such a block once its edges
// were trimmed), bad (failed on its own) or finished (read and written).
// Kept as runs, so that a copy of any size costs memory by the number of
// runs, not of sectors.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

enum class BlockStatus : char {
  NonTried = '?',
  NonTrimmed = '*',
  NonScraped = '/',
  Bad = '-',
  Finished = '+',
};

// The status a mapfile writes for c; nothing for a character that is none.
std::optional<BlockStatus> BlockStatusOf(char c);

class RescueMap {
 public:
  // A run of sectors of one status.
  struct Block {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    BlockStatus status = BlockStatus::NonTried;

    std::uint64_t End() const { return first + count; }
    friend bool operator==(const Block&, const Block&) = default;
  };

  // sectors sectors, all non-tried.
  explicit RescueMap(std::uint64_t sectors = 0);

  std::uint64_t Size() const { return size_; }
  BlockStatus At(std::uint64_t sector) const;
  // Gives the sectors [first, first + count) (cut to the map) the status.
  void Set(std::uint64_t first, std::uint64_t count, BlockStatus status);

  // The first run of status that meets [from, end), cut to it; nothing when
  // there is none.
  std::optional<Block> FirstWith(BlockStatus status, std::uint64_t from, std::uint64_t end) const;
  // The last run of status that meets [from, end), cut to it.
  std::optional<Block> LastWith(BlockStatus status, std::uint64_t from, std::uint64_t end) const;
  // How many sectors of [from, end) have the status.
  std::uint64_t Count(BlockStatus status, std::uint64_t from, std::uint64_t end) const;
  // Every run, in order; neighbours differ in status.
  std::vector<Block> Blocks() const;

  friend bool operator==(const RescueMap&, const RescueMap&) = default;

 private:
  // The run holding sector: its start and status.
  std::map<std::uint64_t, BlockStatus>::const_iterator RunOf(std::uint64_t sector) const;
  std::uint64_t EndOf(std::map<std::uint64_t, BlockStatus>::const_iterator run) const;

  std::uint64_t size_ = 0;
  // Each run's first sector and status; the run ends where the next begins.
  std::map<std::uint64_t, BlockStatus> runs_;
};
