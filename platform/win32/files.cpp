// Files through the wide Win32 calls. Handles are opened with every sharing mode that lets the
// program rename and remove its own temporary files while they are open.
#include "platform/files.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

bool Failed(std::string* error) {
  if (error != nullptr) *error = LastErrorText();
  return false;
}

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kChunk = 1u << 30;  // the most one ReadFile or WriteFile moves here

DWORD ChunkOf(std::size_t size) { return size > kChunk ? kChunk : static_cast<DWORD>(size); }

// A path for the wide calls: both separators are taken by Windows as they are.
std::wstring Wide(const std::string& path) { return WideFromUtf8(path); }

// The position of the next Read or Write; ReadAt and WriteAt put it back where it was, as they
// move it on a handle opened for synchronous calls.
class CKeptPosition {
 public:
  explicit CKeptPosition(HANDLE handle) : m_handle(handle) {
    LARGE_INTEGER zero{};
    m_kept = ::SetFilePointerEx(handle, zero, &m_position, FILE_CURRENT) != 0;
  }
  ~CKeptPosition() {
    if (m_kept) ::SetFilePointerEx(m_handle, m_position, nullptr, FILE_BEGIN);
  }
  CKeptPosition(const CKeptPosition&) = delete;
  CKeptPosition& operator=(const CKeptPosition&) = delete;

 private:
  HANDLE m_handle;
  LARGE_INTEGER m_position{};
  bool m_kept = false;
};

// Takes the file's name away at once, as POSIX's unlink does, where the volume can (NTFS on
// Windows 10 and later): an open file otherwise keeps its name until its last handle closes.
bool UnlinkOpen(HANDLE handle) {
  FILE_DISPOSITION_INFO_EX gone{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
  // FileDispositionInfoEx, which the headers name only for builds that require Windows 10 1709.
  constexpr auto kDispositionEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
  return ::SetFileInformationByHandle(handle, kDispositionEx, &gone, sizeof gone) != 0;
}

// Removes the file, its name at once where the volume can, else as soon as the last handle closes.
bool Delete(const wchar_t* path) {
  const HANDLE handle = ::CreateFileW(path, DELETE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    const bool unlinked = UnlinkOpen(handle);
    ::CloseHandle(handle);
    if (unlinked) return true;
  }
  return ::DeleteFileW(path) != 0;
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

}  // namespace

const std::string_view kPathSeparators = "/\\";
const char kFolderSeparator = '\\';

std::string LastErrorText() {
  const DWORD code = ::GetLastError();
  wchar_t* text = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words = length > 0 ? Utf8FromWide(std::wstring_view(text, length)) : std::string();
  if (text != nullptr) ::LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) words.pop_back();
  if (words.empty()) words = "Windows error " + std::to_string(code);
  return words;
}

bool GetFileStatus(const std::string& path, SFileStatus& status, std::string* error) {
  WIN32_FILE_ATTRIBUTE_DATA found{};
  if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &found)) return Failed(error);
  status.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.regular = !status.folder && (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
  status.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  status.mode = (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  return true;
}

bool IsWritable(const std::string& path, std::string* error) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failed(error);
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  ::SetLastError(ERROR_ACCESS_DENIED);
  return Failed(error);
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  // The contents were flushed before; the rename itself reaches the disk before the call returns.
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
         Failed(error);
}

bool RemoveFile(const std::string& path, std::string* error) { return Delete(Wide(path).c_str()) || Failed(error); }

// The console's interruption handler runs on a thread of its own while the others go on, so these
// may allocate; they convert into fixed buffers all the same, to stay short.
namespace {

constexpr int kWidePath = 4096;

bool WidePathNow(const char* path, wchar_t (&wide)[kWidePath]) {
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, kWidePath);
  return length > 0;
}

}  // namespace

void RemoveFileNow(const char* path) noexcept {
  wchar_t wide[kWidePath];
  if (WidePathNow(path, wide)) Delete(wide);
}

void RemoveFolderOfFilesNow(const char* path) noexcept {
  wchar_t folder[kWidePath];
  if (!WidePathNow(path, folder)) return;
  const std::size_t length = ::wcslen(folder);
  if (length + 3 + MAX_PATH >= kWidePath) return;
  wchar_t pattern[kWidePath];
  ::wcscpy(pattern, folder);
  ::wcscpy(pattern + length, L"\\*");
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW(pattern, &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
      wchar_t file[kWidePath];
      ::wcscpy(file, folder);
      file[length] = L'\\';
      ::wcsncpy(file + length + 1, entry.cFileName, kWidePath - length - 2);
      file[kWidePath - 1] = L'\0';
      Delete(file);
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder);
}

std::string TemporaryFolder() {
  wchar_t folder[MAX_PATH + 2];
  const DWORD length = ::GetTempPathW(MAX_PATH + 2, folder);
  if (length == 0 || length > MAX_PATH + 1) return ".";
  std::wstring_view text(folder, length);
  while (text.size() > 3 && (text.back() == L'\\' || text.back() == L'/')) text.remove_suffix(1);
  return Utf8FromWide(text);
}

// The Windows drivers write over written bytes as they should, whatever the volume.
bool OverwritesAreUnreliable(const std::string&) { return false; }

