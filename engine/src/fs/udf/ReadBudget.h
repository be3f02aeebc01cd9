// A sector source that passes reads on until a count of sectors is used up,
// and then refuses them, so that a walk driven by disc data cannot be made
// to read without end.
#pragma once

#include <cstdint>

#include "SectorSource.h"

namespace wrenlo::udf {

class ReadBudget : public SectorSource {
 public:
  ReadBudget(SectorSource& source, std::uint64_t sectors) : source_(source), left_(sectors) {}

  Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override {
    if (count > left_) {
      left_ = 0;
      exhausted_ = true;
      return kTooLarge;
    }
    left_ -= count;
    return source_.Read(address, count, out);
  }
  std::uint32_t SectorCount() const override { return source_.SectorCount(); }
  // Whether a read was refused.
  bool Exhausted() const { return exhausted_; }

 private:
  SectorSource& source_;
  std::uint64_t left_;
  bool exhausted_ = false;
};

}  // namespace wrenlo::udf
