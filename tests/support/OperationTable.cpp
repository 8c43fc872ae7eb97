#include "tests/support/OperationTable.h"

namespace unitytest {
namespace {

// Default seed: snapshots 38654705846 (Oracle_Data_daily_1, of sv_1) and 38654705847, one
// replication session for sv_1.
const SnapID kSnap = 38654705846ULL;
const SnapID kOtherSnap = 38654705847ULL;
const char kSnapName[] = "Oracle_Data_daily_1";
const char kReplication[] = "81604378625_CKM00213300417_0000_81604378632_CKM00213300955_0000";
const char kSnapPath[] = "/api/instances/snap/38654705846";

std::vector<OperationRow> Rows() {
  const std::string snapPath = kSnapPath;
  const std::string syncPath =
      std::string("/api/instances/replicationSession/") + kReplication + "/action/sync";
  return {
      // --- Session and system ---
      {"OpenConnection", "GET", "/api/types/loginSessionInfo",
       [](ManageEMCUnity& s) { return s.OpenConnection(true); }},
      {"GetBasicSystemInformation", "GET", "/api/types/system",
       [](ManageEMCUnity& s) {
         _UnityBasicSystemInfo info;
         return s.GetBasicSystemInformation(info);
       }},
      // --- Snapshot and replication ---
      {"CreateSnapShot", "POST", "/api/types/snap/instances",
       [](ManageEMCUnity& s) {
         SnapID id = 0;
         return s.CreateSnapShot(id, "sv_1", "table_snap", false);
       }},
      {"CopySnapshot", "POST", snapPath + "/action/copy",
       [](ManageEMCUnity& s) {
         SnapID id = 0;
         return s.CopySnapshot(id, kSnap, "table_copy");
       }},
      {"GetSnapShotInfo", "GET", snapPath,
       [](ManageEMCUnity& s) {
         _UnitySnapInfo info;
         return s.GetSnapShotInfo(info, kSnap);
       }},
      {"GetSnapShotListByIds", "GET", "/api/types/snap/instances",
       [](ManageEMCUnity& s) {
         std::vector<_UnitySnapInfo> list;
         return s.GetSnapShotList(list, std::vector<SnapID>{kSnap, kOtherSnap}, false);
       }},
      {"GetSnapShotListByNames", "GET", "/api/types/snap/instances",
       [](ManageEMCUnity& s) {
         std::vector<_UnitySnapInfo> list;
         return s.GetSnapShotList(list, std::vector<std::string>{kSnapName}, false);
       }},
      {"GetSnapShotForName", "GET", "/api/types/snap/instances",
       [](ManageEMCUnity& s) {
         _UnitySnapInfo info;
         return s.GetSnapShotForName(info, kSnapName);
       }},
      {"RestoreWithSnapshot", "POST", snapPath + "/action/restore",
       [](ManageEMCUnity& s) { return s.RestoreWithSnapshot(kSnap); }},
      {"MarkSnapForReplication", "POST", snapPath + "/action/replicate",
       [](ManageEMCUnity& s) { return s.MarkSnapForReplication(kSnap); }},
      {"GetReplicationInfoForResId", "GET", "/api/types/replicationSession/instances",
       [](ManageEMCUnity& s) {
         ReplicationSessionInfo info;
         return s.GetReplicationInfoForResId(info, "sv_1");
       }},
      {"SyncReplicationSession", "POST", syncPath,
       [](ManageEMCUnity& s) { return s.SyncReplicationSession(kReplication); }},
      {"SyncReplicationSessionForResource", "POST", syncPath,
       [](ManageEMCUnity& s) { return s.SyncReplicationSessionForResource("sv_1"); }},
      {"DeleteSnapshot", "DELETE", "/api/instances/snap/38654705847",
       [](ManageEMCUnity& s) { return s.DeleteSnapshot(kOtherSnap); }},
      // --- Block exposure ---
      // --- File systems and NAS servers ---
      // --- NFS exports ---
      // --- CIFS shares ---
      // --- Hosts ---
      // --- Session end ---
      {"CloseConnection", "POST", "/api/types/loginSessionInfo/action/logout",
       [](ManageEMCUnity& s) { return s.CloseConnection(false); }},
  };
}

}  // namespace

const std::vector<OperationRow>& OperationTable() {
  static const std::vector<OperationRow> rows = Rows();
  return rows;
}

std::vector<OperationRow> ChangingOperations() {
  std::vector<OperationRow> out;
  for (const OperationRow& row : OperationTable())
    if (row.method == "POST") out.push_back(row);
  return out;
}

}  // namespace unitytest
