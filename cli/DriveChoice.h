// Which drive a command works on.
#pragma once

#include <cstdint>
#include <string>

// The drive with the letter requested, or the first drive of the drive list
// when requested is 0. False with error set when there is no such drive, or
// the engine marks it unusable.
bool ChooseDrive(char16_t requested, std::uint16_t& letter, std::string& error);

// "D:" for the letter D.
std::string DriveName(std::uint16_t letter);
