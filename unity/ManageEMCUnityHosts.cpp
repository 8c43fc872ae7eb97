// Host operations: look up initiators, IP ports and logged-in initiators; find, create and delete
// hosts; create and move initiators; create IP ports.
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/HostMessages.h"

namespace {

// Reported when a safe delete finds the host still in use.
constexpr unsigned long long kHostInUseCode = 100663573ULL;  // 0x06000115

}  // namespace

bool ManageEMCUnity::GetHostInitiatorInfo(_UnityHostInitiatorInfo& initiatorInfo,
                                          const std::string& initiatorId, const bool& isPortWWN) {
  Operation op(*this, "GetHostInitiatorInfo");
  op.Request(
      "Request to Get host initiator list, on server [%s]. Initiator id [%s]. Is Port "
      "WWN [%s]",
      fileServer.c_str(), initiatorId.c_str(), isPortWWN ? "true" : "false");
  if (fileServer.empty() || initiatorId.empty()) {
    return op.Refuse("Fileserver name or Initiator id is empty");
  }
  if (op.RefuseUnquotable({{isPortWWN ? "Port WWN" : "Initiator id", initiatorId}})) {
    return false;
  }
  EMCUnityJsonGetHostInitiatorInfo message;
  op.Init(message);
  message.Initialize(fileServer, initiatorId, isPortWWN);
  if (!ProcessWithServer("GetHostInitiatorInfo", &message, {})) return false;
  std::vector<_UnityHostInitiatorInfo> found;
  message.TakeInitiatorList(found);
  if (!TakeSingle(op,
                  {"Host initiator", "initiators",
                   std::string(isPortWWN ? "listed for port WWN " : "listed for id ") + initiatorId,
                   "", "Failed to Get Host initiator info"},
                  found, initiatorInfo)) {
    return false;
  }
  return op.Succeeded("Successfully Got host initiator info with id [%s]",
                      initiatorInfo.id.c_str());
}

bool ManageEMCUnity::GetHostIPPort(_UnityHostIPPort& ipPort, const std::string& address) {
  Operation op(*this, "GetHostIPPort");
  op.Request("Request to Get host ip port list, on server [%s]. Ip Address [%s]",
             fileServer.c_str(), address.c_str());
  if (fileServer.empty() || address.empty()) {
    return op.Refuse("Fileserver name or ip address is empty");
  }
  if (op.RefuseUnquotable({{"Ip address", address}})) return false;
  EMCUnityJsonGetHostIPPort message;
  op.Init(message);
  message.Initialize(fileServer, address);
  if (!ProcessWithServer("GetHostIPPort", &message, {})) return false;
  std::vector<_UnityHostIPPort> found;
  message.TakeIPPortList(found);
  if (!TakeSingle(op,
                  {"Host ip port", "host IP ports", "listed for address " + address, "",
                   "Failed to Get Host ip port info"},
                  found, ipPort)) {
    return false;
  }
  return op.Succeeded("Successfully Got host ip port info with id [%s]", ipPort.id.c_str());
}

