// A new folder of this user's own, one backend per system.
#pragma once

#include <string>

// Makes the folder `start` + six random characters, never an existing one, that only this user
// may enter; its path in `path`. False with the system's reason.
bool MakePrivateFolder(const std::string& start, std::string& path, std::string& reason);
