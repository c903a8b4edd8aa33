// Which file a path names, for the note of an interrupted run: volume serial and file index, the
// same for every spelling of a file and new for one renamed into its place.
#include <windows.h>

#include <iterator>

#include "storage/interruption_backend.h"

bool StampFile(const std::string& path, std::uint64_t& volume, std::uint64_t& file) noexcept {
  // On the stack: the handler must not allocate while the main thread may hold the heap's lock.
  wchar_t wide[32768];
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                                           wide, static_cast<int>(std::size(wide)) - 1);
  if (length <= 0) return false;
  wide[length] = L'\0';
  // Not following a last link, like the Linux check.
  const HANDLE handle =
      ::CreateFileW(wide, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = ::GetFileInformationByHandle(handle, &information) != 0;
  ::CloseHandle(handle);
  if (!known) return false;
  volume = information.dwVolumeSerialNumber;
  file = static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
  return true;
}