bool ManageEMCUnity::GetLoggedInInitiators(std::vector<std::string>& initiators) {
  Operation op(*this, "GetLoggedInInitiators");
  op.Request("Request to Get logged initiator list, on server [%s]", fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  EMCUnityJsonGetLoggedInInitiator message;
  op.Init(message);
  message.Initialize(fileServer);
  if (!ProcessWithServer("GetLoggedInInitiators", &message, {})) return false;
  message.GetInitiators(initiators);
  return op.Succeeded("Successfully Got logged initiator info of size [%zu]", initiators.size());
}

bool ManageEMCUnity::GetHostId(std::string& hostId, const std::string& hostName) {
  Operation op(*this, "GetHostId");
  op.Request("Request to Get host id for name [%s], on server [%s]", hostName.c_str(),
             fileServer.c_str());
  if (fileServer.empty() || hostName.empty()) {
    return op.Refuse("Fileserver name or host name is empty");
  }
  if (op.RefuseUnquotable({{"Host name", hostName}})) return false;
  EMCUnityJsonGetHost message;
  op.Init(message);
  message.Initialize(fileServer, hostName);
  // No match comes back as the missing-resource error, which is not a success here.
  if (!ProcessWithServer("GetHostId", &message, {})) return false;
  message.GetHostId(hostId);
  return op.Succeeded("Successfully Got host id [%s] for name [%s]", hostId.c_str(),
                      hostName.c_str());
}

bool ManageEMCUnity::CreateHost(std::string& hostId, const std::string& hostName,
                                const _UNITY_HOST_TYPE& hostType, const bool& useOld,
                                const std::string& osType) {
  Operation op(*this, "CreateHost");
  op.Request("Request to Create host , on server [%s]. Host name [%s]. Use old [%d]",
             fileServer.c_str(), hostName.c_str(), useOld ? 1 : 0);
  if (useOld) {
    if (GetHostId(hostId, hostName)) {
      return op.Succeeded("Successfully Got Host id [%s]", hostId.c_str());
    }
    // Only a name the array does not know leads on to creating the host.
    if (errorCode != kMissingResourceCode) {
      return op.Failed("Failed to get or create host.");
    }
  }
  if (fileServer.empty() || hostName.empty() || hostType == UNITY_HOST_TYPE_NONE) {
    return op.Refuse("Fileserver name, host name, ostype or host type is empty/invalid");
  }
  EMCUnityJsonCreateHost message;
  op.Init(message);
  message.Initialize(fileServer, hostName, osType, hostType);
  if (!ProcessWithServer("CreateHost", &message, {})) return false;
  message.GetHostId(hostId);
  return op.Succeeded("Successfully created Host with id [%s] on fileserver [%s]", hostId.c_str(),
                      fileServer.c_str());
}

bool ManageEMCUnity::CreateHostInitiator(std::string& initiatorId, const std::string& hostId,
                                         const _UNITY_HOSTINITIATOR_TYPE& initiatorType,
                                         const std::string& initiatorWWNorIqn) {
  Operation op(*this, "CreateHostInitiator");
  op.Request("Request to Create host initiator , on server [%s]. WWN or IQN [%s]",
             fileServer.c_str(), initiatorWWNorIqn.c_str());
  if (fileServer.empty() || hostId.empty() || initiatorWWNorIqn.empty() ||
      initiatorType == UNITY_HOSTINITIATOR_TYPE_NONE) {
    return op.Refuse("Fileserver name, host id, wwn/iqn or initiator type is empty/invalid");
  }
  EMCUnityJsonHostInitiator message;
  op.Init(message);
  message.Initialize(fileServer, hostId, initiatorType, initiatorWWNorIqn);
  if (!ProcessWithServer("CreateHostInitiator", &message, {})) return false;
  message.GetHostInitiatorId(initiatorId);
  return op.Succeeded("Successfully created Host initiator with id [%s]", initiatorId.c_str());
}

bool ManageEMCUnity::ModifyHostInitiator(const std::string& initiatorId,
                                         const std::string& hostId) {
  Operation op(*this, "ModifyHostInitiator");
  op.Request(
      "Request to Modify host initiator , on server [%s]. Parent Host id [%s] in Host "
      "initiator [%s]",
      fileServer.c_str(), hostId.c_str(), initiatorId.c_str());
  if (fileServer.empty() || hostId.empty() || initiatorId.empty()) {
    return op.Refuse("Fileserver name, host id or host initiator id is empty");
  }
  EMCUnityJsonHostInitiator message;
  op.Init(message);
  message.Initialize(fileServer, initiatorId, hostId);
  if (!ProcessWithServer("ModifyHostInitiator", &message, {})) return false;
  return op.Succeeded("Successfully Modified Host initiator - Id [%s]", initiatorId.c_str());
}

bool ManageEMCUnity::CreateHostIPPort(std::string& portId, const std::string& hostId,
                                      const std::string& address) {
  Operation op(*this, "CreateHostIPPort");
  op.Request(
      "Request to create host ip port , on server [%s]. Parent Host id [%s] with address "
      "[%s]",
      fileServer.c_str(), hostId.c_str(), address.c_str());
  if (fileServer.empty() || hostId.empty() || address.empty()) {
    return op.Refuse("Fileserver name, host id or host initiator id is empty");
  }
  EMCUnityJsonCreateHostIPPort message;
  op.Init(message);
  message.Initialize(fileServer, hostId, address);
  if (!ProcessWithServer("CreateHostIPPort", &message, {})) return false;
  message.GetHostIPPortId(portId);
  return op.Succeeded("Successfully Created host ip port - Id [%s]", portId.c_str());
}

bool ManageEMCUnity::DeleteHost(const std::string& hostId, const bool& safeDelete) {
  Operation op(*this, "DeleteHost");
  op.Request("Request to delete host, on server [%s]. Host id [%s]. Safe delete [%d]",
             fileServer.c_str(), hostId.c_str(), safeDelete ? 1 : 0);
  if (fileServer.empty() || hostId.empty()) {
    return op.Refuse("Fileserver name or host id is empty ");
  }
  if (safeDelete) {
    // Only NFS root access counts as use; block access and CIFS shares are not consulted.
    std::vector<_UnityNfsExportInfo> exports;
    if (!GetNfsExportsForHost(exports, hostId)) {
      return op.Failed("Failed to get nfs list for host id");
    }
    if (!exports.empty()) {
      errorCode = kHostInUseCode;
      errorText = "Could not delete host, because it is in use";
      return op.Failed("%s", errorText.c_str());
    }
  }
  EMCUnityJsonDeleteHost message;
  op.Init(message);
  message.Initialize(fileServer, hostId);
  // A host that is already gone is the array's error: the caller named a host that is not there.
  if (!ProcessWithServer("DeleteHost", &message, {})) return false;
  return op.Succeeded("Successfully Deleted the Host entry with id [%s]", hostId.c_str());
}
