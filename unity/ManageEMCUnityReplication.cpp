// Replication operations: mark a snapshot for replication, find and synchronise the replication
// session of a storage resource.
#include <string>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/SnapshotMessages.h"

bool ManageEMCUnity::MarkSnapForReplication(const SnapID& snapId) {
  DiagLog log;
  const std::string tag = "bool ManageEMCUnity::MarkSnapForReplication(const SnapID&)";
  log.logLevel(tag, 0, static_cast<long long>(jobId),
               "Request to mark snap for replication [%llu], on server[%s]", snapId,
               fileServer.c_str());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  if (snapId == 0) return RefuseInput(*this, log, tag, "Snap id is empty");
  EMCUnityJsonMarkSnapReplication message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, snapId);
  return ProcessWithServer("MarkSnapForReplication", &message, {});
}

bool ManageEMCUnity::GetReplicationInfoForResId(ReplicationSessionInfo& sessionInfo,
                                                const std::string& srcResourceId) {
  DiagLog log;
  const std::string tag =
      "bool ManageEMCUnity::GetReplicationInfoForResId(ReplicationSessionInfo&, const string&)";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to get replication info for Resource id [%s], on server[%s]",
               srcResourceId.c_str(), fileServer.c_str());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  if (srcResourceId.empty()) return RefuseInput(*this, log, tag, "Resource id is empty");
  if (RefuseUnquotable(*this, log, tag, {{"Resource id", srcResourceId}})) return false;
  EMCUnityJsonGetReplicationInfo message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, srcResourceId);
  if (!ProcessWithServer("GetReplicationInfoForResId", &message, {})) return false;
  message.GetReplicationSessionInfo(sessionInfo);
  log.logLevel(tag, 0, job,
               "Successfully replication session info with id [%s] from fileserver [%s]",
               sessionInfo.sessionId.c_str(), fileServer.c_str());
  return true;
}

bool ManageEMCUnity::SyncReplicationSession(const std::string& sessionId) {
  DiagLog log;
  const std::string tag = "bool ManageEMCUnity::SyncReplicationSession(const string&)";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to sync replication session with id [%s], on server[%s]",
               sessionId.c_str(), fileServer.c_str());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  if (sessionId.empty()) return RefuseInput(*this, log, tag, "Session id is empty");
  EMCUnityJsonSyncReplication message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, sessionId);
  if (!ProcessWithServer("SyncReplicationSession", &message, {})) return false;
  log.logLevel(tag, 0, job, "Successfully synced replication session [%s] of fileserver [%s]",
               sessionId.c_str(), fileServer.c_str());
  return true;
}

bool ManageEMCUnity::SyncReplicationSessionForResource(const std::string& srcResourceId) {
  DiagLog log;
  const std::string tag = "bool ManageEMCUnity::SyncReplicationSessionForResource(const string&)";
  const long long job = static_cast<long long>(jobId);
  _ReplicationSessionInfo sessionInfo;
  if (!GetReplicationInfoForResId(sessionInfo, srcResourceId)) {
    log.logLevel(tag, -1, job,
                 "Failed to get replication info for resource [%s] of fileserver [%s]",
                 srcResourceId.c_str(), fileServer.c_str());
    return false;
  }
  if (!SyncReplicationSession(sessionInfo.sessionId)) {
    log.logLevel(tag, -1, job,
                 "Failed to sync replication session resource [%s] of fileserver [%s]",
                 sessionInfo.sessionId.c_str(), fileServer.c_str());
    return false;
  }
  return true;
}
