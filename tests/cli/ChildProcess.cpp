#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

extern char** environ;

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Environment& env,
                           const ChildStreams& streams) {
  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");

  Environment merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : env) merged[name] = value;
  std::vector<std::string> envText;
  for (const auto& [name, value] : merged) envText.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& arg : args) argp.push_back(arg.data());
  argp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  using Output = ChildStreams::Output;
  switch (streams.output) {
    case Output::Pipe:
    case Output::BrokenPipe:
      posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
      break;
    case Output::File:
    case Output::AppendedFile:
      posix_spawn_file_actions_addopen(
          &actions, 1, streams.outputFile.c_str(),
          O_WRONLY | O_CREAT | (streams.output == Output::File ? O_TRUNC : O_APPEND), 0644);
      break;
    case Output::Closed:
      posix_spawn_file_actions_addclose(&actions, 1);
      break;
  }
  if (streams.closeError)
    posix_spawn_file_actions_addclose(&actions, 2);
  else
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  // The reader of a broken pipe is gone before the child starts.
  if (streams.output == Output::BrokenPipe) ::close(outPipe[0]);
  const int spawned = ::posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  outFd = streams.output == Output::Pipe ? outPipe[0] : -1;
  if (streams.output != Output::Pipe && streams.output != Output::BrokenPipe) ::close(outPipe[0]);
  errFd = errPipe[0];
  if (spawned != 0) {
    pid = -1;
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

ChildProcess::~ChildProcess() {
  if (pid > 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  if (outFd >= 0) ::close(outFd);
  if (errFd >= 0) ::close(errFd);
}

bool ChildProcess::ReadSome(std::chrono::steady_clock::time_point deadline) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int* owners[2] = {&outFd, &errFd};
  if (outFd < 0 && errFd < 0) return false;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return true;
  const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
  if (ready < 0 && errno != EINTR) throw std::runtime_error("poll failed");
  for (int i = 0; i < 2; ++i) {
    if (fds[i].fd < 0 || fds[i].revents == 0) continue;
    char buffer[65536];
    const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
    if (n > 0) {
      sinks[i]->append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      ::close(*owners[i]);
      *owners[i] = -1;
    }
  }
  return outFd >= 0 || errFd >= 0;
}

bool ChildProcess::WaitForError(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (result.err.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline || !ReadSome(deadline)) return false;
  }
  return true;
}

void ChildProcess::Signal(int signal) {
  if (pid > 0) ::kill(pid, signal);
}

ChildResult ChildProcess::Finish(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (ReadSome(deadline)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      pid = -1;
      result.status = -1;
      return result;
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  pid = -1;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

ChildResult RunChild(const std::vector<std::string>& argv, const ChildProcess::Environment& env,
                     const ChildStreams& streams) {
  ChildProcess child(argv, env, streams);
  return child.Finish(std::chrono::minutes(1));
}
