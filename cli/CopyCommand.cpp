// copy: the disc to an image in passes, with its mapfile.
#include "cli/Commands.h"
#include "cli/CopyConsole.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "core/damage/DamageIndex.h"
#include "core/disc/DeviceContext.h"
#include "core/product/ProductInfo.h"
#include "core/report/CopySummary.h"
#include "core/report/EscapedText.h"
#include "core/rescue/CopyJob.h"
#include "core/rescue/IncompleteFiles.h"

namespace {

std::string MapComment(const std::string& drive, const DeviceContext& context, bool all) {
  return std::string("lumeter-cli (") + kProductName + " " + kProductVersion + "): copy of drive " +
         drive +
         (all ? ", every session" : ", session " + std::to_string(context.medium.lastSession));
}

CopyResult ResultOf(const CopyJob& job, const DeviceContext& context, CopyEnd end) {
  const CopyCounts counts = CountsOf(job.Map(), job.Plan());
  CopyResult result;
  result.finished = end == CopyEnd::Finished;
  result.counts = counts;
  result.failedReads = job.FailedReads();
  result.sectorBytes = job.Plan().sectorBytes;
  result.image = job.Targets().image;
  result.cue = job.Targets().cue;
  result.mapfile = job.Targets().mapfile;
  // The files on what is missing, from the drive's file system, when the
  // medium is still there to list it.
  if (counts.Missing() != 0 && end != CopyEnd::MediumRemoved) {
    const std::int32_t track = context.GetSessionInfo(-1).firstTrack;
    const auto index =
        IncompleteFiles(context.driveLetter, track, job.Plan(), CopyTable(job.Map(), job.Plan()));
    if (index != nullptr && index->Layout().result == 0) {
      result.incompleteFiles = index->DamagedFiles();
      result.filesKnown = true;
    }
  } else if (counts.Missing() == 0) {
    result.filesKnown = true;
  }
  return result;
}

}  // namespace

int RunCopy(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  if (!context.hasMedium) {
    PrintError("no medium in drive " + DriveName(*letter));
    return kExitFailure;
  }
  CopyRequest request;
  request.image = command.outputFile;
  request.mapfile = command.mapFile;
  request.sessions = command.allSessions ? SessionChoice::All : SessionChoice::Last;
  request.options = command.copyOptions;
  CopyJob job;
  std::string error;
  if (!job.Prepare(context, request, error)) {
    PrintError(error);
    return kExitFailure;
  }
  // Progress goes where the summary does not, when it is JSON.
  std::FILE* progress = command.json ? stderr : stdout;
  CopyConsole console(progress, job);
  if (job.Resumes())
    Print(progress, "Continuing the copy in " + WithControlsEscaped(job.Targets().image) +
                        " from " + WithControlsEscaped(job.Targets().mapfile) + "\n");
  CatchInterrupt();
  const CopyEnd end = job.Run(
      console, [] { return InterruptRequested(); },
      MapComment(DriveName(*letter), context, command.allSessions));
  console.Finish();
  if (end == CopyEnd::Failed) PrintError(job.Error());
  const CopyResult result = ResultOf(job, context, end);
  Print(stdout, command.json ? CopySummaryJson(result) : CopySummaryText(result));
  if (end == CopyEnd::Failed) return kExitFailure;
  return result.counts.Missing() == 0 ? kExitSuccess : kExitFound;
}
