// Subcommand registration. Each Register* adds its subcommands to the app; when one of them is
// chosen on the command line, its callback stores in `action` the work to run after parsing.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>

#include "tools/unityctl/Context.h"
#include "tools/unityctl/Output.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {

using Action = std::function<int()>;

// Makes `command`, when chosen, store in `action` a run of `work` on a fresh session:
//   int work(ManageEMCUnity& session, const Output& out)
// The exit status is work's result, or kExitUsage when no session can be opened.
template <typename Work>
void OnSession(CLI::App* command, const CommonOptions& options, Action& action, Work work) {
  command->callback([&options, &action, work] {
    action = [&options, work] {
      std::unique_ptr<ManageEMCUnity> session = OpenSession(options);
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
void RegisterNfs(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterCifs(CLI::App& app, const CommonOptions& options, Action& action);
// resource list, and the list subcommands of lun, fs and host (after RegisterBlock, RegisterFile
// and RegisterHost).
void RegisterInventory(CLI::App& app, const CommonOptions& options, Action& action);
void RegisterDemo(CLI::App& app, const CommonOptions& options, Action& action);

}  // namespace unityctl
