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
  DiagLog log;
  const std::string tag = "ManageEMCUnity::CreateNfsExport";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job,
               "Request to create nfs export on server [%s]. Snap id[%llu], share name[%s], local "
               "path [%s]",
               fileServer.c_str(), snapId, exportName.c_str(), exportPath.c_str());
  if (fileServer.empty() || snapId == 0 || exportName.empty() || exportPath.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or other input is empty");
  }
  EMCUnityJsonCreateNFSExport message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, snapId, exportName, defaultAccess, exportPath);
  if (!ProcessWithServer("CreateNfsExport", &message, {})) return false;
  message.GetShareId(exportId);
  log.logLevel(tag, 0, job, "Successfully Created NFS Export with id [%s] on fileserver [%s]",
               exportId.c_str(), fileServer.c_str());
  return true;
}

bool ManageEMCUnity::SetNfsHostAccess(bool& resultFlag, const _UnityNfsExportInfo& exportInfo,
                                      const _UnityNfsHostAccess& required) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::ModifyNfsHostAccess";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to set host access for nfs [%s], host [%zu], on server[%s]",
               exportInfo.name.c_str(), required.hosts.size(), fileServer.c_str());
  resultFlag = false;
  if (fileServer.empty() || exportInfo.id.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name is empty or invalid inputs");
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
    log.logLevel(tag, 0, job, "Required Access is already provided. No need to change");
    return true;
  }
  EMCUnityJsonModifyNfsAccess message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, exportInfo.id, merged);
  if (!ProcessWithServer("ModifyNfsHostAccess", &message, {})) return false;
  log.logLevel(tag, 0, job, "Successfully Modified access for nfs [%s] on fileserver [%s]",
               exportInfo.name.c_str(), fileServer.c_str());
  return true;
}

bool ManageEMCUnity::DeleteNfsExport(const std::string& exportId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::DeleteNfsExport";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Delete nfs share on server [%s]. Share id[%s]",
               fileServer.c_str(), exportId.c_str());
  if (fileServer.empty() || exportId.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonDeleteNFSExport message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, exportId);
  if (!ProcessWithServer("DeleteNfsExport", &message, {})) return false;
  log.logLevel(tag, 0, job, "Successfully Deleted the NFS share with id [%s]", exportId.c_str());
  return true;
}

bool ManageEMCUnity::GetNfsExportList(std::vector<_UnityNfsExportInfo>& exports) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetNfsExportList";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get Nfs Export list, on server [%s]", fileServer.c_str());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  EMCUnityJsonGetNFSExportList message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer);
  if (!ProcessWithServer("GetNfsExportList", &message, {})) return false;
  message.GetNfsList(exports);
  log.logLevel(tag, 0, job, "Successfully Got Nfs Export list of size [%zu]", exports.size());
  return true;
}

bool ManageEMCUnity::GetNfsExportForName(_UnityNfsExportInfo& exportInfo,
                                         const std::string& exportName,
                                         const std::string& nasServerName) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetNfsExportForName";
  log.logLevel(tag, 0, static_cast<long long>(jobId),
               "Request to Get Nfs Export for name [%s], nas server [%s], on server [%s]",
               exportName.c_str(), nasServerName.c_str(), fileServer.c_str());
  if (fileServer.empty() || exportName.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or Export name is empty.");
  }
  if (RefuseUnquotable(*this, log, tag,
                       {{"Export name", exportName}, {"NAS server name", nasServerName}})) {
    return false;
  }
  EMCUnityJsonGetNFSExportList message;
  message.Init(jobId, apiVersion);
  message.InitializeWithName(fileServer, exportName, nasServerName);
  if (!ProcessWithServer("GetNfsExportForName", &message, {})) return false;
  std::vector<_UnityNfsExportInfo> found;
  message.GetNfsList(found);
  return TakeSingleShare(*this, log, tag, "NFS export", found, exportInfo);
}

bool ManageEMCUnity::GetNfsExportForPath(_UnityNfsExportInfo& exportInfo,
                                         const unsigned long long& snapId,
                                         const std::string& exportPath) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetNfsExportForPath";
  log.logLevel(tag, 0, static_cast<long long>(jobId),
               "Request to Get Nfs Export for snapid [%llu], path [%s], on server [%s]", snapId,
               exportPath.c_str(), fileServer.c_str());
  if (fileServer.empty() || snapId == 0) {
    return RefuseInput(*this, log, tag, "Fileserver name or Snap id is empty.");
  }
  if (RefuseUnquotable(*this, log, tag, {{"Export path", exportPath}})) return false;
  EMCUnityJsonGetNFSExportList message;
  message.Init(jobId, apiVersion);
  message.InitializeWithPath(fileServer, snapId, exportPath);
  if (!ProcessWithServer("GetNfsExportForPath", &message, {})) return false;
  std::vector<_UnityNfsExportInfo> found;
  message.GetNfsList(found);
  return TakeSingleShare(*this, log, tag, "NFS export", found, exportInfo);
}

bool ManageEMCUnity::GetNfsExportsForHost(std::vector<_UnityNfsExportInfo>& exports,
                                          const std::string& hostId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetNfsExportForHost";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to get nfs exports, on server [%s]. Access for host [%s]",
               fileServer.c_str(), hostId.c_str());
  if (fileServer.empty() || hostId.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or host id is empty.");
  }
  if (RefuseUnquotable(*this, log, tag, {{"Host id", hostId}})) return false;
  EMCUnityJsonGetNFSExportList message;
  message.Init(jobId, apiVersion);
  message.InitializeWithHost(fileServer, hostId);
  if (!ProcessWithServer("GetNfsExportForHost", &message, {})) return false;
  message.GetNfsList(exports);
  log.logLevel(tag, 0, job, "Successfully got NFS Exports of size [%zu] from fileserver [%s]",
               exports.size(), fileServer.c_str());
  return true;
}
