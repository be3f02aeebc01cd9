// The faults file parser, and the simulator playing what it accepted.
#include <string_view>

#include "image/FaultSimulator.h"
#include "image/FaultsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  FaultPlan plan;
  std::string problem;
  if (!ParseFaults(std::string_view(reinterpret_cast<const char*>(data), size), plan, problem))
    return 0;
  // The plan is sorted and free of overlaps, as the simulator relies on.
  for (std::size_t i = 0; i < plan.ranges.size(); ++i) {
    if (plan.ranges[i].last < plan.ranges[i].first) __builtin_trap();
    if (i > 0 && plan.ranges[i].first <= plan.ranges[i - 1].last) __builtin_trap();
  }
  FaultSimulator simulator(std::move(plan));
  for (const std::uint32_t address : {0u, 1u, 100u, 4294967295u}) {
    simulator.ReadFails(address, 1);
    simulator.ReadFails(address, 64);
  }
  return 0;
}
