#include "tools/unityctl/CommandGuess.h"

#include <algorithm>
#include <vector>

#include "tools/CliManual.h"

namespace unityctl {
namespace {

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string Names(const CLI::App& app) {
  std::string names;
  for (const CLI::App* sub : climanual::Subcommands(app))
    names += (names.empty() ? "" : ", ") + sub->get_name();
  return names;
}

// The option of `app` or of one of its parents named by `word` ("--name", "-n", "--name=x").
const CLI::Option* FindOption(const CLI::App* app, const std::string& word) {
  const std::string name = word.substr(0, word.find('='));
  for (; app != nullptr; app = app->get_parent()) {
    for (const CLI::Option* opt : app->get_options()) {
      if (name.rfind("--", 0) == 0 ? opt->check_lname(name.substr(2))
                                   : name.size() == 2 && opt->check_sname(name.substr(1)))
        return opt;
    }
  }
  return nullptr;
}

}  // namespace

std::string ChosenCommand(const CLI::App& app) {
  std::string path = app.get_name();
  const CLI::App* current = &app;
  while (!current->get_subcommands().empty()) {
    current = current->get_subcommands().front();
    path += " " + current->get_name();
  }
  return path;
}

bool FindCommandMistake(const CLI::App& app, int argc, const char* const* argv, std::string& text,
                        std::string& advice) {
  const CLI::App* current = &app;
  std::string path = climanual::ProgramName(app);
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--") return false;
    if (word.size() > 1 && word[0] == '-') {
      if (word == "-h" || word == "--help" || word.rfind("--generate-doc", 0) == 0) return false;
      const CLI::Option* opt = FindOption(current, word);
      if (opt != nullptr && climanual::TakesValue(*opt) && word.find('=') == std::string::npos)
        ++i;  // its value
      continue;
    }
    if (climanual::Subcommands(*current).empty()) return false;  // an argument, not a command
    const CLI::App* next = nullptr;
    for (const CLI::App* sub : climanual::Subcommands(*current))
      if (sub->get_name() == word) next = sub;
    if (next == nullptr) {
      // The nearest command, when it is at most two edits away or begins with the word.
      const CLI::App* closest = nullptr;
      size_t best = 0;
      for (const CLI::App* sub : climanual::Subcommands(*current)) {
        const size_t distance = EditDistance(word, sub->get_name());
        if (closest == nullptr || distance < best) {
          best = distance;
          closest = sub;
        }
      }
      if (closest != nullptr && best > 2 && closest->get_name().rfind(word, 0) != 0)
        closest = nullptr;
      text = "'" + path + " " + word + "' is not a command";
      advice = closest != nullptr ? "did you mean '" + path + " " + closest->get_name() + "'?"
                                  : "the commands of " + path + " are: " + Names(*current);
      return true;
    }
    current = next;
    path += " " + word;
  }
  if (current->get_require_subcommand_min() > 0) {
    text = "'" + path + "' needs a command: " + Names(*current);
    advice = "'" + path + " --help' says what each does";
    return true;
  }
  return false;
}

}  // namespace unityctl
