#include "FakeScsiDevice.h"

#include <algorithm>

namespace wrenlo::drive::testing {

FakeReply Good(std::vector<std::uint8_t> data) {
  FakeReply reply;
  reply.data = std::move(data);
  return reply;
}

FakeReply Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  FakeReply reply;
  reply.status = kStatusCheckCondition;
  reply.sense = {0x70, 0, key, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq, 0, 0, 0, 0};
  return reply;
}

void FakeScsiDevice::On(std::uint8_t opcode, std::vector<FakeReply> replies) {
  std::lock_guard lock(mutex_);
  script_[opcode] = std::move(replies);
  used_[opcode] = 0;
  answers_.erase(opcode);
}

void FakeScsiDevice::On(std::uint8_t opcode, std::function<FakeReply(const Command&)> answer) {
  std::lock_guard lock(mutex_);
  answers_[opcode] = std::move(answer);
}

std::vector<Command> FakeScsiDevice::Commands(std::uint8_t opcode) const {
  std::lock_guard lock(mutex_);
  std::vector<Command> out;
  for (const Command& command : commands)
    if (command.cdb[0] == opcode) out.push_back(command);
  return out;
}

namespace {

bool IsRead(const Command& command) { return command.cdb[0] == 0x28 || command.cdb[0] == 0xA8; }

std::uint32_t U32At(const Command& command, std::size_t at) {
  return std::uint32_t{command.cdb[at]} << 24 | std::uint32_t{command.cdb[at + 1]} << 16 |
         std::uint32_t{command.cdb[at + 2]} << 8 | command.cdb[at + 3];
}

}  // namespace

FakeReply FakeScsiDevice::ReplyTo(const Command& command) {
  const std::uint8_t opcode = command.cdb[0];
  if (const auto answer = answers_.find(opcode); answer != answers_.end())
    return answer->second(command);
  const auto it = script_.find(opcode);
  if (it == script_.end() || it->second.empty()) return Check(0x05, 0x20, 0x00);
  std::size_t& used = used_[opcode];
  const FakeReply& reply = it->second[std::min(used, it->second.size() - 1)];
  ++used;
  return reply;
}

CommandOutcome FakeScsiDevice::Execute(const Command& command, std::span<std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  commands.push_back(command);
  if (command.direction == Direction::kToDevice) {
    sent.emplace_back(data.begin(), data.end());
  } else {
    std::fill(data.begin(), data.end(), 0);
  }

  FakeReply reply;
  if (command.cdb[0] == 0xBE && readCdSector) {
    // READ CD: count in bytes 6-8; each sector's share of the buffer from readCdSector.
    const std::uint32_t address = U32At(command, 2);
    const std::uint32_t count =
        std::uint32_t{command.cdb[6]} << 16 | std::uint32_t{command.cdb[7]} << 8 | command.cdb[8];
    const std::size_t share = count == 0 ? 0 : data.size() / count;
    for (std::uint32_t i = 0; i < count; ++i) {
      const FakeReply sector = readCdSector(address + i, command);
      if (sector.transport != kOk || sector.status != kStatusGood) {
        reply = sector;
        break;
      }
      std::copy_n(sector.data.begin(), std::min(sector.data.size(), share),
                  data.begin() + i * share);
    }
  } else if (IsRead(command) && readSector) {
    // Each sector from readSector; the first failing sector fails the command.
    const std::uint32_t address = U32At(command, 2);
    const std::uint32_t count = command.cdb[0] == 0x28
                                    ? (std::uint32_t{command.cdb[7]} << 8 | command.cdb[8])
                                    : U32At(command, 6);
    for (std::uint32_t i = 0; i < count && (i + 1) * 2048u <= data.size(); ++i) {
      const FakeReply sector = readSector(address + i);
      if (sector.transport != kOk || sector.status != kStatusGood) {
        reply = sector;
        break;
      }
      std::copy_n(sector.data.begin(), std::min<std::size_t>(sector.data.size(), 2048),
                  data.begin() + std::size_t{i} * 2048);
    }
  } else {
    reply = ReplyTo(command);
    if (reply.status == kStatusGood)
      std::copy_n(reply.data.begin(), std::min(reply.data.size(), data.size()), data.begin());
  }

  CommandOutcome outcome;
  outcome.transport = reply.transport;
  if (reply.transport != kOk) return outcome;
  outcome.status = reply.status;
  outcome.senseLength = std::min(reply.sense.size(), outcome.sense.size());
  std::copy_n(reply.sense.begin(), outcome.senseLength, outcome.sense.begin());
  outcome.transferred = data.size() - std::min(reply.residual, data.size());
  return outcome;
}

}  // namespace wrenlo::drive::testing
