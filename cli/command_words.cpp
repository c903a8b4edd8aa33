// The words of a command line that are not files or folders: the command names, the help command
// and the keywords that options take.
#include "cli/command_words.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/console.h"
#include "cli/terminal_text.h"
#include "formats/ascii_case.h"

namespace {

// Edits that turn a into b: insertions, deletions, replacements and swaps of two neighbours.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
    names.push_back(sub->get_name());
  return names;
}

const CLI::App* FindCommand(const CLI::App& app, const std::string& word) {
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    if (sub->get_name() == word) return sub;
  }
  return nullptr;
}

// "unknown command" with what the user may have meant, on standard error. `path` is the commands
// named before the word, each followed by a space.
void ExplainUnknownCommand(const CLI::App& at, const std::string& path, const std::string& word) {
  const std::vector<std::string> names = CommandNames(at);
  std::string text = "unknown command \"" + path + word + "\": ";
  const std::string nearest = NearestName(word, names);
  if (!nearest.empty()) {
    text += "did you mean " + path + nearest + "?";
  } else if (!names.empty()) {
    text += "the commands are";
    for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? " " : ", ") + path + names[i];
  } else {
    text += path.substr(0, path.size() - 1) + " takes no command";
  }
  PrintText(stderr, "%s\n", EscapeForTerminal(text).c_str());
}

}  // namespace

std::string NearestName(const std::string& word, const std::vector<std::string>& names) {
  const std::string typed = AsciiLower(word);
  if (typed.empty()) return {};
  std::string best;
  std::size_t bestDistance = 0;
  for (const std::string& name : names) {
    const std::size_t distance = EditDistance(typed, AsciiLower(name));
    // A short name is close at one edit; a longer one at two.
    const std::size_t close = name.size() <= 4 ? 1 : 2;
    if (distance <= close && (best.empty() || distance < bestDistance)) {
      best = name;
      bestDistance = distance;
    }
  }
  if (!best.empty()) return best;
  std::vector<std::string> starting;
  for (const std::string& name : names) {
    if (typed.size() >= 2 && StartsWithIgnoringCase(name, typed)) starting.push_back(name);
  }
  return starting.size() == 1 ? starting.front() : std::string();
}

bool CheckCommandWords(const CLI::App& app, const std::vector<std::string>& words) {
  const CLI::App* at = &app;
  std::string path;
  for (const std::string& word : words) {
    if (word.empty() || word.front() == '-' || CommandNames(*at).empty()) return true;
    const CLI::App* sub = FindCommand(*at, word);
    if (sub == nullptr) {
      ExplainUnknownCommand(*at, path, word);
      return false;
    }
    at = sub;
    path += word + ' ';
  }
  return true;
}

void AddHelpCommand(CLI::App& app, int& status) {
  auto* help =
      app.add_subcommand("help", "Print the help of the tool, or of a command (help COMMAND is COMMAND --help)");
  auto words = std::make_shared<std::vector<std::string>>();
  help->add_option("COMMAND", *words, "The command, and its subcommand, to explain");
  help->callback([&app, words, &status] {
    const CLI::App* at = &app;
    std::string name = app.get_name();
    std::string path;
    for (const std::string& word : *words) {
      const CLI::App* sub = FindCommand(*at, word);
      if (sub == nullptr) {
        ExplainUnknownCommand(*at, path, word);
        status = 2;
        return;
      }
      at = sub;
      name += ' ' + word;
      path += word + ' ';
    }
    // What --help prints: App::help hands the same formatter the same name.
    const std::string text = at->get_formatter()->make_help(at, name, CLI::AppFormatMode::Normal);
    WriteText(stdout, EscapeForTerminal(text, true));
    status = 0;
  });
}

CLI::IsMember KeywordOf(std::vector<std::string> keywords) {
  return CLI::IsMember(std::move(keywords), [](const std::string& value) { return AsciiLower(value); });
}
