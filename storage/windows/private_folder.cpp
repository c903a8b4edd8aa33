// A new folder of this user's own: CreateDirectoryW fails on an existing name, so a name taken
// meanwhile is tried again with other characters; the folder inherits the temporary folder's
// access rules, which admit this user only.
#include "storage/private_folder.h"

#include <windows.h>

#include <random>

#include "platform/files.h"
#include "storage/windows/wide_text.h"

bool MakePrivateFolder(const std::string& start, std::string& path, std::string& reason) {
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = start;
    for (int i = 0; i < 6; ++i) name += kLetters[letter(random)];
    std::wstring wide;
    if (!ToWide(name, wide)) {
      reason = "the name is not valid UTF-8";
      return false;
    }
    if (::CreateDirectoryW(wide.c_str(), nullptr)) {
      path = name;
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      reason = platform::LastErrorText();
      return false;
    }
  }
  reason = "every name tried is taken";
  return false;
}
