#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {

void RegisterInfo(CLI::App& app, const CommonOptions& options, Action& action) {
  CLI::App* info = app.add_subcommand("info", "Show the array's model, name, versions and serial");
  info->callback([&options, &action] {
    action = [&options] {
      auto session = OpenSession(options);
      if (!session) return static_cast<int>(kExitUsage);
      _UnityBasicSystemInfo system;
      if (!session->GetBasicSystemInformation(system))
        return ReportFailure(*session, "reading the system information");
      Output(options.json)
          .record({{"model", system.model},
                   {"name", system.name},
                   {"softwareVersion", system.softwareVersion},
                   {"apiVersion", system.apiVersion},
                   {"earliestApiVersion", system.earliestApiVersion},
                   {"serialNumber", system.serialNumber}});
      return static_cast<int>(kExitOk);
    };
  });
}

}  // namespace unityctl
