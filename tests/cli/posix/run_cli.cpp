// Runs of the program on POSIX systems: fork and exec, with the streams in memory files.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/cli/posix/cli_posix_support.h"

// Standard output and error go apart into memory files.
SRun RunCli(std::vector<std::string> arguments, const std::string& workingFolder,
            const std::optional<std::string>& input) {
  SRun run;
  arguments.insert(arguments.begin(), TRANSVANE_CLI_PATH);
  const int out = ::memfd_create("stdout", MFD_CLOEXEC);
  const int err = ::memfd_create("stderr", MFD_CLOEXEC);
  int pipe[2] = {-1, -1};
  if (input && ::pipe2(pipe, O_CLOEXEC) != 0) return run;
  const pid_t child = out < 0 || err < 0 ? -1 : ::fork();
  if (child == 0) {
    if (::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || (input && ::dup2(pipe[0], 0) < 0)) ::_exit(127);
    if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) ::_exit(127);
    ::execv(arguments[0].c_str(), Argv(arguments).data());
    ::_exit(127);
  }
  if (input) {
    ::close(pipe[0]);
    // The program reads as this writes; one that stops reading ends the write (no SIGPIPE here).
    const auto previous = ::signal(SIGPIPE, SIG_IGN);
    for (std::size_t done = 0; child > 0 && done < input->size();) {
      const ssize_t count = ::write(pipe[1], input->data() + done, input->size() - done);
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
    ::signal(SIGPIPE, previous);
    ::close(pipe[1]);
  }
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child) {
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadDescriptor(out);
    run.err = ReadDescriptor(err);
  }
  if (out >= 0) ::close(out);
  if (err >= 0) ::close(err);
  return run;
}

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
}

const char* const kTemporaryFolderVariable = "TMPDIR";
const char* const kTimeZoneIgnoredBecause = nullptr;
const char* const kWinePrefixOption = "--wineprefix";
