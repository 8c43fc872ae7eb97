#include <string>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "tools/unityctl/Resolve.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {

void RegisterReplication(CLI::App& app, const CommonOptions& options, Action& action) {
  static std::string resource;
  static std::string sessionId;
  CLI::App* replication = app.add_subcommand("replication", "Replication sessions: show, sync");
  replication->require_subcommand(1);

  CLI::App* show =
      replication->add_subcommand("show", "Show the replication session of a resource");
  show->add_option("-r,--resource", resource, "Source storage resource id or name")->required();
  OnSession(show, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::string id;
    if (const int status = ResolveResource(s, resource, kAnyResource, id)) return status;
    ReplicationSessionInfo info;
    if (!s.GetReplicationInfoForResId(info, id)) return ReportFailure(s, "replication show");
    out.record({{"session", info.sessionId}, {"resource", id}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* sync = replication->add_subcommand("sync", "Synchronise a replication session now");
  auto* bySession = sync->add_option("-s,--session", sessionId, "Replication session id");
  auto* byResource =
      sync->add_option("-r,--resource", resource, "Source storage resource id or name");
  bySession->excludes(byResource);
  sync->require_option(1);
  OnSession(sync, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::string id;
    if (!resource.empty())
      if (const int status = ResolveResource(s, resource, kAnyResource, id)) return status;
    JobProgress progress;
    const bool ok = sessionId.empty() ? s.SyncReplicationSessionForResource(id)
                                      : s.SyncReplicationSession(sessionId);
    if (!ok) return ReportFailure(s, "replication sync");
    Fields fields = {{"action", "replication sync"}};
    fields.emplace_back(sessionId.empty() ? "resource" : "session",
                        sessionId.empty() ? id : sessionId);
    out.action("synchronised " + (sessionId.empty() ? "the session of " + id : sessionId), fields);
    return static_cast<int>(kExitOk);
  });
}

}  // namespace unityctl
