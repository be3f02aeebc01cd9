#include <span>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/SessionChoice.h"
#include "core/disc/DeviceContext.h"
#include "core/format/HexDump.h"
#include "core/io/OutputFile.h"
#include "core/report/PropertyRows.h"
#include "core/report/Utf8.h"

namespace {

// Reads the sector the command names, once, as the Sector Viewer does.
// Returns kExitSuccess with the 2048 bytes in buffer, or the status to end
// with after an error line.
int ReadChosenSector(const CommandLine& command, std::vector<std::uint8_t>& buffer) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  const std::optional<std::int32_t> session = ChooseSession(context, command.session);
  if (!session) return kExitFailure;
  if (!SectorInSession(context, *session, command.sector)) return kExitFailure;
  const std::int32_t result =
      context.ReadSector(buffer, static_cast<std::int32_t>(command.sector), *session);
  if (result != 0) {
    PrintError("sector " + std::to_string(command.sector) + " of session " +
               std::to_string(*session) + " does not read: " + wrenlo::ResultName(result) + " (" +
               ToUtf8(FormatText("Sector read error (%d)", result)) + ")");
    return kExitFound;
  }
  return kExitSuccess;
}

}  // namespace

int RunDump(const CommandLine& command) {
  std::vector<std::uint8_t> buffer;
  if (const int status = ReadChosenSector(command, buffer); status != kExitSuccess) return status;
  // The dump's lines end with CR LF, as in the viewer; here they end as text
  // lines do on this system.
  std::string text = ToUtf8(FormatHexDump(std::span<const std::uint8_t>(buffer)));
  std::erase(text, '\r');
  Print(stdout, text);
  return kExitSuccess;
}

int RunSave(const CommandLine& command) {
  // "-" is standard output, with its writes checked as all output is.
  const bool toStandardOutput = command.outputFile == "-";
  // The file's target is checked before the drive is asked.
  OutputFile file;
  std::string error;
  if (!toStandardOutput && !file.Open(command.outputFile, error)) {
    PrintError(error);
    return kExitFailure;
  }
  std::vector<std::uint8_t> buffer;
  if (const int status = ReadChosenSector(command, buffer); status != kExitSuccess) return status;
  const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  if (toStandardOutput) {
    Print(stdout, bytes);
    return kExitSuccess;
  }
  const HeldStopSignals held;
  if (!file.Commit(bytes, error)) {
    PrintError(error);
    return kExitFailure;
  }
  return kExitSuccess;
}
