// File system and NAS discovery operations: file systems by name, id or NAS server, NAS servers,
// and the names and addresses the array answers under.
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/FileMessages.h"
#include "unity/messages/HostMessages.h"

namespace {

// The lookups' common end: exactly one file system is the answer. Otherwise false without an
// error code of its own: the request itself succeeded.
bool TakeSingleFS(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                  EMCUnityJsonGetFSList& message, _UnityFSInfo& fsInfo) {
  const long long job = static_cast<long long>(session.jobId);
  if (!message.GetFSInfo(fsInfo)) {
    log.logLevel(tag, -1, job, "Failed to Get FS info");
    return false;
  }
  log.logLevel(tag, 0, job, "Successfully Got FS info with name [%s]", fsInfo.name.c_str());
  return true;
}

}  // namespace

bool ManageEMCUnity::GetFSInfoFromName(_UnityFSInfo& fsInfo, const std::string& fsName,
                                       const std::string& nasServerName) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetFSInfoFromName";
  log.logLevel(tag, 0, static_cast<long long>(jobId),
               "Request to Get FS list, on server [%s], nas server [%s]. Name [%s]",
               fileServer.c_str(), nasServerName.c_str(), fsName.c_str());
  if (fileServer.empty() || fsName.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or Filesystem name is empty");
  }
  if (RefuseUnquotable(*this, log, tag,
                       {{"Filesystem name", fsName}, {"NAS server name", nasServerName}})) {
    return false;
  }
  EMCUnityJsonGetFSList message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, fsName, nasServerName);
  if (!ProcessWithServer("GetFSInfoFromName", &message, {})) return false;
  return TakeSingleFS(*this, log, tag, message, fsInfo);
}

bool ManageEMCUnity::GetFSInfoForId(_UnityFSInfo& fsInfo, const std::string& fsId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetFSInfoForId";
  log.logLevel(tag, 0, static_cast<long long>(jobId),
               "Request to Get FS info, on server [%s], for id [%s]", fileServer.c_str(),
               fsId.c_str());
  if (fileServer.empty() || fsId.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or Filesystem id is empty");
  }
  EMCUnityJsonGetFSList message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, fsId);
  if (!ProcessWithServer("GetFSInfoForId", &message, {})) return false;
  return TakeSingleFS(*this, log, tag, message, fsInfo);
}

bool ManageEMCUnity::GetNASServers(std::vector<_UnityNASServer>& nasServers,
                                   const std::string& nasServerId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetNASServers";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get All NAS server, on server [%s]. Nas Server[%s]",
               fileServer.c_str(), nasServerId.c_str());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  EMCUnityJsonGetNASServer message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, nasServerId);
  if (!ProcessWithServer("GetNASServers", &message, {})) return false;
  message.GetNASServerList(nasServers);
  if (!nasServerId.empty() && nasServers.empty()) {
    log.logLevel(tag, -1, job, "Failed to get nas server info for id [%s]", nasServerId.c_str());
    errorCode = kMissingResourceCode;
    errorText = kMissingResourceText;
    return false;
  }
  log.logLevel(tag, 0, job, "Successfully Got NAS server list size [%zu]", nasServers.size());
  return true;
}

bool ManageEMCUnity::GetFSListForNASServer(std::vector<_UnityFSInfo>& fsList,
                                           const std::string& nasServerName) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetFSListForNASServer";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get complete FS list, on server [%s], nas server [%s]",
               fileServer.c_str(), nasServerName.c_str());
  if (fileServer.empty() || nasServerName.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or NAS server name is empty");
  }
  if (RefuseUnquotable(*this, log, tag, {{"NAS server name", nasServerName}})) return false;
  EMCUnityJsonGetFSList message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, "", nasServerName);
  if (!ProcessWithServer("GetFSListForNASServer", &message, {})) return false;
  if (!message.GetFSList(fsList)) {
    log.logLevel(tag, -1, job, "Failed to Get complete FS list");
    return false;
  }
  log.logLevel(tag, 0, job, "Successfully Got FS list of count [%zu] from NAS server [%s]",
               fsList.size(), nasServerName.c_str());
  return true;
}

bool ManageEMCUnity::GetArrayAliases(std::vector<std::string>& aliases,
                                     const std::string& nasServerId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetArrayAliases";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get Array aliases, on server [%s]. Nas Server[%s]",
               fileServer.c_str(), nasServerId.c_str());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");

  if (!nasServerId.empty()) {
    std::vector<_UnityNASServer> nasServers;
    if (!GetNASServers(nasServers, nasServerId) || nasServers.size() != 1) {
      log.logLevel(tag, -1, job, "Failed to Get NAS server info");
      return false;
    }
    aliases = nasServers.front().aliases;
  } else {
    EMCUnityJsonGetIpInterface interfaces;
    interfaces.Init(jobId, apiVersion);
    interfaces.Initialize(fileServer, UNITY_IP_INTERFACE_TYPE_ISCSI);
    if (!ProcessWithServer("GetArrayAliases", &interfaces, {})) return false;
    interfaces.GetAddressList(aliases);

    EMCUnityJsonGetIscsiNode nodes;
    nodes.Init(jobId, apiVersion);
    nodes.Initialize(fileServer);
    if (!ProcessWithServer("GetArrayAliases", &nodes, {})) return false;
    std::vector<_UnityIscsiNode> nodeList;
    nodes.GetIscsNodes(nodeList);
    // Addresses first, then node names; a name that is also an address stays twice.
    for (const _UnityIscsiNode& node : nodeList) aliases.push_back(node.name);
  }
  log.logLevel(tag, 0, job, "Successfully Got Address list size [%zu]", aliases.size());
  return true;
}
