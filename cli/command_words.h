// The words of a command line that are not files or folders: the command names, the help command
// and the keywords that options take.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

// The name nearest to a mistyped word (letter case ignored, a swap of two neighbours counting as
// one edit), or the one name that begins with it; empty when none is close enough to suggest.
std::string NearestName(const std::string& word, const std::vector<std::string>& names);

// Checks the commands named at the front of the line (before the first option): each must be a
// subcommand of the one before. An unknown one is explained on standard error, with the nearest
// name when there is one, and answers false.
bool CheckCommandWords(const CLI::App& app, const std::vector<std::string>& words);

// `help` and `help COMMAND...`: the same text as --help and COMMAND... --help.
void AddHelpCommand(CLI::App& app, int& status);

// A transform for an option that takes one of a few keywords, in any letter case: the value
// becomes the keyword as listed.
CLI::IsMember KeywordOf(std::vector<std::string> keywords);
