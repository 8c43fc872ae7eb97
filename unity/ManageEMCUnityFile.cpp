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

// The lookups' common end: exactly one file system is the answer.
bool TakeSingleFS(Operation& op, EMCUnityJsonGetFSList& message, Lookup lookup,
                  _UnityFSInfo& fsInfo) {
  std::vector<_UnityFSInfo> found;
  message.GetFSList(found);
  lookup.failureLine = "Failed to Get FS info";
  if (!TakeSingle(op, lookup, found, fsInfo)) return false;
  return op.Succeeded("Successfully Got FS info with name [%s]", fsInfo.name.c_str());
}

}  // namespace

bool ManageEMCUnity::GetFSInfoFromName(_UnityFSInfo& fsInfo, const std::string& fsName,
                                       const std::string& nasServerName) {
  Operation op(*this, "GetFSInfoFromName");
  op.Request("Request to Get FS list, on server [%s], nas server [%s]. Name [%s]",
             fileServer.c_str(), nasServerName.c_str(), fsName.c_str());
  if (fileServer.empty() || fsName.empty()) {
    return op.Refuse("Fileserver name or Filesystem name is empty");
  }
  if (op.RefuseUnquotable({{"Filesystem name", fsName}, {"NAS server name", nasServerName}})) {
    return false;
  }
  EMCUnityJsonGetFSList message;
  op.Init(message);
  message.Initialize(fileServer, fsName, nasServerName);
  if (!ProcessWithServer("GetFSInfoFromName", &message, {})) return false;
  const Lookup lookup =
      nasServerName.empty()
          ? Lookup{"FS", "file systems", "named " + fsName, "name the NAS server too"}
          : Lookup{"FS", "file systems", "named " + fsName + " on NAS server " + nasServerName,
                   "use its id"};
  return TakeSingleFS(op, message, lookup, fsInfo);
}

bool ManageEMCUnity::GetFSInfoForId(_UnityFSInfo& fsInfo, const std::string& fsId) {
  Operation op(*this, "GetFSInfoForId");
  op.Request("Request to Get FS info, on server [%s], for id [%s]", fileServer.c_str(),
             fsId.c_str());
  if (fileServer.empty() || fsId.empty()) {
    return op.Refuse("Fileserver name or Filesystem id is empty");
  }
  EMCUnityJsonGetFSList message;
  op.Init(message);
  message.Initialize(fileServer, fsId);
  if (!ProcessWithServer("GetFSInfoForId", &message, {})) return false;
  return TakeSingleFS(op, message, {"FS", "file systems", "listed for id " + fsId, ""}, fsInfo);
}

bool ManageEMCUnity::GetNASServers(std::vector<_UnityNASServer>& nasServers,
                                   const std::string& nasServerId) {
  Operation op(*this, "GetNASServers");
  op.Request("Request to Get All NAS server, on server [%s]. Nas Server[%s]", fileServer.c_str(),
             nasServerId.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  EMCUnityJsonGetNASServer message;
  op.Init(message);
  message.Initialize(fileServer, nasServerId);
  if (!ProcessWithServer("GetNASServers", &message, {})) return false;
  message.GetNASServerList(nasServers);
  if (!nasServerId.empty() && nasServers.empty()) {
    op.Log(-1, "Failed to get nas server info for id [%s]", nasServerId.c_str());
    errorCode = kMissingResourceCode;
    errorText = kMissingResourceText;
    return false;
  }
  return op.Succeeded("Successfully Got NAS server list size [%zu]", nasServers.size());
}

bool ManageEMCUnity::GetFSListForNASServer(std::vector<_UnityFSInfo>& fsList,
                                           const std::string& nasServerName) {
  Operation op(*this, "GetFSListForNASServer");
  op.Request("Request to Get complete FS list, on server [%s], nas server [%s]", fileServer.c_str(),
             nasServerName.c_str());
  if (fileServer.empty() || nasServerName.empty()) {
    return op.Refuse("Fileserver name or NAS server name is empty");
  }
  if (op.RefuseUnquotable({{"NAS server name", nasServerName}})) return false;
  EMCUnityJsonGetFSList message;
  op.Init(message);
  message.Initialize(fileServer, "", nasServerName);
  if (!ProcessWithServer("GetFSListForNASServer", &message, {})) return false;
  if (!message.GetFSList(fsList)) {
    return op.Failed("Failed to Get complete FS list");
  }
  return op.Succeeded("Successfully Got FS list of count [%zu] from NAS server [%s]", fsList.size(),
                      nasServerName.c_str());
}

bool ManageEMCUnity::GetArrayAliases(std::vector<std::string>& aliases,
                                     const std::string& nasServerId) {
  Operation op(*this, "GetArrayAliases");
  op.Request("Request to Get Array aliases, on server [%s]. Nas Server[%s]", fileServer.c_str(),
             nasServerId.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");

  if (!nasServerId.empty()) {
    std::vector<_UnityNASServer> nasServers;
    if (!GetNASServers(nasServers, nasServerId) || nasServers.size() != 1) {
      return op.Failed("Failed to Get NAS server info");
    }
    aliases = nasServers.front().aliases;
  } else {
    EMCUnityJsonGetIpInterface interfaces;
    op.Init(interfaces);
    interfaces.Initialize(fileServer, UNITY_IP_INTERFACE_TYPE_ISCSI);
    if (!ProcessWithServer("GetArrayAliases", &interfaces, {})) return false;
    interfaces.GetAddressList(aliases);

    EMCUnityJsonGetIscsiNode nodes;
    op.Init(nodes);
    nodes.Initialize(fileServer);
    if (!ProcessWithServer("GetArrayAliases", &nodes, {})) return false;
    std::vector<_UnityIscsiNode> nodeList;
    nodes.GetIscsNodes(nodeList);
    // Addresses first, then node names; a name that is also an address stays twice.
    for (const _UnityIscsiNode& node : nodeList) aliases.push_back(node.name);
  }
  return op.Succeeded("Successfully Got Address list size [%zu]", aliases.size());
}
