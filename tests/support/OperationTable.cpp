#include "tests/support/OperationTable.h"

#include <list>
#include <set>
#include <type_traits>

namespace unitytest {
namespace {

// Default seed: snapshots 38654705846 (Oracle_Data_daily_1, of sv_1) and 38654705847 (attached
// to Host_1), 38654705848 (of sv_2, attached to no host; sv_2 grants no host access), 38654705849
// (of fs_1, no NFS export or CIFS share). Host_3 has no iSCSI initiator; HostInitiator_5 no host.
const SnapID kSnap = 38654705846ULL;
const SnapID kOtherSnap = 38654705847ULL;
const char kSnapName[] = "Oracle_Data_daily_1";
const char kReplication[] = "81604378625_CKM00213300417_0000_81604378632_CKM00213300955_0000";
const char kSnapPath[] = "/api/instances/snap/38654705846";
const SnapID kAttachedSnap = 38654705847ULL;
const SnapID kFreeSnap = 38654705848ULL;
const SnapID kFileSnap = 38654705849ULL;
const char kSv1Wwn[] = "60:06:01:60:4A:B0:3F:00:5B:6E:A8:61:2C:0D:41:12";

// Rows that need a share make their own under a name no other row uses, so rows stay independent;
// `then` runs on the session, or on the session and the new share's id.
template <typename Then>
std::function<bool(ManageEMCUnity&)> OnNew(bool nfs, const std::string& name, Then then,
                                           const std::string& path = "/") {
  return [=](ManageEMCUnity& s) {
    std::string id;
    if (!(nfs ? s.CreateNfsExport(id, kFileSnap, name, UNITY_NFS_DEF_ACCESS_READ_ONLY, path)
              : s.CreateCifsShare(id, kFileSnap, name, "/")))
      return false;
    if constexpr (std::is_invocable_v<Then, ManageEMCUnity&, const std::string&>)
      return then(s, id);
    else
      return then(s);
  };
}

bool Made(ManageEMCUnity&) {
  return true;
}

std::vector<OperationRow> Rows() {
  const std::string snapPath = kSnapPath;
  const std::string syncPath =
      std::string("/api/instances/replicationSession/") + kReplication + "/action/sync";
  return {
      {"OpenConnection", "GET", "/api/types/loginSessionInfo",
       [](ManageEMCUnity& s) { return s.OpenConnection(true); }},
      {"GetBasicSystemInformation", "GET", "/api/types/system",
       Into(&ManageEMCUnity::GetBasicSystemInformation)},
      {"CreateSnapShot", "POST", "/api/types/snap/instances",
       Into(&ManageEMCUnity::CreateSnapShot, "sv_1", "table_snap", false)},
      {"CopySnapshot", "POST", snapPath + "/action/copy",
       Into(&ManageEMCUnity::CopySnapshot, kSnap, "table_copy")},
      {"GetSnapShotInfo", "GET", snapPath, Into(&ManageEMCUnity::GetSnapShotInfo, kSnap)},
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
       Into(&ManageEMCUnity::GetSnapShotForName, kSnapName)},
      {"RestoreWithSnapshot", "POST", snapPath + "/action/restore",
       [](ManageEMCUnity& s) { return s.RestoreWithSnapshot(kSnap); }},
      {"MarkSnapForReplication", "POST", snapPath + "/action/replicate",
       [](ManageEMCUnity& s) { return s.MarkSnapForReplication(kSnap); }},
      {"GetReplicationInfoForResId", "GET", "/api/types/replicationSession/instances",
       Into(&ManageEMCUnity::GetReplicationInfoForResId, "sv_1")},
      {"SyncReplicationSession", "POST", syncPath,
       [](ManageEMCUnity& s) { return s.SyncReplicationSession(kReplication); }},
      {"SyncReplicationSessionForResource", "POST", syncPath,
       [](ManageEMCUnity& s) { return s.SyncReplicationSessionForResource("sv_1"); }},
      {"GetLunInfoFromWWN", "GET", "/api/types/lun/instances",
       Into(&ManageEMCUnity::GetLunInfoFromWWN, kSv1Wwn)},
      {"GetStorageResourceInfo", "GET", "/api/instances/storageResource/res_2",
       Into(&ManageEMCUnity::GetStorageResourceInfo, "res_2")},
      {"GetResIdForName", "GET", "/api/types/storageResource/instances",
       Into(&ManageEMCUnity::GetResIdForName, "SQL_CG", static_cast<_UNITY_STG_RES_TYPE>(2))},
      {"GetSnapHostLun", "GET", "/api/types/hostLUN/instances",
       Into(&ManageEMCUnity::GetSnapHostLun, std::vector<SnapID>{kAttachedSnap},
            std::set<std::string>{"Host_1"})},
      {"LunAccessToHost", "POST", "/api/instances/storageResource/sv_2/action/modifyLun",
       [](ManageEMCUnity& s) { return s.LunAccessToHost("sv_2", "Host_2", false, 2, false); }},
      {"ExposeLunAccessToHosts", "POST", "/api/instances/snap/38654705848/action/attach",
       [](ManageEMCUnity& s) {
         // Hosts are named from API version 5.0 on: the session reads the array's version first.
         return s.OpenConnection(true) &&
                s.ExposeLunAccess(kFreeSnap, std::set<std::string>{"Host_2"}, true);
       }},
      {"ExposeLunAccessToHost", "POST", "/api/instances/snap/38654705847/action/detach",
       [](ManageEMCUnity& s) {
         return s.OpenConnection(true) && s.ExposeLunAccess(kAttachedSnap, "Host_1", false);
       }},
      // After the rows that use the snapshot it deletes.
      {"DeleteSnapshot", "DELETE", "/api/instances/snap/38654705847",
       [](ManageEMCUnity& s) { return s.DeleteSnapshot(kOtherSnap); }},
      {"GetFSInfoFromName", "GET", "/api/types/filesystem/instances",
       Into(&ManageEMCUnity::GetFSInfoFromName, "projects", "NAS_Dev")},
      {"GetFSInfoForId", "GET", "/api/instances/filesystem/fs_1",
       Into(&ManageEMCUnity::GetFSInfoForId, "fs_1")},
      {"GetArrayAliases", "GET", "/api/types/ipInterface/instances",
       Into(&ManageEMCUnity::GetArrayAliases, "")},
      {"GetArrayAliasesOfNASServer", "GET", "/api/instances/nasServer/nas_2",
       Into(&ManageEMCUnity::GetArrayAliases, "nas_2")},
      {"GetNASServers", "GET", "/api/types/nasServer/instances",
       Into(&ManageEMCUnity::GetNASServers, "")},
      {"GetFSListForNASServer", "GET", "/api/types/filesystem/instances",
       Into(&ManageEMCUnity::GetFSListForNASServer, "NAS_Dev")},
      {"CreateNfsExport", "POST", "/api/types/nfsShare/instances", OnNew(true, "table_nfs", Made)},
      {"SetNfsHostAccess", "POST", "/api/instances/nfsShare/",
       OnNew(true, "table_nfs_access",
             [](ManageEMCUnity& s) {
               _UnityNfsExportInfo info;
               _UnityNfsHostAccess access;
               access.defaultAccess = UNITY_NFS_DEF_ACCESS_READ_ONLY;
               access.hosts = {{"Host_1", UNITY_NFS_DEF_ACCESS_ROOT}};
               bool resultFlag = true;
               return s.GetNfsExportForName(info, "table_nfs_access", "") &&
                      s.SetNfsHostAccess(resultFlag, info, access);
             })},
      {"DeleteNfsExport", "DELETE", "/api/instances/nfsShare/",
       OnNew(true, "table_nfs_delete", [](auto& s, auto& id) { return s.DeleteNfsExport(id); })},
      {"GetNfsExportList", "GET", "/api/types/nfsShare/instances",
       Into(&ManageEMCUnity::GetNfsExportList)},
      {"GetNfsExportForName", "GET", "/api/types/nfsShare/instances",
       OnNew(true, "table_nfs_name",
             Into(&ManageEMCUnity::GetNfsExportForName, "table_nfs_name", "NAS_Prod")),
       true},
      {"GetNfsExportForPath", "GET", "/api/types/nfsShare/instances",
       OnNew(true, "table_nfs_path",
             Into(&ManageEMCUnity::GetNfsExportForPath, kFileSnap, "/table"), "/table"),
       true},
      {"GetNfsExportsForHost", "GET", "/api/types/nfsShare/instances",
       Into(&ManageEMCUnity::GetNfsExportsForHost, "Host_1")},
      {"CreateCifsShare", "POST", "/api/types/cifsShare/instances",
       OnNew(false, "table_smb", Made)},
      {"DeleteCifsShare", "DELETE", "/api/instances/cifsShare/",
       OnNew(false, "table_smb_delete", [](auto& s, auto& id) { return s.DeleteCifsShare(id); })},
      {"GetCifsShareList", "GET", "/api/types/cifsShare/instances",
       Into(&ManageEMCUnity::GetCifsShareList)},
      {"GetCifsShareForName", "GET", "/api/types/cifsShare/instances",
       OnNew(false, "table_smb_name",
             Into(&ManageEMCUnity::GetCifsShareForName, "table_smb_name", "NAS_Prod")),
       true},
      {"GetCifsShareForSnap", "GET", "/api/types/cifsShare/instances",
       OnNew(false, "table_smb_snap",
             Into(&ManageEMCUnity::GetCifsShareForSnap, kFileSnap, "table_smb_snap")),
       true},
      // A query, but a POST: the transport cannot tell it from a change and never resends it.
      {"GetCifsShareACE", "POST", "/api/instances/cifsShare/",
       OnNew(false, "table_smb_aces",
             [](auto& s, auto& id) {
               std::list<_UnityCifsShareACE> aces;
               return s.GetCifsShareACE(aces, id);
             })},
      {"SetCifsShareACE", "POST", "/api/instances/cifsShare/",
       OnNew(false, "table_smb_set",
             [](auto& s, auto& id) {
               return s.SetCifsShareACE(id, {{"S-1-5-21-1-2-3-1001", 1, 4}});
             })},
      {"GetHostInitiatorInfo", "GET", "/api/types/hostInitiator/instances",
       Into(&ManageEMCUnity::GetHostInitiatorInfo, "21:00:00:25:B5:0A:00:01", true)},
      {"GetHostIPPort", "GET", "/api/types/hostIPPort/instances",
       Into(&ManageEMCUnity::GetHostIPPort, "10.20.30.41")},
      {"GetLoggedInInitiators", "GET", "/api/types/hostInitiatorPath/instances",
       Into(&ManageEMCUnity::GetLoggedInInitiators)},
      {"GetHostId", "GET", "/api/types/host/instances",
       Into(&ManageEMCUnity::GetHostId, "sql-prod-01")},
      {"CreateHost", "POST", "/api/types/host/instances",
       Into(&ManageEMCUnity::CreateHost, "table-host", UNITY_HOST_TYPE_MANUAL, false, "Linux")},
      {"CreateHostInitiator", "POST", "/api/types/hostInitiator/instances",
       Into(&ManageEMCUnity::CreateHostInitiator, "Host_3", UNITY_HOSTINITIATOR_TYPE_ISCSI,
            "iqn.1994-05.com.redhat:table-client")},
      {"ModifyHostInitiator", "POST", "/api/instances/hostInitiator/HostInitiator_5/action/modify",
       [](ManageEMCUnity& s) { return s.ModifyHostInitiator("HostInitiator_5", "Host_3"); }},
      {"CreateHostIPPort", "POST", "/api/types/hostIPPort/instances",
       Into(&ManageEMCUnity::CreateHostIPPort, "Host_3", "10.20.30.77")},
      {"DeleteHost", "DELETE", "/api/instances/host/",
       [](ManageEMCUnity& s) {
         std::string id;
         return s.CreateHost(id, "table-host-delete", UNITY_HOST_TYPE_MANUAL, false, "") &&
                s.DeleteHost(id, true);
       }},
      {"ListStorageResources", "GET", "/api/types/storageResource/instances",
       Into(&ManageEMCUnity::ListStorageResources, UNITY_STG_RES_TYPE_UNKNOWN, "")},
      {"ListLuns", "GET", "/api/types/lun/instances", Into(&ManageEMCUnity::ListLuns, "")},
      {"ListFileSystems", "GET", "/api/types/filesystem/instances",
       Into(&ManageEMCUnity::ListFileSystems, "", "")},
      {"ListHosts", "GET", "/api/types/hostIPPort/instances", Into(&ManageEMCUnity::ListHosts, "")},
      {"CloseConnection", "POST", "/api/types/loginSessionInfo/action/logout",
       [](ManageEMCUnity& s) { return s.CloseConnection(false); }},
  };
}

}  // namespace

const std::vector<OperationRow>& OperationTable() {
  static const std::vector<OperationRow> rows = Rows();
  return rows;
}

std::vector<OperationRow> ReadingOperations() {
  std::vector<OperationRow> out;
  for (const OperationRow& row : OperationTable())
    if (row.method == "GET" && !row.makesItsObject) out.push_back(row);
  return out;
}

std::vector<OperationRow> ChangingOperations() {
  std::vector<OperationRow> out;
  for (const OperationRow& row : OperationTable())
    if (row.method == "POST") out.push_back(row);
  return out;
}

}  // namespace unitytest
