// Replication operations: mark a snapshot for replication, find and synchronise the replication
// session of a storage resource.
#include <string>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/SnapshotMessages.h"

bool ManageEMCUnity::MarkSnapForReplication(const SnapID& snapId) {
  Operation op(*this,
               Operation::WholeTag{"bool ManageEMCUnity::MarkSnapForReplication(const SnapID&)"});
  op.Request("Request to mark snap for replication [%llu], on server[%s]", snapId,
             fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (snapId == 0) return op.Refuse("Snap id is empty");
  EMCUnityJsonMarkSnapReplication message;
  op.Init(message);
  message.Initialize(fileServer, snapId);
  return ProcessWithServer("MarkSnapForReplication", &message, {});
}

bool ManageEMCUnity::GetReplicationInfoForResId(ReplicationSessionInfo& sessionInfo,
                                                const std::string& srcResourceId) {
  Operation op(*this,
               Operation::WholeTag{
                   "bool ManageEMCUnity::GetReplicationInfoForResId(ReplicationSessionInfo&, const "
                   "string&)"});
  op.Request("Request to get replication info for Resource id [%s], on server[%s]",
             srcResourceId.c_str(), fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (srcResourceId.empty()) return op.Refuse("Resource id is empty");
  if (op.RefuseUnquotable({{"Resource id", srcResourceId}})) return false;
  EMCUnityJsonGetReplicationInfo message;
  op.Init(message);
  message.Initialize(fileServer, srcResourceId);
  if (!ProcessWithServer("GetReplicationInfoForResId", &message, {})) {
    // An answer listing no session or several fails to parse; the count is the news.
    const std::size_t listed = message.ListedCount();
    if (listed == 1 || listed == EMCUnityJsonGetReplicationInfo::kNotListed) return false;
    return LookupCountFailed(
        op,
        {"replication session", "replication sessions", "listed for resource " + srcResourceId, ""},
        listed);
  }
  message.GetReplicationSessionInfo(sessionInfo);
  return op.Succeeded("Successfully replication session info with id [%s] from fileserver [%s]",
                      sessionInfo.sessionId.c_str(), fileServer.c_str());
}

bool ManageEMCUnity::SyncReplicationSession(const std::string& sessionId) {
  Operation op(*this,
               Operation::WholeTag{"bool ManageEMCUnity::SyncReplicationSession(const string&)"});
  op.Request("Request to sync replication session with id [%s], on server[%s]", sessionId.c_str(),
             fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (sessionId.empty()) return op.Refuse("Session id is empty");
  EMCUnityJsonSyncReplication message;
  op.Init(message);
  message.Initialize(fileServer, sessionId);
  if (!ProcessWithServer("SyncReplicationSession", &message, {})) return false;
  return op.Succeeded("Successfully synced replication session [%s] of fileserver [%s]",
                      sessionId.c_str(), fileServer.c_str());
}

bool ManageEMCUnity::SyncReplicationSessionForResource(const std::string& srcResourceId) {
  Operation op(*this, Operation::WholeTag{
                          "bool ManageEMCUnity::SyncReplicationSessionForResource(const string&)"});
  _ReplicationSessionInfo sessionInfo;
  if (!GetReplicationInfoForResId(sessionInfo, srcResourceId)) {
    return op.Failed("Failed to get replication info for resource [%s] of fileserver [%s]",
                     srcResourceId.c_str(), fileServer.c_str());
  }
  if (!SyncReplicationSession(sessionInfo.sessionId)) {
    return op.Failed("Failed to sync replication session resource [%s] of fileserver [%s]",
                     sessionInfo.sessionId.c_str(), fileServer.c_str());
  }
  return true;
}
