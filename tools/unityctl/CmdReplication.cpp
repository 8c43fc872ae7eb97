#include <string>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {

void RegisterReplication(CLI::App& app, const CommonOptions& options, Action& action) {
  static std::string resource;
  static std::string sessionId;
  CLI::App* replication = app.add_subcommand("replication", "Replication sessions: show, sync");
  replication->require_subcommand(1);

  CLI::App* show =
      replication->add_subcommand("show", "Show the replication session of a resource");
  show->add_option("-r,--resource", resource, "Source storage resource id")->required();
  show->callback([&options, &action] {
    action = [&options] {
      auto session = OpenSession(options);
      if (!session) return static_cast<int>(kExitUsage);
      ReplicationSessionInfo info;
      if (!session->GetReplicationInfoForResId(info, resource))
        return ReportFailure(*session, "replication show");
      Output(options.json).record({{"session", info.sessionId}, {"resource", resource}});
      return static_cast<int>(kExitOk);
    };
  });

  CLI::App* sync = replication->add_subcommand("sync", "Synchronise a replication session now");
  auto* bySession = sync->add_option("-s,--session", sessionId, "Replication session id");
  auto* byResource = sync->add_option("-r,--resource", resource, "Source storage resource id");
  bySession->excludes(byResource);
  sync->require_option(1);
  sync->callback([&options, &action] {
    action = [&options] {
      auto session = OpenSession(options);
      if (!session) return static_cast<int>(kExitUsage);
      JobProgress progress;
      const bool ok = sessionId.empty() ? session->SyncReplicationSessionForResource(resource)
                                        : session->SyncReplicationSession(sessionId);
      if (!ok) return ReportFailure(*session, "replication sync");
      Output(options.json)
          .message("synchronised " +
                   (sessionId.empty() ? "the session of " + resource : sessionId));
      return static_cast<int>(kExitOk);
    };
  });
}

}  // namespace unityctl
