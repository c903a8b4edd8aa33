// Whole-file load and save of the desktop product's .wpt and .trk files.
#include "formats/vexlorn_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "formats/atomic_file.h"
#include "formats/vexlorn_archive.h"

namespace {

constexpr std::size_t kReadBlockSize = 1024 * 1024;

std::string ErrnoReason(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// Reads the whole file in large blocks; the parse then runs over memory.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, CDiagnostic* why) {
  // O_NONBLOCK: a FIFO without a writer would otherwise hang the open itself, before the check below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Fail(why, ErrnoReason("cannot open", path));
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    const std::string reason = ErrnoReason("cannot read", path);
    ::close(fd);
    return Fail(why, reason);
  }
  // A folder, a pipe or a device has no end we could wait for.
  if (!S_ISREG(status.st_mode)) {
    ::close(fd);
    return Fail(why, "cannot read " + path + ": not a regular file");
  }
  const std::size_t expected = static_cast<std::size_t>(status.st_size);
  // One byte more than the size we were told, so that reaching the end costs no extra growth.
  bytes.resize(expected + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() + kReadBlockSize);
    const std::size_t want = std::min(kReadBlockSize, bytes.size() - used);
    const ssize_t got = ::read(fd, bytes.data() + used, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const std::string reason = ErrnoReason("cannot read", path);
      ::close(fd);
      return Fail(why, reason);
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  ::close(fd);
  bytes.resize(used);
  return true;
}

template <typename Doc>
bool LoadBytes(const std::uint8_t* data, std::size_t size, Doc& doc, CDiagnostic* why) {
  CVexlornArchive archive(data, size, why);
  try {
    return doc.Load(archive);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to load the file");
  }
}

template <typename Doc>
bool LoadFile(const std::string& path, Doc& doc, CDiagnostic* why) {
  std::vector<std::uint8_t> bytes;
  try {
    if (!ReadWholeFile(path, bytes, why)) return false;
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to read " + path);
  }
  return LoadBytes(bytes.data(), bytes.size(), doc, why);
}

template <typename Doc>
bool SaveFile(const std::string& path, const Doc& doc, CDiagnostic* why) {
  CAtomicFile file(path);
  if (!file.Open(why)) return false;
  CVexlornArchive archive(file, why);
  // The destructor of CAtomicFile removes the temporary file if we stop here, also when memory ran
  // out: that is a failed save like any other, not a crash.
  try {
    doc.Store(archive);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to save " + path);
  }
  return archive.Flush() && file.Commit(why);
}

template <typename Doc>
bool SaveBytes(const Doc& doc, std::vector<std::uint8_t>& out, CDiagnostic* why) {
  CVexlornArchive archive(out, why);
  doc.Store(archive);
  return archive.Flush();
}

}  // namespace

bool LoadVexlornBytes(const std::uint8_t* data, std::size_t size, CVexlornFileWpt& doc, CDiagnostic* why) {
  return LoadBytes(data, size, doc, why);
}

bool LoadVexlornBytes(const std::uint8_t* data, std::size_t size, CVexlornFileTrk& doc, CDiagnostic* why) {
  return LoadBytes(data, size, doc, why);
}

bool LoadVexlornFile(const std::string& path, CVexlornFileWpt& doc, CDiagnostic* why) {
  return LoadFile(path, doc, why);
}

bool LoadVexlornFile(const std::string& path, CVexlornFileTrk& doc, CDiagnostic* why) {
  return LoadFile(path, doc, why);
}

bool SaveVexlornFile(const std::string& path, const CVexlornFileWpt& doc, CDiagnostic* why) {
  return SaveFile(path, doc, why);
}

bool SaveVexlornFile(const std::string& path, const CVexlornFileTrk& doc, CDiagnostic* why) {
  return SaveFile(path, doc, why);
}

bool SaveVexlornBytes(const CVexlornFileWpt& doc, std::vector<std::uint8_t>& out, CDiagnostic* why) {
  return SaveBytes(doc, out, why);
}

bool SaveVexlornBytes(const CVexlornFileTrk& doc, std::vector<std::uint8_t>& out, CDiagnostic* why) {
  return SaveBytes(doc, out, why);
}
