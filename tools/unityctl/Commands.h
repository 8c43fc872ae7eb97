// Subcommand registration. Each Register* adds its subcommands to the app; when one of them is
// chosen on the command line, its callback stores in `action` the work to run after parsing.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

#include "tools/unityctl/Context.h"
#include "tools/unityctl/Output.h"

namespace unityctl {

using Action = std::function<int()>;

// Makes `command`, once chosen, run `work(session, output)` on a fresh session of the array:
// the shape of every subcommand that needs nothing but a session.
template <typename Work>
void RunOnSession(CLI::App* command, const CommonOptions& options, Action& action, Work work) {
  command->callback([&options, &action, work] {
    action = [&options, work] {
      auto session = OpenSession(options);
      if (!session) return static_cast<int>(kExitUsage);
      return work(*session, Output(options.json));
    };
  });
}

void RegisterInfo(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterSnap(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterReplication(CLI::App& app, const CommonOptions& options, Action& action);
// lun, hostlun, and snap attach / detach (after RegisterSnap).
void RegisterBlock(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterFile(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterHost(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterDemo(CLI::App& app, const CommonOptions& options, Action& action);

}  // namespace unityctl
