// The manual page and the bash completion script of a CLI11 program, written from its command
// tree. The build runs the program with the hidden option "--generate-doc" so the installed page
// and completion carry the very texts and options that --help prints: they cannot drift apart.
#pragma once

#include <CLI/CLI.hpp>
#include <cctype>
#include <iostream>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace climanual {

// The options of `app` that --help lists (hidden ones have an empty group).
inline std::vector<const CLI::Option*> ListedOptions(const CLI::App& app) {
  return app.get_options([](const CLI::Option* opt) { return !opt->get_group().empty(); });
}

// The program's name without its directory (CLI11 names the app after argv[0]).
inline std::string ProgramName(const CLI::App& app) {
  const std::string path = app.get_name();
  return path.substr(path.find_last_of('/') + 1);
}

// True for an option that takes a value (not a flag).
inline bool TakesValue(const CLI::Option& opt) {
  return opt.get_expected_min() > 0;
}

inline std::vector<const CLI::App*> Subcommands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* sub) { return !sub->get_group().empty(); });
}

// Text for a roff body line: backslashes escaped, a leading control character neutralised.
inline std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// An option's synopsis in roff: its names in bold with minus signs, its value label as --help
// shows it.
inline std::string RoffOptionHead(const CLI::Option& opt, const CLI::Formatter& format) {
  std::string names = format.make_option_name(&opt, false);
  std::string head = "\\fB";
  for (char c : names) {
    if (c == '-') {
      head += "\\-";
    } else if (c == ',') {
      head += "\\fR, \\fB";
    } else {
      head += c;
    }
  }
  return head + "\\fR" + Roff(format.make_option_opts(&opt));
}

// The options of `app` in roff; the help flag only for the program itself, since every command
// has it.
inline void WriteRoffOptions(const CLI::App& app, std::ostream& out) {
  const CLI::Formatter format;
  for (const CLI::Option* opt : ListedOptions(app)) {
    if (app.get_parent() != nullptr && opt == app.get_help_ptr()) continue;
    out << ".TP\n" << RoffOptionHead(*opt, format) << "\n" << Roff(opt->get_description()) << "\n";
  }
}

// Lines of a description as separate roff paragraphs.
inline void WriteRoffParagraphs(const std::string& text, std::ostream& out) {
  std::string::size_type start = 0;
  while (start <= text.size()) {
    std::string::size_type end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) out << ".PP\n" << Roff(text.substr(start, end - start)) << "\n";
    start = end + 1;
  }
}

inline void WriteRoffCommands(const CLI::App& app, const std::string& path, std::ostream& out) {
  for (const CLI::App* sub : Subcommands(app)) {
    const std::string name = path + " " + sub->get_name();
    out << ".SS \"" << Roff(name) << "\"\n" << Roff(sub->get_description()) << "\n";
    if (ListedOptions(*sub).size() > (sub->get_help_ptr() != nullptr ? 1u : 0u)) {
      out << ".RS\n";
      WriteRoffOptions(*sub, out);
      out << ".RE\n";
    }
    WriteRoffCommands(*sub, name, out);
  }
}

// The footer of --help as manual sections: a line of capitals and blanks opens a section, a line
// indented by two blanks is shown as it is (an example), any other line is a paragraph.
inline void WriteRoffFooter(const std::string& footer, std::ostream& out) {
  std::istringstream lines(footer);
  std::string line;
  bool verbatim = false;
  while (std::getline(lines, line)) {
    const bool heading =
        !line.empty() && line.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ ") == std::string::npos;
    const bool example = line.rfind("  ", 0) == 0;
    if (verbatim && !example) out << ".fi\n";
    if (!verbatim && example) out << ".PP\n.nf\n";
    verbatim = example;
    if (heading) {
      out << ".SH " << line << "\n";
    } else if (example) {
      out << Roff(line.substr(2)) << "\n";
    } else if (!line.empty()) {
      out << ".PP\n" << Roff(line) << "\n";
    }
  }
  if (verbatim) out << ".fi\n";
}

