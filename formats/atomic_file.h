// Safe replacement of a file: the new contents go to a temporary file beside the target and are
// renamed over it only once everything was written and flushed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formats/diagnostic.h"

// A failed write (full disk, size limit, I/O error) leaves the previous file untouched and no
// temporary file behind. Writes are buffered; nothing reaches the target name before Commit.
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
  bool WriteAll(const char* data, std::size_t size, CDiagnostic* why);

  std::string m_targetPath;
  std::string m_tempPath;
  int m_fd = -1;
  std::string m_buffer;
  bool m_failed = false;
  std::uint64_t m_size = 0;
  bool m_sealed = false;
};

// Puts `size` bytes in place of the first `oldSize` bytes written to `file` (the header and name in
// front of a long file's records, known for certain only at its end): in place when the sizes
// agree, otherwise by moving the rest behind them in a new temporary file, which then replaces
// `file`. False (with the reason) when a write fails; the caller drops the file then.
bool ReplaceAtomicFilePrefix(std::unique_ptr<CAtomicFile>& file, std::uint64_t oldSize, const void* data,
                             std::size_t size, CDiagnostic* why = nullptr);
