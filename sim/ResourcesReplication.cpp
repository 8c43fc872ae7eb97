#include "sim/Args.h"
#include "sim/Errors.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {
namespace {

// ReplicationSessionSyncStateEnum values used here.
constexpr int kSyncIdle = 2;

ActionResult syncSession(ActionContext& ctx) {
  Json& s = *ctx.model.get("replicationSession", ctx.id);
  // Only the source side can start a synchronisation.
  if (s.value("localRole", 1) == 2)
    throw ApiError(409, code::kInvalidState,
                   "The replication session can only be synchronized from its source system.");
  s["lastSyncTime"] = isoTime(ctx.now);
  s["syncProgress"] = 100;
  s["syncState"] = kSyncIdle;
  return ActionResult::noContent();
}

}  // namespace

void defineReplicationTypes(ObjectModel& model) {
  TypeSpec t;
  t.name = "replicationSession";
  t.byName = true;
  values(t, {"name", "replicationResourceType", "status", "srcStatus", "dstStatus", "networkStatus",
             "syncState", "syncProgress", "lastSyncTime", "localRole", "srcResourceId",
             "dstResourceId", "srcSPAInterface", "dstSPAInterface", "members", "maxTimeOutOfSync",
             "currentTransferEstRemainTime"});
  embedded(t, "health", "health");
  reference(t, "remoteSystem", "remoteSystem");
  ActionSpec sync;
  sync.run = syncSession;
  sync.jobDescription = "job.replicationservice.job.Sync";
  t.actions["sync"] = sync;
  model.define(t);
}

}  // namespace unitysim
