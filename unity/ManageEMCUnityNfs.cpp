// NFS export operations: create, set host access, delete, list and look up exports of snapshots.
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/ShareLookup.h"
#include "unity/messages/NfsMessages.h"

bool ManageEMCUnity::CreateNfsExport(std::string& exportId, const unsigned long long& snapId,
                                     const std::string& exportName,
                                     _UNITY_NFS_DEF_ACCESS defaultAccess,
                                     const std::string& exportPath) {
  Operation op(*this, "CreateNfsExport");
  op.Request(
      "Request to create nfs export on server [%s]. Snap id[%llu], share name[%s], local "
      "path [%s]",
      fileServer.c_str(), snapId, exportName.c_str(), exportPath.c_str());
  if (fileServer.empty() || snapId == 0 || exportName.empty() || exportPath.empty()) {
    return op.Refuse("Fileserver name or other input is empty");
  }
  EMCUnityJsonCreateNFSExport message;
  op.Init(message);
  message.Initialize(fileServer, snapId, exportName, defaultAccess, exportPath);
  if (!ProcessWithServer("CreateNfsExport", &message, {})) return false;
  message.GetShareId(exportId);
  return op.Succeeded("Successfully Created NFS Export with id [%s] on fileserver [%s]",
                      exportId.c_str(), fileServer.c_str());
}

bool ManageEMCUnity::SetNfsHostAccess(bool& resultFlag, const _UnityNfsExportInfo& exportInfo,
                                      const _UnityNfsHostAccess& required) {
  Operation op(*this, "ModifyNfsHostAccess");
  op.Request("Request to set host access for nfs [%s], host [%zu], on server[%s]",
             exportInfo.name.c_str(), required.hosts.size(), fileServer.c_str());
  resultFlag = false;
  if (fileServer.empty() || exportInfo.id.empty()) {
    return op.Refuse("Fileserver name is empty or invalid inputs");
  }
  // Hosts the caller does not name keep their access: the request replaces the array's lists
  // whole, so they must be in it.
  _UnityNfsHostAccess merged = exportInfo.nfsHostAccess;
  bool changed = merged.defaultAccess != required.defaultAccess;
  merged.defaultAccess = required.defaultAccess;
  for (const auto& host : required.hosts) {
    const auto current = merged.hosts.find(host.first);
    if (current == merged.hosts.end() || current->second != host.second) changed = true;
    merged.hosts[host.first] = host.second;
  }
  if (!changed) {
    op.Log(0, "Required Access is already provided. No need to change");
    return true;
  }
  EMCUnityJsonModifyNfsAccess message;
  op.Init(message);
  message.Initialize(fileServer, exportInfo.id, merged);
  if (!ProcessWithServer("ModifyNfsHostAccess", &message, {})) return false;
  return op.Succeeded("Successfully Modified access for nfs [%s] on fileserver [%s]",
                      exportInfo.name.c_str(), fileServer.c_str());
}

bool ManageEMCUnity::DeleteNfsExport(const std::string& exportId) {
  Operation op(*this, "DeleteNfsExport");
  op.Request("Request to Delete nfs share on server [%s]. Share id[%s]", fileServer.c_str(),
             exportId.c_str());
  if (fileServer.empty() || exportId.empty()) {
    return op.Refuse("Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonDeleteNFSExport message;
  op.Init(message);
  message.Initialize(fileServer, exportId);
  if (!ProcessWithServer("DeleteNfsExport", &message, {})) return false;
  return op.Succeeded("Successfully Deleted the NFS share with id [%s]", exportId.c_str());
}

bool ManageEMCUnity::GetNfsExportList(std::vector<_UnityNfsExportInfo>& exports) {
  Operation op(*this, "GetNfsExportList");
  op.Request("Request to Get Nfs Export list, on server [%s]", fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  EMCUnityJsonGetNFSExportList message;
  op.Init(message);
  message.Initialize(fileServer);
  if (!ProcessWithServer("GetNfsExportList", &message, {})) return false;
  message.GetNfsList(exports);
  return op.Succeeded("Successfully Got Nfs Export list of size [%zu]", exports.size());
}

bool ManageEMCUnity::GetNfsExportForName(_UnityNfsExportInfo& exportInfo,
                                         const std::string& exportName,
                                         const std::string& nasServerName) {
  Operation op(*this, "GetNfsExportForName");
  op.Request("Request to Get Nfs Export for name [%s], nas server [%s], on server [%s]",
             exportName.c_str(), nasServerName.c_str(), fileServer.c_str());
  if (fileServer.empty() || exportName.empty()) {
    return op.Refuse("Fileserver name or Export name is empty.");
  }
  if (op.RefuseUnquotable({{"Export name", exportName}, {"NAS server name", nasServerName}})) {
    return false;
  }
  EMCUnityJsonGetNFSExportList message;
  op.Init(message);
  message.InitializeWithName(fileServer, exportName, nasServerName);
  if (!ProcessWithServer("GetNfsExportForName", &message, {})) return false;
  std::vector<_UnityNfsExportInfo> found;
  message.GetNfsList(found);
  return TakeSingleShare(op, SharesNamed("NFS export", "NFS exports", exportName, nasServerName),
                         found, exportInfo);
}

bool ManageEMCUnity::GetNfsExportForPath(_UnityNfsExportInfo& exportInfo,
                                         const unsigned long long& snapId,
                                         const std::string& exportPath) {
  Operation op(*this, "GetNfsExportForPath");
  op.Request("Request to Get Nfs Export for snapid [%llu], path [%s], on server [%s]", snapId,
             exportPath.c_str(), fileServer.c_str());
  if (fileServer.empty() || snapId == 0) {
    return op.Refuse("Fileserver name or Snap id is empty.");
  }
  if (op.RefuseUnquotable({{"Export path", exportPath}})) return false;
  EMCUnityJsonGetNFSExportList message;
  op.Init(message);
  message.InitializeWithPath(fileServer, snapId, exportPath);
  if (!ProcessWithServer("GetNfsExportForPath", &message, {})) return false;
  std::vector<_UnityNfsExportInfo> found;
  message.GetNfsList(found);
  const bool anyPath = exportPath.empty();
  return TakeSingleShare(op,
                         {"NFS export", "NFS exports",
                          "on snapshot " + std::to_string(snapId) +
                              (anyPath ? std::string() : " at path " + exportPath),
                          anyPath ? "give the path too" : ""},
                         found, exportInfo);
}

bool ManageEMCUnity::GetNfsExportsForHost(std::vector<_UnityNfsExportInfo>& exports,
                                          const std::string& hostId) {
  Operation op(*this, "GetNfsExportForHost");
  op.Request("Request to get nfs exports, on server [%s]. Access for host [%s]", fileServer.c_str(),
             hostId.c_str());
  if (fileServer.empty() || hostId.empty()) {
    return op.Refuse("Fileserver name or host id is empty.");
  }
  if (op.RefuseUnquotable({{"Host id", hostId}})) return false;
  EMCUnityJsonGetNFSExportList message;
  op.Init(message);
  message.InitializeWithHost(fileServer, hostId);
  if (!ProcessWithServer("GetNfsExportForHost", &message, {})) return false;
  message.GetNfsList(exports);
  return op.Succeeded("Successfully got NFS Exports of size [%zu] from fileserver [%s]",
                      exports.size(), fileServer.c_str());
}
