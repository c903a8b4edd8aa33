// Finding a folder entry whatever the letter case of its name, as FAT and Windows volumes do.
#pragma once

#include <string>

// The name of the entry of folder that equals name without regard to letter case (Unicode case
// folding of UTF-8 names); an exact match wins, then the smallest matching name, so the answer
// does not depend on the order the folder lists its entries. Answers name itself when nothing
// matches or the folder cannot be read.
std::string MatchEntryName(const std::string& folder, const std::string& name);
