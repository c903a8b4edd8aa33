// Reading an input in blocks.
#include "formats/input_file.h"

#include <istream>

bool CInputFile::Open(const std::string& path, CDiagnostic* why) {
  m_path = path;
  std::string error;
  switch (m_file.OpenForReading(path, &error)) {
    case platform::CFile::EOpen::kOpened:
      return true;
    case platform::CFile::EOpen::kNotRegular:
      return Fail(why, "cannot read " + path + ": not a regular file");
    case platform::CFile::EOpen::kFailed:
      break;
  }
  return Fail(why, "cannot open " + path + ": " + error);
}

bool CInputFile::Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why) {
  got = 0;
  if (!m_file.IsOpen()) return Fail(why, "cannot read " + m_path + ": the file is not open");
  std::string error;
  if (!m_file.Read(buffer, size, got, &error)) return Fail(why, "cannot read " + m_path + ": " + error);
  return true;
}

bool CByteSource::ReadAt(std::uint64_t, char*, std::size_t, CDiagnostic* why) {
  return Fail(why, "the file cannot be read again");
}

bool CInputFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size, CDiagnostic* why) {
  if (!m_file.IsOpen()) return Fail(why, "cannot read " + m_path + ": the file is not open");
  std::string error;
  std::size_t got = 0;
  if (!m_file.ReadAt(offset, buffer, size, got, &error)) return Fail(why, "cannot read " + m_path + ": " + error);
  // The bytes were there before: the file was cut while it was read.
  if (got < size) return Fail(why, "cannot read " + m_path + ": the file changed while it was read");
  return true;
}

bool CStreamSource::Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic* why) {
  got = 0;
  if (!m_in.read(buffer, static_cast<std::streamsize>(size)) && m_in.bad())
    return Fail(why, "the file could not be read");
  got = static_cast<std::size_t>(m_in.gcount());
  return true;
}
