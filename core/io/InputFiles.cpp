#include "core/io/InputFiles.h"

#include <sys/stat.h>
#include <wrenlo/wrenlo.h>

#include <map>
#include <mutex>
#include <optional>

namespace {

struct Identity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const Identity&) const = default;
};

struct Kept {
  Identity identity;
  std::string what;
};

struct KeptInputs {
  std::mutex mutex;
  std::uint64_t lastId = 0;
  std::map<std::uint64_t, Kept> files;
};

KeptInputs& TheInputs() {
  // Never destroyed: drives and inputs may still go during the program's exit.
  static KeptInputs& inputs = *new KeptInputs;
  return inputs;
}

Identity IdentityOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// The id of the file kept, or 0 when there is none (its status failed).
std::uint64_t Keep(int statusResult, const struct stat& status, std::string what) {
  if (statusResult != 0) return 0;
  KeptInputs& inputs = TheInputs();
  const std::lock_guard lock(inputs.mutex);
  const std::uint64_t id = ++inputs.lastId;
  inputs.files.emplace(id, Kept{IdentityOf(status), std::move(what)});
  return id;
}

const char* EngineFileWhat(std::int32_t role) {
  switch (role) {
    case wrenlo::kImageFileCueSheet:
      return "the cue sheet being read";
    case wrenlo::kImageFileCueData:
      return "a BIN file of the cue sheet being read";
    case wrenlo::kImageFileFaults:
      return "the faults file of the disc image being read";
    default:
      return "the disc image being read";
  }
}

// What the file is to the program when it is an input: to the engine's image
// drives first, then to the program's own features.
std::optional<std::string> InputWhat(const Identity& identity) {
  struct Search {
    Identity identity;
    const char* what = nullptr;
  } search{identity};
  wrenlo::ListImageFiles(
      [](void* context, const wrenlo::ImageFileRecord* record) -> std::int32_t {
        auto& s = *static_cast<Search*>(context);
        if (Identity{record->device, record->inode} != s.identity) return 0;
        s.what = EngineFileWhat(record->role);
        return 1;
      },
      &search);
  if (search.what != nullptr) return search.what;
  KeptInputs& inputs = TheInputs();
  const std::lock_guard lock(inputs.mutex);
  for (const auto& [id, kept] : inputs.files)
    if (kept.identity == identity) return kept.what;
  return std::nullopt;
}

std::string ProblemOf(const struct stat& status, const std::string& name) {
  if (S_ISBLK(status.st_mode))
    return name + " is a block device; this program does not write to disks";
  if (!S_ISREG(status.st_mode)) return {};
  const std::optional<std::string> what = InputWhat(IdentityOf(status));
  return what ? name + " is " + *what : std::string();
}

}  // namespace

InputFile::InputFile(const std::string& path, std::string what) {
  struct stat status {};
  id = Keep(::stat(path.c_str(), &status), status, std::move(what));
}

InputFile::InputFile(int fd, std::string what) {
  struct stat status {};
  id = Keep(::fstat(fd, &status), status, std::move(what));
}

InputFile::~InputFile() {
  if (id == 0) return;
  KeptInputs& inputs = TheInputs();
  const std::lock_guard lock(inputs.mutex);
  inputs.files.erase(id);
}

std::string OutputProblem(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};  // a new file, or one that cannot be opened
  return ProblemOf(status, path);
}

std::string OutputProblem(int fd, const std::string& name) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return {};
  return ProblemOf(status, name);
}
