// Environment variables through the C library.
#include "platform/environment.h"

#include <stdlib.h>

namespace platform {

std::optional<std::string> GetEnvironment(const char* name) {
  const char* value = ::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void SetEnvironment(const char* name, const std::string& value) {
  if (value.empty())
    ::unsetenv(name);
  else
    ::setenv(name, value.c_str(), 1);
}

}  // namespace platform
