// The process's environment variables, names and values in UTF-8.
#pragma once

#include <optional>
#include <string>

namespace platform {

std::optional<std::string> GetEnvironment(const char* name);
// Sets a variable for this process and the programs it starts; an empty value removes it.
void SetEnvironment(const char* name, const std::string& value);

}  // namespace platform
