// lumeter-cli: the command-line front end. It shows the program's facts and
// runs its scan without a window, for many discs in a row or a machine
// without a display, over the same core and engine as the program.
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <csignal>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/HelpText.h"
#include "cli/Output.h"
#include "core/disc/ImageDrives.h"
#include "core/history/DiscHistory.h"
#include "core/io/InputFiles.h"
#include "core/io/StandardDescriptors.h"
#include "core/product/ProductInfo.h"
#include "core/report/Utf8.h"

namespace {

// Opens the --image files as drives after the others; the first becomes the
// drive when none was given. False, after an error line, when one cannot be
// used.
bool OpenImages(CommandLine& command) {
  for (const std::string& path : command.images) {
    const OpenedImage opened = OpenImage(path);
    if (!opened.usable) {
      PrintError(opened.letter != 0 ? ToUtf8(opened.problem)
                                    : path + ": " + ToUtf8(opened.problem));
      return false;
    }
    if (command.drive == 0) command.drive = static_cast<char16_t>(opened.letter);
  }
  return true;
}

// Whether standard output and error may be written: not when either is a
// file being read ("... >> disc.iso") or a disk. False after saying why on
// standard error, unless standard error is the one that may not be written.
bool StandardStreamsWritable() {
  if (!OutputProblem(STDERR_FILENO, "standard error").empty()) return false;
  const std::string problem = OutputProblem(STDOUT_FILENO, "standard output");
  if (problem.empty()) return true;
  PrintError(problem);
  return false;
}

int Run(const std::vector<std::string>& args) {
  CommandLine command;
  std::string error;
  if (!ParseCommandLine(args, command, error)) {
    PrintError(error);
    return kExitFailure;
  }
  if (command.help || command.verb == Verb::Help) {
    Print(stdout, HelpText(command.verb));
    return kExitSuccess;
  }
  if (command.verb == Verb::Version) {
    Print(stdout, std::string("lumeter-cli ") + kProductVersion + "\n");
    return kExitSuccess;
  }

  wrenlo::Initialize();
  // The scan history is the program's own: no output may replace it.
  const InputFile history(DiscHistory::DefaultPath(), "the scan history");
  if (!OpenImages(command) || !StandardStreamsWritable()) return kExitFailure;
  switch (command.verb) {
    case Verb::Devices:
      return RunDevices(command);
    case Verb::Info:
    case Verb::Media:
      return RunPage(command);
    case Verb::Scan:
    case Verb::Compare:
      return RunScan(command);
    case Verb::Dump:
      return RunDump(command);
    case Verb::Save:
      return RunSave(command);
    case Verb::Files:
      return RunFiles(command);
    case Verb::WhoHas:
      return RunWhoHas(command);
    case Verb::Report:
      return RunReport(command);
    case Verb::Copy:
      return RunCopy(command);
    case Verb::Extract:
      return RunExtract(command);
    case Verb::History:
      return RunHistory(command);
    default:
      break;
  }
  Print(stderr, HelpText(Verb::None));
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard descriptor would be taken
  // by the mapfile, and progress would land in it.
  if (OpenStandardDescriptors().output) StandardOutputWasClosed();
  // A reader that goes away makes writes fail, which is reported, instead
  // of ending the program before the mapfile is written.
  std::signal(SIGPIPE, SIG_IGN);
  // Likewise a file size limit (ulimit -f) makes a copy's write fail with a
  // line saying so, rather than end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  return FinishOutput(Run(std::vector<std::string>(argv + 1, argv + argc)));
}
