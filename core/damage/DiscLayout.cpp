#include "core/damage/DiscLayout.h"

std::int32_t ReadDiscLayout(std::int32_t device, std::int32_t track, std::int32_t fileSystem,
                            DiscLayout& out) {
  out = {};
  wrenlo::Handle session = 0;
  if (const std::int32_t result = wrenlo::OpenDiskSession(device, track, &session, fileSystem);
      result != 0)
    return result;
  const auto add = [](void* context, const wrenlo::LayoutRecord* record) -> std::int32_t {
    LayoutEntry entry;
    entry.isFile = record->kind == wrenlo::kLayoutFile;
    entry.name.assign(record->name, static_cast<std::size_t>(record->nameLength));
    entry.size = record->size;
    entry.result = record->result;
    for (std::int32_t i = 0; i < record->runCount; ++i) {
      const wrenlo::SectorRun& run = record->runs[i];
      if (run.count != 0) entry.ranges.push_back({run.first, run.first + run.count - 1});
    }
    static_cast<DiscLayout*>(context)->entries.push_back(std::move(entry));
    return 0;
  };
  const std::int32_t result = wrenlo::ListSessionLayout(session, add, &out);
  wrenlo::CloseDiskSession(session);
  return result;
}
