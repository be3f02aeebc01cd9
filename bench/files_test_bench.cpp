// The files test on big folders: the same number of files in one folder and
// spread over many folders, each against xorriso extracting the whole image.
// The files test is what the program's scanner does: one walk that lists
// every file, then for each file a session of its own that verifies it. Each
// figure is the best of its rounds; the images are cached by then (a work
// folder in memory, such as /dev/shm, keeps the disc out of the figures).
//
//   files_test_bench [WORK_FOLDER] [FILES]   (defaults: the current folder, 100000)
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;
// xorriso writes every file it extracts: one round of it.
constexpr int kExtractionRounds = 1;
constexpr int kFolders = 1000;

double Seconds(const std::function<void()>& run) {
  const auto start = Clock::now();
  run();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool Run(const std::string& command) {
  if (std::system(command.c_str()) == 0) return true;
  std::fprintf(stderr, "failed: %s\n", command.c_str());
  return false;
}

// An image of files small files, in folders folders (1: all in the root).
bool MakeImage(const fs::path& work, const std::string& name, int files, int folders,
               std::string& image) {
  const fs::path tree = work / (name + "_tree");
  image = (work / (name + ".iso")).string();
  if (fs::exists(image)) return true;
  fs::remove_all(tree);
  for (int f = 0; f < files; ++f) {
    const fs::path folder = folders == 1 ? tree : tree / ("folder " + std::to_string(f % folders));
    if (f < folders) fs::create_directories(folder);
    std::ofstream(folder / ("file number " + std::to_string(f) + ".txt")) << f << '\n';
  }
  const bool made = Run("xorriso -no_rc -outdev 'stdio:" + image + "' -joliet on -map '" +
                        tree.string() + "' / -commit >/dev/null 2>&1");
  fs::remove_all(tree);
  return made;
}

void Walk(wrenlo::Handle session, const std::u16string& path, std::vector<std::u16string>& files) {
  wrenlo::Handle directory = 0;
  if (wrenlo::OpenDirectory(session, path.c_str(), &directory) != 0) return;
  wrenlo::DirectoryEntry entry;
  for (std::int32_t i = 0; wrenlo::ReadDirectory(directory, i, &entry) == 0; ++i) {
    std::u16string child = path + u"/" + entry.name.str();
    if (entry.attributes & wrenlo::kAttributeDirectory)
      Walk(session, child, files);
    else
      files.push_back(std::move(child));
  }
  wrenlo::CloseDirectory(directory);
}

// The files test of the image as the scanner runs it; counts files and
// failures.
void FilesTest(int& files, int& failures) {
  std::vector<std::u16string> paths;
  wrenlo::Handle session = 0;
  wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, 1, &session, wrenlo::kFileSystemAny);
  Walk(session, u"", paths);
  wrenlo::CloseDiskSession(session);
  failures = 0;
  for (const std::u16string& path : paths) {
    wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, 1, &session, wrenlo::kFileSystemAny);
    if (wrenlo::VerifyFile(session, path.c_str()) != 0) ++failures;
    wrenlo::CloseDiskSession(session);
  }
  files = static_cast<int>(paths.size());
}

// Seconds of the best round of xorriso extracting image.
double Extraction(const fs::path& work, const std::string& image) {
  const fs::path out = work / "extracted";
  double best = 1e30;
  for (int r = 0; r < kExtractionRounds; ++r) {
    fs::remove_all(out);
    best = std::min(best, Seconds([&] {
                      Run("xorriso -no_rc -osirrox on -indev 'stdio:" + image + "' -extract / '" +
                          out.string() + "' >/dev/null 2>&1");
                    }));
  }
  fs::remove_all(out);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::current_path();
  const int files = argc > 2 ? std::atoi(argv[2]) : 100000;
  fs::create_directories(work);
  const std::string count = std::to_string(files);
  std::string flat, spread;
  if (!MakeImage(work, "one_folder_" + count, files, 1, flat) ||
      !MakeImage(work, "folders_" + std::to_string(kFolders) + "_" + count, files, kFolders,
                 spread))
    return 1;
  // Both images as drives D and E; rounds of the two alternate, so that the
  // noise of a shared machine hits both alike.
  setenv("WRENLO_IMAGES", (flat + ":" + spread).c_str(), 1);
  wrenlo::Initialize();
  const std::string images[] = {flat, spread};
  double best[2] = {1e30, 1e30};
  int counted[2] = {0, 0}, failed[2] = {0, 0};
  for (int r = 0; r < kRounds; ++r) {
    for (int i = 0; i < 2; ++i) {
      wrenlo::SetBurnDevice(static_cast<char16_t>(u'D' + i));
      wrenlo::SetReadDevice(static_cast<char16_t>(u'D' + i));
      best[i] = std::min(best[i], Seconds([&] { FilesTest(counted[i], failed[i]); }));
    }
  }
  std::printf(
      "files test (best of %d alternating rounds) against xorriso -extract (%d round),\n"
      "ISO 9660 + Rock Ridge + Joliet images made by xorriso:\n",
      kRounds, kExtractionRounds);
  double extraction[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    extraction[i] = Extraction(work, images[i]);
    std::printf("  %-28s %7d files (%d failed)  files test %6.2f s  xorriso %6.2f s  (%.2fx)\n",
                fs::path(images[i]).filename().c_str(), counted[i], failed[i], best[i],
                extraction[i], best[i] / extraction[i]);
  }
  std::printf("one folder / %d folders: %.2fx (goal: at most 1.5x)\n", kFolders, best[0] / best[1]);
  std::printf(
      "files test / xorriso -extract: one folder %.2fx, %d folders %.2fx (goal: at most 2x)\n",
      best[0] / extraction[0], kFolders, best[1] / extraction[1]);
  return 0;
}
