// Reading an input in blocks, so that no reader needs a whole file in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "formats/diagnostic.h"
#include "platform/files.h"

// Where the bytes of an input come from, a block at a time.
class CByteSource {
 public:
  virtual ~CByteSource() = default;
  // Up to `size` bytes into `buffer`; `got` is 0 at the end. False (with the reason) on a read error.
  virtual bool Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why) = 0;
  // Whether ReadAt can give bytes again that Read gave before (a file can, a stream cannot).
  virtual bool CanReadAgain() const { return false; }
  // Exactly `size` bytes from `offset` on, counted from the first byte Read gave.
  virtual bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size, CDiagnostic* why);
};

// A regular file opened for reading. Anything else (a folder, a fifo, a device such as /dev/zero)
// is refused at once: it has no end we could wait for, and a fifo must not hang the open.
class CInputFile : public CByteSource {
 public:
  CInputFile() = default;
  CInputFile(const CInputFile&) = delete;
  CInputFile& operator=(const CInputFile&) = delete;

  bool Open(const std::string& path, CDiagnostic* why = nullptr);
  bool Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why = nullptr) override;
  bool CanReadAgain() const override { return true; }
  bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size, CDiagnostic* why = nullptr) override;
  // The size when it was opened.
  std::uint64_t Size() const { return m_file.Size(); }
  const std::string& Path() const { return m_path; }

 private:
  platform::CFile m_file;
  std::string m_path;
};

// A stream that the caller opened; a stream that fails is reported as a file that could not be read.
class CStreamSource : public CByteSource {
 public:
  explicit CStreamSource(std::istream& in) : m_in(in) {}
  bool Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why) override;

 private:
  std::istream& m_in;
};