// Section 1 manual page. The first line of the program's description, without a leading
// "prog - ", is the summary in NAME; the whole description forms the DESCRIPTION.
inline void WriteManPage(const CLI::App& app, const std::string& source, std::ostream& out) {
  const std::string name = ProgramName(app);
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string description = app.get_description();
  const std::string::size_type lineEnd = description.find('\n');
  std::string summary = description.substr(0, lineEnd);
  if (summary.rfind(name + " - ", 0) == 0) summary.erase(0, name.size() + 3);

  out << ".TH " << upper << " 1 \"\" \"" << Roff(source) << "\" \"User Commands\"\n"
      << ".SH NAME\n"
      << name << " \\- " << Roff(summary) << "\n"
      << ".SH SYNOPSIS\n"
      << ".B " << name << "\n[\\fIOPTIONS\\fR]"
      << (Subcommands(app).empty() ? "" : " \\fICOMMAND\\fR [\\fIOPTIONS\\fR]") << "\n"
      << ".SH DESCRIPTION\n";
  WriteRoffParagraphs(description, out);
  out << ".SH OPTIONS\n";
  WriteRoffOptions(app, out);
  if (!Subcommands(app).empty()) {
    out << ".SH COMMANDS\n";
    WriteRoffCommands(app, name, out);
  }
  WriteRoffFooter(app.get_footer(), out);
}

// One entry per command path ("unityctl", "unityctl snap", ...): the words that may follow it.
inline void CollectCompletionWords(const CLI::App& app, const std::string& path,
                                   std::ostream& words, std::set<std::string>& valueOptions) {
  std::string list;
  for (const CLI::App* sub : Subcommands(app)) list += sub->get_name() + " ";
  for (const CLI::Option* opt : ListedOptions(app)) {
    std::vector<std::string> names;
    for (const std::string& s : opt->get_snames()) names.push_back("-" + s);
    for (const std::string& l : opt->get_lnames()) names.push_back("--" + l);
    for (const std::string& n : names) {
      list += n + " ";
      if (TakesValue(*opt)) valueOptions.insert(n);
    }
  }
  if (!list.empty()) list.pop_back();
  words << "    [\"" << path << "\"]=\"" << list << "\"\n";
  for (const CLI::App* sub : Subcommands(app)) {
    CollectCompletionWords(*sub, path + " " + sub->get_name(), words, valueOptions);
  }
}

// A bash completion function: it follows the command words typed so far down the tree, offers
// the subcommands and options of the deepest command reached, and leaves the value of an option
// that takes one to bash's default (file name) completion.
inline void WriteBashCompletion(const CLI::App& app, std::ostream& out) {
  const std::string name = ProgramName(app);
  std::string function = "_" + name;
  for (char& c : function) {
    if (c == '-') c = '_';
  }
  std::ostringstream words;
  std::set<std::string> valueOptions;
  CollectCompletionWords(app, name, words, valueOptions);
  std::string takesValue = " ";
  for (const std::string& option : valueOptions) takesValue += option + " ";
  out << "# bash completion for " << name << "; generated from its command tree.\n"
      << function << "() {\n"
      << "  local -A words=(\n"
      << words.str() << "  )\n"
      << "  local takes_value=\"" << takesValue << "\"\n"
      << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      << "  local path=" << name << " i\n"
      << "  if [[ $takes_value == *\" $prev \"* ]]; then\n"
      << "    compopt -o default\n"
      << "    COMPREPLY=()\n"
      << "    return\n"
      << "  fi\n"
      << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      << "    [[ -n ${words[\"$path ${COMP_WORDS[i]}\"]+x} ]] && path+=\" ${COMP_WORDS[i]}\"\n"
      << "  done\n"
      << "  mapfile -t COMPREPLY < <(compgen -W \"${words[$path]}\" -- \"$cur\")\n"
      << "}\n"
      << "complete -F " << function << " " << name << "\n";
}

// Adds the hidden option "--generate-doc man|bash-completion". When parsed it prints the manual
// page (with `source` in its footer, e.g. "ManageEMCUnity 1.0.0") or the completion script of
// the whole tree of `app`, then ends parsing with CLI::Success (exit status 0).
inline void AddGenerateDocOption(CLI::App& app, const std::string& source) {
  app.add_option_function<std::string>(
         "--generate-doc",
         [&app, source](const std::string& format) {
           if (format == "man") {
             WriteManPage(app, source, std::cout);
           } else {
             WriteBashCompletion(app, std::cout);
           }
           std::cout.flush();
           throw CLI::Success();
         },
         "")
      ->check(CLI::IsMember({"man", "bash-completion"}))
      ->group("")
      ->trigger_on_parse();
}

}  // namespace climanual
