// The public listing of where a session's files and file-system structures
// lie.
#include <wrenlo/wrenlo.h>

#include <vector>

#include "api/EngineState.h"
#include "fs/SessionLayout.h"

namespace wrenlo {

std::int32_t ListSessionLayout(Handle session, LayoutCallback callback, void* context) {
  if (callback == nullptr) return kInvalidArgument;
  const auto object = EngineState::Get().Handles().Find<DiskSessionObject>(session);
  if (!object) return kInvalidHandle;
  std::vector<SectorRun> runs;
  std::int32_t stopped = 0;
  const Result result =
      LayOutSession(*object->backend, *object->fileSystem, [&](const LayoutItem& item) {
        runs.clear();
        for (const Extent& extent : item.extents) runs.push_back({extent.start, extent.count});
        // Names are std::u16string_view of a std::u16string kept NUL-terminated.
        const std::u16string name(item.name);
        LayoutRecord record{};
        record.kind = item.isFile ? kLayoutFile : kLayoutStructure;
        record.result = item.result;
        record.size = item.size;
        record.name = name.c_str();
        record.nameLength = static_cast<std::int32_t>(name.size());
        record.runCount = static_cast<std::int32_t>(runs.size());
        record.runs = runs.data();
        stopped = callback(context, &record);
        return stopped == 0 ? kOk : kInvalidArgument;
      });
  return stopped != 0 ? stopped : result;
}

}  // namespace wrenlo
