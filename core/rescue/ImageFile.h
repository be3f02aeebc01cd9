// The image a copy writes: a regular file, new or continued, written sector
// by sector at each sector's place, flushed to the disc before a mapfile
// claims what it holds. Sectors the copy has not read stay holes, which
// read as zeros; so does a sector read as zeros where the file had no data
// yet, so that a copy of a sparse image stays sparse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ImageFile {
 public:
  ImageFile() = default;
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  // Opens path to write the copy into: with existing, a file that must be
  // there (a copy continued), else a name that must not be. Anything but a
  // regular file (a disk, a drive, a FIFO) is refused. size is the image's
  // whole size in bytes; a file already larger is no copy of this disc.
  // False with error set to one line naming the file.
  bool Open(const std::string& path, bool existing, std::uint64_t size, std::string& error);
  // Writes bytes at offset. False with error set ("IMAGE: No space left on
  // device"); the bytes may then be written in part.
  bool Write(std::uint64_t offset, const std::uint8_t* bytes, std::size_t count,
             std::string& error);
  // Reads count bytes at offset back (what is not written yet reads as zeros).
  bool ReadBack(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) const;
  // Flushes what was written to the disc (fdatasync); nothing to do before
  // the file is open.
  bool Sync(std::string& error);
  // Makes the file its whole size, the sectors not written yet a hole.
  bool Extend(std::string& error);
  void Close();

  const std::string& Path() const { return path_; }

 private:
  std::string Problem(int error) const;

  int fd_ = -1;
  std::string path_;
  std::uint64_t size_ = 0;
  // The file's size when opened: zeros written past it need not be written.
  std::uint64_t heldBefore_ = 0;
};
