// Subcommand registration. Each Register* adds its subcommands to the app; when one of them is
// chosen on the command line, its callback stores in `action` the work to run after parsing.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

#include "tools/unityctl/Context.h"

namespace unityctl {

using Action = std::function<int()>;

void RegisterInfo(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterSnap(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterReplication(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterFile(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterNfs(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterCifs(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterDemo(CLI::App& app, const CommonOptions& options, Action& action);

}  // namespace unityctl
