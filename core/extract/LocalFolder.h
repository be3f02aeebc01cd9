// The folder files are extracted into, written through descriptors so that
// nothing lands outside it: each folder is opened relative to its parent and
// no symbolic link is followed (an existing link in the way is an error, not
// a way out). An existing file is left as it is unless replacing was asked.
// Every failure is one line naming the local path and the system's reason.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/io/OutputFile.h"

class LocalFolder {
 public:
  explicit LocalFolder(OutputFile::Writer writer = OutputFile::DefaultWriter()) : write_(writer) {}
  ~LocalFolder();
  LocalFolder(const LocalFolder&) = delete;
  LocalFolder& operator=(const LocalFolder&) = delete;

  // Opens path as the top folder, making it (not its parents) when missing.
  bool Open(const std::string& path, std::string& error);

  // Makes (or reuses) the folder name in the current one and goes into it.
  bool Enter(const std::string& name, std::string& error);
  // Back to the parent, giving the folder left the modification time when
  // one is given.
  bool Leave(const timespec* modified, std::string& error);

  enum class Created { New, Exists, Failed };
  // Starts the file name in the current folder; an existing one is replaced
  // only with replace (a folder in the way never is). Exists leaves it as it
  // was.
  Created CreateFile(const std::string& name, bool replace, std::string& error);
  // Appends to the file started; false with error (a full disc) set.
  bool Write(std::string_view bytes, std::string& error);
  // Empties the file started, to write it again from its start.
  bool Restart(std::string& error);
  // Ends the file started, with its modification time when one is given.
  bool Finish(const timespec* modified, std::string& error);
  // Ends the file started and removes it.
  bool Discard(std::string& error);

  // Makes the symbolic link name in the current folder pointing to target
  // (which is never followed), with its own modification time when one is
  // given. An existing entry of that name is replaced as CreateFile replaces
  // one. target holds no NUL.
  Created CreateLink(const std::string& name, const std::string& target, bool replace,
                     const timespec* modified, std::string& error);

  // The path below the top folder of name in the current folder.
  std::string LocalPath(const std::string& name) const;

  // The longest name, in bytes, the current folder's file system takes.
  std::size_t NameMax() const;
  // Whether name in the current folder is an entry this extraction already
  // wrote or went into under another name: on a file system that folds case
  // (or otherwise takes two names as one) "A.TXT" is "a.txt", and writing
  // the second would replace or merge with the first.
  bool UsedThisRun(const std::string& name) const;

 private:
  std::string Failure(std::string_view doing, const std::string& name, int error) const;
  // Gives the entry name open as fd the modification time, when one is given.
  bool SetTime(int fd, const timespec* modified, const std::string& name, std::string& error) const;

  OutputFile::Writer write_;
  // Notes the entry name of the current folder as used by this extraction.
  void MarkUsed(const std::string& name);

  std::vector<int> folders_;  // descriptors, the top folder first
  // Of each open folder, the entries (device, inode) this extraction wrote
  // or went into; only the folders on the path are kept, so memory follows
  // the largest folder.
  std::vector<std::set<std::pair<dev_t, ino_t>>> used_;
  std::vector<std::string> names_;  // the names entered below the top
  std::string top_;
  int file_ = -1;
  std::string fileName_;
};
