// The files test on big folders: the same number of files in one folder and
// spread over many folders, each against xorriso extracting the whole image.
// The files test is what the program's scanner does: one walk that lists
// every file, then for each file a session of its own that verifies it. Each
// figure is the best of a few rounds; the images are cached by then.
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

constexpr int kRounds = 3;
// xorriso writes every file it extracts: one round of it.
constexpr int kExtractionRounds = 1;
constexpr int kFolders = 1000;

double BestSeconds(const std::function<void()>& run, int rounds = kRounds) {
  double best = 1e30;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
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
    std::u16string child = path.empty() ? entry.name.str() : path + u"\\" + entry.name.str();
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

struct Figures {
  double filesTest = 0, extraction = 0;
};

Figures Measure(const fs::path& work, const std::string& image) {
  setenv("WRENLO_IMAGES", image.c_str(), 1);
  wrenlo::Initialize();
  wrenlo::SetBurnDevice(u'D');
  wrenlo::SetReadDevice(u'D');
  int files = 0, failures = 0;
  Figures figures;
  figures.filesTest = BestSeconds([&] { FilesTest(files, failures); });
  const fs::path out = work / "extracted";
  figures.extraction = BestSeconds(
      [&] {
        fs::remove_all(out);
        Run("xorriso -no_rc -osirrox on -indev 'stdio:" + image + "' -extract / '" + out.string() +
            "' >/dev/null 2>&1");
      },
      kExtractionRounds);
  fs::remove_all(out);
  std::printf(
      "%-44s %7d files (%d failed)  files test %7.2f s   xorriso -extract %7.2f s  (%.2fx)\n",
      fs::path(image).filename().c_str(), files, failures, figures.filesTest, figures.extraction,
      figures.filesTest / figures.extraction);
  return figures;
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
  std::printf("files test (best of %d rounds), ISO 9660 + Rock Ridge + Joliet images by xorriso:\n",
              kRounds);
  const Figures one = Measure(work, flat);
  const Figures many = Measure(work, spread);
  std::printf("one folder / %d folders: %.2fx (goal: at most 1.5x)\n", kFolders,
              one.filesTest / many.filesTest);
  std::printf(
      "files test / xorriso -extract: one folder %.2fx, %d folders %.2fx (goal: at most 2x)\n",
      one.filesTest / one.extraction, kFolders, many.filesTest / many.extraction);
  return 0;
}
