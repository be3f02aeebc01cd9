// Runs a program as a child process with some environment variables set, and
// collects its standard output, standard error and exit status.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

struct ChildResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

// Where the child's standard output and error go.
struct ChildStreams {
  enum class Output {
    Pipe,          // read by the test into ChildResult::out
    File,          // the file outputFile, opened for writing (e.g. /dev/full)
    AppendedFile,  // the same, appended to (">>")
    Closed,        // no descriptor 1 at all
    BrokenPipe,    // a pipe whose reader is gone before the child writes
  };
  Output output = Output::Pipe;
  std::string outputFile;
  bool closeError = false;  // no descriptor 2 at all
};

class ChildProcess {
 public:
  using Environment = std::map<std::string, std::string>;

  // Starts argv[0] (a path) with argv, the test's environment plus env, and
  // no standard input.
  ChildProcess(const std::vector<std::string>& argv, const Environment& env,
               const ChildStreams& streams = {});
  // Kills a child that is still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads the child's output until its standard error holds text. False when
  // the child ends, or timeout passes, first.
  bool WaitForError(const std::string& text, std::chrono::milliseconds timeout);
  void Signal(int signal);
  // Reads all output and waits for the child's end; a child still running
  // after timeout is killed and the status is -1.
  ChildResult Finish(std::chrono::milliseconds timeout);

 private:
  // Reads what is there within the time left; false once both pipes ended.
  bool ReadSome(std::chrono::steady_clock::time_point deadline);

  pid_t pid = -1;
  int outFd = -1;
  int errFd = -1;
  ChildResult result;
};

// Runs a program to its end (one minute at most).
ChildResult RunChild(const std::vector<std::string>& argv, const ChildProcess::Environment& env,
                     const ChildStreams& streams = {});
