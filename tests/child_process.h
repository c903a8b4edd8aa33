// Running a piece of a test in a forked child, under limits the test process itself must not
// carry: a file size limit, an address space limit, an alarm against a hang.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

// The exit status that the body answered in the child, or -1 when the child did not exit
// normally (a crash, a signal, the alarm).
inline int ExitStatusInChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) ::_exit(body());
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// In the child: writes past `bytes` fail (EFBIG) instead of killing the process.
inline bool LimitFileSize(rlim_t bytes) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes};
  return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// In the child: `room` bytes of address space beyond what the process uses now.
inline bool LimitAddressSpace(rlim_t room) {
  long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  if (pages <= 0) return false;
  const rlim_t total = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + room;
  const rlimit limit{total, total};
  return ::setrlimit(RLIMIT_AS, &limit) == 0;
}
