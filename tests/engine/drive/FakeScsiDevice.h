// A scripted drive for the MMC layer's tests: replies by opcode (a queue per
// opcode whose last reply repeats, or a function of the command), every
// command recorded. Replies are
// padded with zeros to the allocation length and report no residual, as
// QEMU's drives do; an opcode without a script answers ILLEGAL REQUEST /
// INVALID COMMAND OPERATION CODE.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <vector>

#include "ScsiDevice.h"

namespace wrenlo::drive::testing {

struct FakeReply {
  Result transport = kOk;
  std::uint8_t status = kStatusGood;
  std::vector<std::uint8_t> sense;
  std::vector<std::uint8_t> data;
  // Bytes not transferred (the residual); for short transfers.
  std::size_t residual = 0;
};

FakeReply Good(std::vector<std::uint8_t> data = {});
// CHECK CONDITION with fixed-format sense.
FakeReply Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);

class FakeScsiDevice final : public ScsiDevice {
 public:
  // Replies for the opcode, in order; the last one repeats.
  void On(std::uint8_t opcode, std::vector<FakeReply> replies);
  void On(std::uint8_t opcode, FakeReply reply) { On(opcode, std::vector<FakeReply>{reply}); }
  // Replies for the opcode made from each command (in place of a queue).
  void On(std::uint8_t opcode, std::function<FakeReply(const Command&)> answer);
  // Answers READ(10)/READ(12) for one address (the rest of the command's
  // sectors are filled by the same function).
  std::function<FakeReply(std::uint32_t address)> readSector;
  // Answers READ CD for one address with the bytes that sector returns for
  // the command's fields (its share of the transfer: the buffer's length
  // over the command's count).
  std::function<FakeReply(std::uint32_t address, const Command& command)> readCdSector;

  CommandOutcome Execute(const Command& command, std::span<std::uint8_t> data) override;

  std::vector<Command> Commands(std::uint8_t opcode) const;
  std::vector<Command> commands;  // every command, in order
  // The bytes of each command that sends some (a parameter list), in order.
  std::vector<std::vector<std::uint8_t>> sent;

 private:
  FakeReply ReplyTo(const Command& command);
  std::map<std::uint8_t, std::vector<FakeReply>> script_;
  std::map<std::uint8_t, std::function<FakeReply(const Command&)>> answers_;
  std::map<std::uint8_t, std::size_t> used_;
  mutable std::mutex mutex_;
};

}  // namespace wrenlo::drive::testing
