// Safe replacement of a file: the new contents go to a temporary file beside the target and are
// renamed over it only once everything was written and flushed.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formats/diagnostic.h"

// A failed write (full disk, size limit, I/O error) leaves the previous file untouched and no
// temporary file behind. Writes are buffered; nothing reaches the target name before Commit.
//
// Some file systems in user space lose writes over bytes already written, or read them back as
// zeros. On such a volume (any in user space) the file is built in the system's temporary folder
// and copied onto the volume front to back when it is sealed; where that folder cannot take it,
// WriteAt fails rather than leave a file that lost its counts.
class CAtomicFile {
 public:
  explicit CAtomicFile(std::string targetPath);
  ~CAtomicFile();
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Creates the temporary file in the target's folder. An existing target that may not be
  // written is refused, as opening it for writing would be.
  bool Open(CDiagnostic* why = nullptr);
  bool Write(const void* data, std::size_t size, CDiagnostic* why = nullptr);
  bool Write(const std::string& text, CDiagnostic* why = nullptr) { return Write(text.data(), text.size(), why); }
  const std::string& GetTargetPath() const { return m_targetPath; }
  // Bytes written so far, buffered ones included.
  std::uint64_t GetSize() const { return m_size; }
  // Overwrites bytes written before, for a value a file holds in front of what it counts (a
  // header's count known only at the end); the range must lie within GetSize().
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size, CDiagnostic* why = nullptr);
  // Reads back bytes written before, within GetSize().
  bool ReadAt(std::uint64_t offset, void* data, std::size_t size, CDiagnostic* why = nullptr);
  // Flushes, syncs and renames the temporary file over the target.
  bool Commit(CDiagnostic* why = nullptr);
  // Flushes, syncs and closes the temporary file without renaming it yet: a job that writes many
  // files and replaces them all only at its end needs no open descriptor for each. Commit then
  // only renames; Discard removes it.
  bool Seal(CDiagnostic* why = nullptr);
  // Removes the temporary file; the target keeps whatever it held before.
  void Discard();

 private:
  bool FlushBuffer(CDiagnostic* why);
  bool RenameSealed(CDiagnostic* why);
  bool WriteAll(int fd, const char* data, std::size_t size, CDiagnostic* why);
  bool CopyStaged(CDiagnostic* why);

  std::string m_targetPath;
  std::string m_tempPath;
  int m_tempSlot = -1;  // in the registry of temporary files below
  int m_fd = -1;        // the file written to: the temporary file, or the staged one
  // On a volume in user space: the file built in the system's temporary folder, and the
  // temporary file beside the target that it is copied to.
  std::string m_stagedPath;
  int m_stagedSlot = -1;
  int m_targetFd = -1;
  bool m_unstaged = false;  // on such a volume, with nowhere to build the file
  std::string m_buffer;
  bool m_failed = false;
  std::uint64_t m_size = 0;
  bool m_sealed = false;
};

// Every temporary file of the program, whoever writes it (the atomic file, the map copy, the copy
// onto the unit), lies beside its target as ".transvane-tmp.<pid>.<n>.<target name>", the target
// name cut (at a character boundary) so that the whole fits the folder's file name limit. The
// prefix tells our leftovers from the user's files; the process id tells a dead run's leftovers
// from a live run's files.
inline constexpr char kTemporaryPrefix[] = ".transvane-tmp.";

// The temporary path for target with the attempt number n; empty (errno ENAMETOOLONG) when not
// even the prefix and numbers fit the folder's limit.
std::string TemporaryPathFor(const std::string& target, unsigned n);
// True for a file name of our temporary shape; *pid (when given) is the process that made it.
bool IsTemporaryName(const std::string& name, pid_t* pid = nullptr);

// Creates a new temporary file for target (exclusively, with mode before the umask) and registers
// it, so that an interrupt removes it. Answers the descriptor and fills path and slot; -1 with
// errno set when no file could be made.
int CreateTemporaryFile(const std::string& target, mode_t mode, std::string& path, int& slot);
// Registers a folder of our own: an interrupt removes the files in it (not below) and the folder.
// Answers its slot, -1 when the registry is full.
int RegisterTemporaryFolder(const std::string& path);
// The registered file was renamed or removed, or the folder removed: an interrupt leaves it alone.
// Sets slot to -1; a slot of -1 does nothing.
void ReleaseTemporary(int& slot);
// Removes every registered file and folder. Async-signal-safe: the registry lives in storage fixed
// at start, and this uses only unlink, rmdir and reading a folder's entries by system call.
void RemoveRegisteredTemporaries() noexcept;
// Puts `size` bytes in place of the first `oldSize` bytes written to `file` (the header and name in
// front of a long file's records, known for certain only at its end): in place when the sizes
// agree, otherwise by moving the rest behind them in a new temporary file, which then replaces
// `file`. False (with the reason) when a write fails; the caller drops the file then.
bool ReplaceAtomicFilePrefix(std::unique_ptr<CAtomicFile>& file, std::uint64_t oldSize, const void* data,
                             std::size_t size, CDiagnostic* why = nullptr);
