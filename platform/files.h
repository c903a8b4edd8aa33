// The files of the system, as formats/ and the layers above need them: paths are UTF-8 on every
// system, contents are bytes (no text mode anywhere), errors are the system's own words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The characters that separate a path's folders: '/' everywhere, and '\' too on Windows.
extern const std::string_view kPathSeparators;
// The one the system writes between folders: '/', or '\' on Windows.
extern const char kFolderSeparator;

// The path with its folders separated as the system writes them, for showing it to the user.
inline std::string NativePath(std::string path) {
  for (char& c : path) {
    if (kPathSeparators.find(c) != std::string_view::npos) c = kFolderSeparator;
  }
  return path;
}

// The system's reason for the last failed call of this thread, in words ("Permission denied").
std::string LastErrorText();

struct SFileStatus {
  bool folder = false;
  bool regular = false;
  std::uint64_t size = 0;
  unsigned mode = 0;  // permission bits where the system has them, else 0
};

// False (with the reason) when the path names nothing or cannot be examined.
bool GetFileStatus(const std::string& path, SFileStatus& status, std::string* error = nullptr);
// Whether this process may write the existing file (a read-only file may not be).
bool IsWritable(const std::string& path, std::string* error = nullptr);
// Renames `from` over `to` in one step, durably: a reader sees the old or the new file, never none.
bool RenameOver(const std::string& from, const std::string& to, std::string* error = nullptr);
bool RemoveFile(const std::string& path, std::string* error = nullptr);
// For the interruption clean-up, which may run in a signal handler: no allocation, no locks.
void RemoveFileNow(const char* path) noexcept;
// Removes the files directly in a folder (not below), then the folder; as RemoveFileNow.
void RemoveFolderOfFilesNow(const char* path) noexcept;
// The longest file name, in bytes of UTF-8, that the folder's volume takes.
std::size_t MaxNameLength(const std::string& folder);
// The system's folder for temporary files (TMPDIR, else /tmp; on Windows the user's temporary
// folder).
std::string TemporaryFolder();
// Whether files in the folder must be written front to back: some volumes in user space lose
// writes over bytes already written, or read them back as zeros.
bool OverwritesAreUnreliable(const std::string& folder);
// The permission bits a new file gets when nothing else is asked for (0666 less the umask).
unsigned DefaultFileMode();
// This process's number, as the system shows it.
std::uint64_t ProcessId();

// One open file. Reads and writes move whole buffers, retrying interrupted and partial calls.
class CFile {
 public:
  enum class EOpen { kOpened, kNotRegular, kFailed };
  enum class ECreate { kCreated, kExists, kFailed };

  CFile() = default;
  ~CFile();
  CFile(CFile&& other) noexcept;
  CFile& operator=(CFile&& other) noexcept;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  bool IsOpen() const;
  // An existing regular file for reading. Anything else (a folder, a fifo, a device) is refused
  // without waiting for it: a fifo without a writer must not hang the open.
  EOpen OpenForReading(const std::string& path, std::string* error = nullptr);
  // A new file for reading and writing, never an existing one; `mode` as the system's open takes it.
  ECreate CreateNew(const std::string& path, unsigned mode, std::string* error = nullptr);
  // A new scratch file that is gone as soon as it is closed (or the program ends, however it ends).
  ECreate CreateScratch(const std::string& path, std::string* error = nullptr);

  // The size at OpenForReading.
  std::uint64_t Size() const { return m_size; }
  // Up to `size` bytes from the current position; `got` is 0 at the end.
  bool Read(void* data, std::size_t size, std::size_t& got, std::string* error = nullptr);
  // Up to `size` bytes from `offset`; fewer (`got`) only at the end of the file.
  bool ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& got, std::string* error = nullptr);
  bool Write(const void* data, std::size_t size, std::string* error = nullptr);
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::string* error = nullptr);
  // Sets the permission bits (where the system has them).
  void SetMode(unsigned mode);
  // Flushes everything written to the device.
  bool Sync(std::string* error = nullptr);
  // Flushes the contents written to the device, but not necessarily times that nobody reads back:
  // cheaper where that is done for every block of a long copy.
  bool SyncData(std::string* error = nullptr);
  // False (with the reason) when the system reports a late write error at the close.
  bool Close(std::string* error = nullptr);

 private:
  std::intptr_t m_handle = -1;  // a descriptor, or a HANDLE
  std::uint64_t m_size = 0;
};

}  // namespace platform
