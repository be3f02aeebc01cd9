// A file the program writes its output to, with one rule for every kind of
// target:
//  - a file the program reads (a disc image, its cue sheet, BIN or faults
//    file, any InputFile) is refused, and so is a block device: a disk is
//    never written (InputFiles.h);
//  - a new name, or an existing regular file (reached through any symbolic
//    links), gets the whole content or nothing: it is written to a temporary
//    file in the real target's folder, flushed to the disc and renamed over
//    the target, so that a failure leaves an existing file as it was and a
//    link stays a link; the new file keeps the owner, group and permissions
//    of the file it replaces;
//  - anything else that can be written (a character device such as a
//    terminal, a FIFO, /dev/stdout) is written directly, never replaced;
//  - "-" is standard output, where the caller allows it.
// Every failure is reported as one line that names the folder when the folder
// is the problem ("cannot create a file in /x: Permission denied"), the file
// otherwise.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

class OutputFile {
 public:
  // Writes bytes to a descriptor as write(2) does; tests put one in place
  // that fails as a full disc does.
  using Writer = ssize_t (*)(int fd, const void* bytes, size_t count);

  static Writer DefaultWriter();  // write(2)

  explicit OutputFile(Writer writer = DefaultWriter()) : write(writer) {}
  // Closes a target opened directly; leaves no temporary file behind.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Checks that path can be written before any work is done: an input, a
  // block device, a folder that does not take a new file, or a device that
  // cannot be opened, fails here.
  // A FIFO without a reader fails too rather than waiting for one. With
  // dashIsStandardOutput, "-" names standard output. False with error set.
  bool Open(const std::string& path, std::string& error, bool dashIsStandardOutput = false);
  // Writes the whole content to the target opened. False with error set; a
  // regular file is then left as it was, and no temporary file remains.
  bool Commit(std::string_view content, std::string& error);

 private:
  enum class Kind { None, Replace, Direct, StandardOutput };

  // Writes all of content to fd; the errno of the failure, or 0.
  int WriteAll(int fd, std::string_view content) const;

  bool Replace(std::string_view content, std::string& error);
  bool WriteDirectly(std::string_view content, std::string& error);
  void CloseDirect();

  Kind kind = Kind::None;
  std::string shownPath;   // the path as given, for messages
  std::string targetPath;  // Replace: the real file, symbolic links followed
  int fd = -1;             // Direct: the target, open for writing
  Writer write;
};
