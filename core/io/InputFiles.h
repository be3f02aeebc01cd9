// The files the program reads, which no output may write over, and the
// check every output goes through before anything is written to it.
//
// The inputs are known by device and inode, so a symbolic link or a hard link
// to one is the same file. They come from two places:
//  - the engine: every file behind an image drive (the image or cue sheet,
//    the sheet's BIN files, the faults file), asked afresh at each check, so
//    that images opened or closed while the program runs count as they are;
//  - the features themselves: whatever reads or keeps a file of its own (a
//    mapfile to retry from, an image to compare with, a copy's target and
//    mapfile) holds an InputFile for as long as it uses the file:
//
//      const InputFile compared(imagePath, "the image being compared with");
//      ... run; every output is now refused on that file ...
//
// OutputFile::Open checks its target with OutputProblem, so every output
// written through OutputFile is covered; whatever writes another way (a
// feature's own writer of a file it keeps, standard output) asks
// OutputProblem itself before the first byte. A writer that keeps a file as
// an input of its own checks that file before it takes it as an input.
#pragma once

#include <cstdint>
#include <string>

class InputFile {
 public:
  // Keeps the file at path (symbolic links followed) from every output,
  // described as what it is to the program ("the mapfile being retried
  // from"). Keeps nothing when there is no file at path.
  InputFile(const std::string& path, std::string what);
  // The same for the file open as fd.
  InputFile(int fd, std::string what);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

 private:
  std::uint64_t id = 0;  // 0: nothing kept
};

// Why nothing may be written to path, as one line: "v.iso is the disc image
// being read", "/dev/sdb is a block device; this program does not write to
// disks". Empty when path may be written: a name that does not exist yet, a
// regular file that is no input, a FIFO or a character device.
std::string OutputProblem(const std::string& path);

// The same for the open descriptor fd, named as name ("standard output").
std::string OutputProblem(int fd, const std::string& name);
