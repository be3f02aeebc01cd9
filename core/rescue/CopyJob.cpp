#include "core/rescue/CopyJob.h"

#include <sys/stat.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>

#include "core/disc/DeviceContext.h"
#include "core/io/InputFiles.h"
#include "core/io/OutputFile.h"
#include "core/io/SmallFile.h"
#include "core/rescue/CopySource.h"
#include "core/rescue/CueSheetText.h"
#include "core/rescue/DdrescueMapReader.h"
#include "core/rescue/ImageFile.h"
#include "core/rescue/MapfileStore.h"

namespace {

bool EndsWith(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  for (std::size_t i = 0; i < ending.size(); ++i) {
    char c = text[text.size() - ending.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ending[i]) return false;
  }
  return true;
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

// Why a path is no file a copy may write: an input of the program (the disc
// image read, its BIN or faults file, a kept file), a disk or drive, and
// what the copy cannot continue or replace whole (a FIFO, a device, a
// folder). Empty for a regular file or a new name.
std::string CopyTargetProblem(const std::string& path) {
  if (std::string problem = OutputProblem(path); !problem.empty()) return problem;
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return {};
  return path + " is not a regular file";
}

}  // namespace

DiscFacts DiscFactsOf(const DeviceContext& context) {
  DiscFacts facts;
  const std::u16string type = context.medium.typeName.str();
  facts.cd = type.rfind(u"CD", 0) == 0;
  for (const auto& [number, info] : context.Sessions()) {
    // Copies of the packed record's fields, which may lie unaligned.
    const std::int32_t start = info.startSector;
    const std::int32_t count = info.sectorCount;
    if (start >= 0 && count > 0) facts.sessions.push_back({number, start, count});
  }
  const std::int32_t firstTrack = context.medium.firstTrack;
  const std::int32_t lastTrack = context.medium.lastTrack;
  for (std::int32_t number = std::max(firstTrack, 1); number <= lastTrack && number <= 99;
       ++number) {
    CopyTrack track;
    track.number = number;
    std::int32_t session = 0, start = 0, count = 0;
    wrenlo::TrackInformation info{};
    info.mode = 1;
    if (wrenlo::GetTrackExtent(context.driveLetter, number, &session, &start, &count) != 0 ||
        wrenlo::GetTrackInformation(context.driveLetter, number, &info) != 0)
      continue;
    track.session = session;
    track.start = start;
    track.count = count;
    track.mode = info.mode;
    facts.tracks.push_back(track);
  }
  return facts;
}

ImageFormat OwnImageFormat(const DeviceContext& context) {
  CopyPlan plan;
  std::string error;
  if (!PlanCopy(DiscFactsOf(context), SessionChoice::Last, std::nullopt, {}, plan, error))
    return ImageFormat::Iso;
  return plan.format;
}

bool CopyJob::Prepare(const DeviceContext& context, const CopyRequest& request,
                      std::string& error) {
  driveLetter_ = context.driveLetter;
  mediumType_ = context.medium.typeName.str();
  options_ = request.options;
  if (!options_.IsValid()) {
    error = "the copy's options are out of range";
    return false;
  }
  if (!context.hasMedium) {
    error = "no medium in the drive";
    return false;
  }
  if (request.image.empty()) {
    error = "no image named";
    return false;
  }
  // The name says the format: a cue sheet or its BIN, else an ISO image.
  std::optional<ImageFormat> named;
  const std::string& image = request.image;
  const bool cueNamed = EndsWith(image, ".cue");
  if (cueNamed || EndsWith(image, ".bin")) named = ImageFormat::BinCue;
  if (EndsWith(image, ".iso")) named = ImageFormat::Iso;
  if (!PlanCopy(DiscFactsOf(context), request.sessions, named, request.range, plan_, error))
    return false;
  targets_ = {};
  if (plan_.format == ImageFormat::BinCue) {
    const std::string stem = named ? image.substr(0, image.size() - 4) : image;
    targets_.image = cueNamed ? stem + ".bin" : named ? image : image + ".bin";
    targets_.cue = cueNamed ? image : stem + ".cue";
    // The cue sheet names its BIN file in double quotes, on one line.
    if (NameOf(targets_.image).find_first_of("\"\r\n") != std::string::npos) {
      error = targets_.image + ": a BIN file's name cannot hold a double quote or a line break";
      return false;
    }
  } else {
    targets_.image = image;
  }
  // Beside the image, or the cue sheet, under the name its drive reads it by.
  const std::string& opened = targets_.cue.empty() ? targets_.image : targets_.cue;
  targets_.mapfile = request.mapfile.empty() ? opened + ".map" : request.mapfile;

  for (const std::string* path : {&targets_.image, &targets_.cue, &targets_.mapfile}) {
    if (path->empty()) continue;
    if (std::string problem = CopyTargetProblem(*path); !problem.empty()) {
      error = problem;
      return false;
    }
  }
  if (targets_.mapfile == targets_.image || targets_.mapfile == targets_.cue) {
    error = targets_.mapfile + " cannot be both the image and its mapfile";
    return false;
  }

  const bool imageThere = Exists(targets_.image);
  const bool mapThere = Exists(targets_.mapfile);
  if (imageThere && !mapThere) {
    error = targets_.image + " already exists and has no mapfile (" + targets_.mapfile +
            ") to continue it with: it is left as it is";
    return false;
  }
  if (!imageThere && mapThere) {
    error = targets_.mapfile + " is the mapfile of " + targets_.image +
            ", which is not there: remove the mapfile to copy anew";
    return false;
  }
  if (!imageThere && !targets_.cue.empty() && Exists(targets_.cue)) {
    error = targets_.cue + " already exists: it is left as it is";
    return false;
  }
  resumes_ = imageThere;
  const std::uint64_t imageBytes = plan_.imageSectors * plan_.sectorBytes;
  map_ = RescueMap(plan_.imageSectors);
  if (!resumes_) return true;
  std::string text;
  Mapfile mapfile;
  if (!ReadSmallFile(targets_.mapfile, wrenlo::kMaxMapfileBytes, text, error)) return false;
  if (!ParseMapfile(text, mapfile, error)) {
    error = targets_.mapfile + ": " + error;
    return false;
  }
  if (mapfile.End() != imageBytes) {
    error = targets_.mapfile + " is the mapfile of a copy of " + std::to_string(mapfile.End()) +
            " bytes, and a copy of this disc has " + std::to_string(imageBytes) +
            ": it is another disc's";
    return false;
  }
  map_ = SectorMapOf(mapfile, plan_.sectorBytes, plan_.imageSectors);
  return true;
}

bool CopyJob::WriteCueSheet(const ImageFile& image, std::string& error) const {
  if (targets_.cue.empty()) return true;
  std::vector<std::uint8_t> sector(plan_.sectorBytes);
  const auto formAt = [&](std::uint64_t imageSector) {
    if (!image.ReadBack(imageSector * plan_.sectorBytes, sector.data(), sector.size()))
      return WholeSectorForm::Other;
    return FormOfWholeSector(sector.data());
  };
  OutputFile file;
  if (file.Open(targets_.cue, error) &&
      file.Commit(CueSheetText(plan_, NameOf(targets_.image), formAt), error))
    return true;
  error = "cue sheet: " + error;
  return false;
}

CopyEnd CopyJob::Run(ICopyListener& listener, const std::function<bool()>& stop,
                     const std::string& comment) {
  error_.clear();
  MapfileStore mapfile(targets_.mapfile, comment, plan_.sectorBytes);
  ImageFile image;
  // A new copy's mapfile comes first: it claims nothing, and an image is
  // then never without its mapfile.
  if (!resumes_ && !mapfile.Save(map_, MapfileStatus{}, image, 0, error_)) return CopyEnd::Failed;
  if (!image.Open(targets_.image, resumes_, plan_.imageSectors * plan_.sectorBytes, error_) ||
      !WriteCueSheet(image, error_))
    return CopyEnd::Failed;
  // No other output may write over the image while the copy writes it.
  const InputFile kept(targets_.image, "the image being copied to");
  DriveCopySource source(driveLetter_, plan_.format == ImageFormat::BinCue, mediumType_);
  DiscCopier copier(plan_, source, image, map_, mapfile, options_, listener);
  copier_ = &copier;
  CopyEnd end = copier.Run(stop);
  copier_ = nullptr;
  failedReads_ = copier.FailedReads();
  error_ = copier.Error();
  std::string error;
  if (!image.Extend(error) || !WriteCueSheet(image, error)) {
    if (error_.empty()) error_ = error;
    end = CopyEnd::Failed;
  }
  return end;
}