std::size_t MaxNameLength(const std::string& folder) {
  // The volume's limit counts UTF-16 units, and a name of that many bytes of UTF-8 never has more;
  // never beyond the 255 that names have on every volume Windows writes.
  wchar_t root[MAX_PATH + 1];
  DWORD limit = 0;
  if (::GetVolumePathNameW(Wide(folder.empty() ? std::string(".") : folder).c_str(), root, MAX_PATH + 1) &&
      ::GetVolumeInformationW(root, nullptr, 0, nullptr, &limit, nullptr, nullptr, 0) && limit > 0 && limit < 255)
    return limit;
  return 255;
}

unsigned DefaultFileMode() { return 0666; }

std::uint64_t ProcessId() { return ::GetCurrentProcessId(); }

CFile::~CFile() { Close(); }

CFile::CFile(CFile&& other) noexcept : m_handle(other.m_handle), m_size(other.m_size) { other.m_handle = -1; }

CFile& CFile::operator=(CFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = other.m_handle;
    m_size = other.m_size;
    other.m_handle = -1;
  }
  return *this;
}

bool CFile::IsOpen() const { return m_handle != -1; }

CFile::EOpen CFile::OpenForReading(const std::string& path, std::string* error) {
  Close();
  m_size = 0;
  const std::wstring wide = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failed(error), EOpen::kFailed;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return EOpen::kNotRegular;
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Failed(error), EOpen::kFailed;
  m_handle = reinterpret_cast<std::intptr_t>(handle);
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    Close();
    return EOpen::kNotRegular;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(handle, &size)) {
    Failed(error);
    Close();
    return EOpen::kFailed;
  }
  m_size = static_cast<std::uint64_t>(size.QuadPart);
  return EOpen::kOpened;
}

namespace {

CFile::ECreate Create(const std::string& path, DWORD flags, std::intptr_t& handleOut, std::string* error) {
  const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    Failed(error);
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? CFile::ECreate::kExists
                                                                     : CFile::ECreate::kFailed;
  }
  handleOut = reinterpret_cast<std::intptr_t>(handle);
  return CFile::ECreate::kCreated;
}

}  // namespace

CFile::ECreate CFile::CreateNew(const std::string& path, unsigned mode, std::string* error) {
  Close();
  const ECreate created = Create(path, 0, m_handle, error);
  if (created == ECreate::kCreated) SetMode(mode);
  return created;
}

CFile::ECreate CFile::CreateScratch(const std::string& path, std::string* error) {
  Close();
  // Removed by the system when the handle closes, also when the process ends in any way; its name
  // goes at once where the volume can do that.
  const ECreate created = Create(path, FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_TEMPORARY, m_handle, error);
  if (created == ECreate::kCreated) UnlinkOpen(Handle(m_handle));
  return created;
}

bool CFile::Read(void* data, std::size_t size, std::size_t& got, std::string* error) {
  DWORD count = 0;
  got = 0;
  if (!::ReadFile(Handle(m_handle), data, ChunkOf(size), &count, nullptr)) {
    if (::GetLastError() == ERROR_HANDLE_EOF || ::GetLastError() == ERROR_BROKEN_PIPE) return true;
    return Failed(error);
  }
  got = count;
  return true;
}

bool CFile::ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& got, std::string* error) {
  CKeptPosition kept(Handle(m_handle));
  got = 0;
  char* bytes = static_cast<char*>(data);
  while (got < size) {
    OVERLAPPED at = At(offset + got);
    DWORD count = 0;
    if (!::ReadFile(Handle(m_handle), bytes + got, ChunkOf(size - got), &count, &at)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return Failed(error);
    }
    if (count == 0) break;
    got += count;
  }
  return true;
}

bool CFile::Write(const void* data, std::size_t size, std::string* error) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(Handle(m_handle), bytes, ChunkOf(size), &written, nullptr)) return Failed(error);
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return Failed(error);
    }
    bytes += written;
    size -= written;
  }
  return true;
}

bool CFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::string* error) {
  CKeptPosition kept(Handle(m_handle));
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    OVERLAPPED at = At(offset);
    DWORD written = 0;
    if (!::WriteFile(Handle(m_handle), bytes, ChunkOf(size), &written, &at)) return Failed(error);
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return Failed(error);
    }
    bytes += written;
    size -= written;
    offset += written;
  }
  return true;
}

void CFile::SetMode(unsigned mode) {
  // Windows keeps one permission of a file's own: whether it is read-only.
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(Handle(m_handle), FileBasicInfo, &basic, sizeof basic)) return;
  const DWORD readOnly = (mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : 0;
  basic.FileAttributes = (basic.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) | readOnly;
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  ::SetFileInformationByHandle(Handle(m_handle), FileBasicInfo, &basic, sizeof basic);
}

bool CFile::Sync(std::string* error) { return ::FlushFileBuffers(Handle(m_handle)) != 0 || Failed(error); }

bool CFile::SyncData(std::string* error) { return Sync(error); }

bool CFile::Close(std::string* error) {
  if (m_handle == -1) return true;
  const HANDLE handle = Handle(m_handle);
  m_handle = -1;
  return ::CloseHandle(handle) != 0 || Failed(error);
}

}  // namespace platform
