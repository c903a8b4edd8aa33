// Shared pieces of the tests that run the built transvane-cli: a run with its output captured, a
// temporary folder per test and small text helpers; the golden fixtures and file helpers are the
// golden tests' own.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/formats/golden_support.h"
#include "tests/traced_child.h"

// What one run of the program gave: its exit status (-1 when it did not exit) and its two streams.
struct SRun {
  int status = -1;
  std::string out;
  std::string err;
};

// The lines of a text without their '\n'; a last line without one still counts.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

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

// Every file under a folder (hidden ones too), as paths relative to it, sorted.
inline std::vector<std::string> FilesUnder(const std::filesystem::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), folder).string());
  }
  std::sort(files.begin(), files.end());
  return files;
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

// Runs the program without a shell, so that paths need no quoting, in workingFolder when one is
// given. Standard output and error go apart into memory files: neither is a terminal, and the run
// leaves nothing in any folder a test looks at. With `input`, standard input is a pipe that gives
// it, as a shell pipeline would (not a file, so it cannot seek).
inline SRun RunCli(std::vector<std::string> arguments, const std::string& workingFolder = {},
                   const std::optional<std::string>& input = std::nullopt) {
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

// A test with a temporary folder of its own, named after the test suite and removed afterwards.
// A fixture that adds to SetUp calls this one first under ASSERT_NO_FATAL_FAILURE.
class CCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string suite = ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
    std::string pattern = (std::filesystem::temp_directory_path() / (suite + ".XXXXXX")).string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
  }
  void TearDown() override {
    if (!m_root.empty()) std::filesystem::remove_all(m_root);
  }

  std::string Path(const std::string& relative) const { return (m_root / relative).string(); }

  // A golden fixture copied into the folder; answers its path.
  std::string Copy(const char* golden, const std::string& relative) {
    std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
    std::filesystem::copy_file(kGolden / golden, Path(relative), std::filesystem::copy_options::overwrite_existing);
    return Path(relative);
  }

  // A file written into the folder; answers its path.
  std::string Write(const std::string& relative, const std::string& bytes) {
    WriteBytes(Path(relative), bytes);
    return Path(relative);
  }

  static SRun Run(std::vector<std::string> arguments, const std::string& workingFolder = {},
                  const std::optional<std::string>& input = std::nullopt) {
    return RunCli(std::move(arguments), workingFolder, input);
  }

  std::filesystem::path m_root;
};
