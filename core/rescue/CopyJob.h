// One copy of a drive's disc to an image, as the command line and the window
// run it: what it reads (the plan, from the disc's sessions and tracks), the
// files it writes (the image, a BIN's cue sheet, the mapfile), whether it
// continues an earlier copy, and the run itself.
//
// The files follow a few rules, checked before anything is written:
//  - the image is named NAME.iso (or any name but .cue and .bin) for an ISO
//    image, NAME.cue or NAME.bin for BIN/CUE (NAME.bin and NAME.cue);
//  - the mapfile is IMAGE.map unless named;
//  - an existing image is continued only with its mapfile, which must be of
//    a copy of this disc's size; a mapfile without its image, or an image
//    without its mapfile, is left alone and the copy refused;
//  - nothing the program reads is written (the disc image, its BIN and
//    faults files, through links), nor a disk or other device.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/rescue/CopyPlan.h"
#include "core/rescue/DiscCopier.h"
#include "core/rescue/RescueMap.h"

class DeviceContext;

struct CopyRequest {
  std::string image;    // as named
  std::string mapfile;  // empty: the image's name and ".map"
  SessionChoice sessions = SessionChoice::Last;
  SectorRange32 range;  // of the last session
  CopyOptions options;
};

struct CopyTargets {
  std::string image;  // the file of sectors: the ISO image or the BIN file
  std::string cue;    // the cue sheet of a BIN; empty for an ISO image
  std::string mapfile;
};

// The sessions and tracks of the disc in the context's drive.
DiscFacts DiscFactsOf(const DeviceContext& context);

// The format a copy of the context's last session takes when the image's
// name does not ask for one: BIN/CUE for a CD with audio or Mode 2 tracks,
// else ISO.
ImageFormat OwnImageFormat(const DeviceContext& context);

class CopyJob {
 public:
  // Plans the copy of the context's disc and checks its files. False with one
  // line in error when it cannot be made.
  bool Prepare(const DeviceContext& context, const CopyRequest& request, std::string& error);

  // Copies: the image opened (created or continued), the cue sheet written,
  // the passes run until they end or stop asks, the image made its whole
  // size and the cue sheet written again from what the image then holds.
  // The copier exists while the passes run (for a listener that shows its
  // counts). comment is the mapfile's first line.
  CopyEnd Run(ICopyListener& listener, const std::function<bool()>& stop,
              const std::string& comment);

  const CopyPlan& Plan() const { return plan_; }
  const CopyTargets& Targets() const { return targets_; }
  const RescueMap& Map() const { return map_; }
  bool Resumes() const { return resumes_; }
  const CopyOptions& Options() const { return options_; }
  std::uint16_t DriveLetter() const { return driveLetter_; }
  // While Run runs, its copier; else null.
  const DiscCopier* Copier() const { return copier_; }
  // Why Run failed.
  const std::string& Error() const { return error_; }
  std::uint64_t FailedReads() const { return failedReads_; }

 private:
  bool WriteCueSheet(const class ImageFile& image, std::string& error) const;

  CopyPlan plan_;
  CopyTargets targets_;
  RescueMap map_;
  CopyOptions options_;
  bool resumes_ = false;
  std::uint16_t driveLetter_ = 0;
  std::u16string mediumType_;
  const DiscCopier* copier_ = nullptr;
  std::string error_;
  std::uint64_t failedReads_ = 0;
};
