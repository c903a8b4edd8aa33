// The entries on the disks through the Win32 calls.
#include "storage/disk_entries.h"

#include <direct.h>
#include <windows.h>

#include <cerrno>

#include "storage/file_system.h"
#include "storage/windows/wide_text.h"

namespace {

// A path the calls take; a name that is not valid UTF-8 names no file.
bool WidePath(const std::string& path, std::wstring& wide) { return ToWide(path.empty() ? "." : path, wide); }

// The attribute bits a folder search reports, as SECFileSystem knows them.
constexpr DWORD kSearchAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_NORMAL;

std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

bool Matches(const wchar_t* wildcard, const wchar_t* name) {
  // The last '*' seen and the name position it stood for: a mismatch retries from one further.
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*name != L'\0') {
    if (*wildcard == L'*') {
      star = wildcard++;
      resume = name;
    } else if (*wildcard == L'?' || *wildcard == *name) {
      ++wildcard;
      ++name;
    } else if (star != nullptr) {
      wildcard = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*wildcard == L'*') ++wildcard;
  return *wildcard == L'\0';
}

}  // namespace

bool QueryEntry(const std::string& path, SEntryStatus& status, bool followLinks) {
  std::wstring wide;
  if (!WidePath(path, wide)) return false;
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  FILE_STANDARD_INFO standard{};
  const bool known = ::GetFileInformationByHandle(handle, &information) != 0;
  const bool sized = known && ::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) != 0;
  ::CloseHandle(handle);
  if (!known) return false;
  const DWORD attributes = information.dwFileAttributes;
  status.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.link = !followLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  status.regular = !status.folder && !status.link && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
  status.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.volume = information.dwVolumeSerialNumber;
  status.file = static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
  status.links = information.nNumberOfLinks;
  status.allocated = sized ? static_cast<std::uint64_t>(standard.AllocationSize.QuadPart) : 0;
  return true;
}

// What a Windows link points to is kept in its reparse data, which the storage code does not
// read: the messages name no target there.
bool ReadLinkTarget(const std::string& /*path*/, std::string& /*target*/) { return false; }

int SearchAttributes(const std::string& /*name*/, const std::string& path) {
  std::wstring wide;
  const DWORD attributes = WidePath(path, wide) ? ::GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES) return SECFileSystem::kAttributeSystem;
  return static_cast<int>(attributes & kSearchAttributes);
}

bool WildcardMatches(const std::string& wildcard, const std::string& name) {
  std::wstring wideWildcard;
  std::wstring wideName;
  if (!ToWide(wildcard, wideWildcard) || !ToWide(name, wideName)) return false;
  return Matches(Upper(wideWildcard).c_str(), Upper(wideName).c_str());
}

bool ListFolderNames(const std::string& folder, std::vector<std::string>& names) {
  std::wstring wide;
  if (!WidePath(folder, wide)) return false;
  if (wide.back() != L'\\' && wide.back() != L'/') wide += L'\\';
  wide += L'*';
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring_view name = found.cFileName;
    std::string utf8;
    if (name != L"." && name != L".." && ToUtf8(name, utf8)) names.push_back(std::move(utf8));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return true;
}

bool QueryCreationTime(const std::string& path, std::int64_t& createdNs) {
  std::wstring wide;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!WidePath(path, wide) || !::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
  // FILETIME counts 100 ns from 1601.
  constexpr std::int64_t kFrom1601To1970 = 116'444'736'000'000'000;
  const auto ticks = static_cast<std::int64_t>(static_cast<std::uint64_t>(data.ftCreationTime.dwHighDateTime) << 32 |
                                               data.ftCreationTime.dwLowDateTime);
  createdNs = (ticks - kFrom1601To1970) * 100;
  return true;
}

bool QueryRoom(const std::string& path, std::uint64_t& freeBytes, std::uint64_t& unit) {
  std::wstring wide;
  ULARGE_INTEGER available{};
  if (!WidePath(path, wide) || !::GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr)) return false;
  freeBytes = available.QuadPart;
  wchar_t root[MAX_PATH + 1];
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD clusters = 0;
  unit = 1;
  if (::GetVolumePathNameW(wide.c_str(), root, MAX_PATH + 1) &&
      ::GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    unit = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
  }
  return true;
}

bool MakeFolder(const std::string& path) {
  std::wstring wide;
  if (!ToWide(path, wide)) {
    errno = EINVAL;
    return false;
  }
  return ::_wmkdir(wide.c_str()) == 0;
}

bool RemoveEmptyFolder(const std::string& path) {
  std::wstring wide;
  return ToWide(path, wide) && ::_wrmdir(wide.c_str()) == 0;
}

// A rename on Windows is written through to the device before it returns; there is nothing more
// to flush.
void FlushFolder(const std::string& /*folder*/) {}

bool ProcessIsGone(std::uint64_t process) {
  const HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process));
  if (handle == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;
  const bool ended = ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  ::CloseHandle(handle);
  return ended;
}
