// What only the POSIX runs of the program can do: start it on a pseudo-terminal, and stop it
// inside a system call to send it a signal.
#pragma once

#include <pty.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"
#include "tests/traced_child.h"

// An argv for execv over the strings, which must outlive it.
inline std::vector<char*> Argv(std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (std::string& each : arguments) argv.push_back(each.data());
  argv.push_back(nullptr);
  return argv;
}

// Starts the program on a new pseudo-terminal (of the given size, else the default) and answers
// its pid, or -1, with the terminal's controlling side in `terminal`.
inline pid_t StartOnTerminal(std::vector<std::string> arguments, int& terminal, const winsize* size = nullptr) {
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, size);
  if (child == 0) {
    ::execv(arguments[0].c_str(), Argv(arguments).data());
    ::_exit(127);
  }
  return child;
}

// Everything written to a descriptor that the child shared with us, from its start.
inline std::string ReadDescriptor(int fd) {
  std::string text;
  char buffer[4096];
  for (off_t offset = 0;;) {
    const ssize_t count = ::pread(fd, buffer, sizeof buffer, offset);
    if (count <= 0) break;
    text.append(buffer, static_cast<std::size_t>(count));
    offset += count;
  }
  return text;
}

// A run stopped where it enters a system call for the count-th time, looked at there (atStop) and
// sent a signal. `traced` is false when the system refuses the tracing, `stopped` false when the
// program ended before that call.
struct SInterruptedRun {
  bool traced = false;
  bool stopped = false;
  int status = -1;
  std::string err;
};

inline SInterruptedRun RunCliInterrupted(std::vector<std::string> arguments, long syscall, int count, int signal,
                                         const std::function<void()>& atStop = {}) {
  SInterruptedRun run;
  arguments.insert(arguments.begin(), TRANSVANE_CLI_PATH);
  const int out = ::memfd_create("stdout", MFD_CLOEXEC);
  const int err = ::memfd_create("stderr", MFD_CLOEXEC);
  {
    CTracedChild child;
    run.traced = child.Start(arguments, out, err);
    run.stopped = run.traced && child.RunToSyscall(syscall, count);
    if (run.stopped) {
      if (atStop) atStop();
      run.status = child.SignalAndWait(signal);
    }
  }
  run.err = ReadDescriptor(err);
  ::close(out);
  ::close(err);
  return run;
}
