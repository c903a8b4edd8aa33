// A program run in a child that stops at a chosen system call, so that a test acts on it (sends a
// signal, looks at its files) at a point of its work that does not depend on timing.
#pragma once

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

class CTracedChild {
 public:
  CTracedChild() = default;
  ~CTracedChild() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
  CTracedChild(const CTracedChild&) = delete;
  CTracedChild& operator=(const CTracedChild&) = delete;

  // Starts the program (arguments[0] is its path) with its standard output and error on the given
  // descriptors, stopped before its first instruction. False when the system refuses the tracing
  // (a container's seccomp filter, a ptrace policy); the caller then skips.
  bool Start(std::vector<std::string> arguments, int out, int err) {
    std::vector<char*> argv;
    for (std::string& each : arguments) argv.push_back(each.data());
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
      if (::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
      if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(126);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return m_pid > 0 && WaitForStop() &&
           ::ptrace(PTRACE_SETOPTIONS, m_pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL) == 0;
  }

  // Runs the program's main thread until it enters the system call `number` for the count-th
  // time; false when it ended first.
  bool RunToSyscall(long number, int count) {
    int seen = 0;
    int deliver = 0;
    for (;;) {
      if (::ptrace(PTRACE_SYSCALL, m_pid, nullptr, deliver) != 0 || !WaitForStop()) return false;
      deliver = 0;
      const int stop = WSTOPSIG(m_status);
      if (stop == (SIGTRAP | 0x80)) {
        __ptrace_syscall_info info{};
        if (::ptrace(PTRACE_GET_SYSCALL_INFO, m_pid, sizeof info, &info) > 0 && info.op == PTRACE_SYSCALL_INFO_ENTRY &&
            static_cast<long>(info.entry.nr) == number && ++seen == count) {
          return true;
        }
      } else if (stop != SIGTRAP) {
        deliver = stop;  // the program's own signal goes on to it
      }
    }
  }

  // Sends the signal, lets the program go on untraced and answers its exit status (-1 when it did
  // not exit, for instance killed by the signal).
  int SignalAndWait(int signal) {
    ::kill(m_pid, signal);
    ::ptrace(PTRACE_DETACH, m_pid, nullptr, 0);
    int status = 0;
    const bool waited = ::waitpid(m_pid, &status, 0) == m_pid;
    m_pid = -1;
    return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  // True at a stop; false once the child has ended (and is reaped).
  bool WaitForStop() {
    if (::waitpid(m_pid, &m_status, 0) != m_pid) return false;
    if (WIFSTOPPED(m_status)) return true;
    m_pid = -1;
    return false;
  }

  pid_t m_pid = -1;
  int m_status = 0;
};
