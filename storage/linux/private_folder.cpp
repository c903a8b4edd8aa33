// A new folder of this user's own: mkdtemp makes it with mode 0700 under an unused name.
#include "storage/private_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>

bool MakePrivateFolder(const std::string& start, std::string& path, std::string& reason) {
  std::string pattern = start + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    reason = std::strerror(errno);
    return false;
  }
  path = pattern;
  return true;
}
