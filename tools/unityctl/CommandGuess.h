// Finds a mistyped or missing command before CLI11 parses, so the message can name the commands
// that exist ("did you mean ...") instead of "A subcommand is required".
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace unityctl {

// Walks the command words of `argv` down the tree of `app`. When a word names no command where
// one is needed, or the words stop where a command is needed, returns true with `text` and
// `advice` saying so; otherwise false (CLI11 parses as usual).
bool FindCommandMistake(const CLI::App& app, int argc, const char* const* argv, std::string& text,
                        std::string& advice);

// The command words CLI11 has taken so far ("unityctl snap delete"), for pointing at its --help.
std::string ChosenCommand(const CLI::App& app);

}  // namespace unityctl
