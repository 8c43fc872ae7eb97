// CIFS share operations: create, delete, list and look up shares of snapshots, and read and write
// their access control entries.
#include <list>
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/ShareLookup.h"
#include "unity/messages/CifsMessages.h"

namespace {

// The lookups' request and end: the share found is completed and reported.
bool LookUpShare(Operation& op, const std::string& operation, EMCUnityJsonGetCifsShareList& message,
                 const Lookup& lookup, _UnityCifsShareInfo& shareInfo) {
  if (!op.session().ProcessWithServer(operation, &message, {})) return false;
  std::vector<_UnityCifsShareInfo> found;
  message.GetCifsList(found);
  if (!TakeSingleShare(op, lookup, found, shareInfo)) return false;
  return op.Succeeded("Successfully Got Cifs share info with name [%s]", shareInfo.name.c_str());
}

}  // namespace

bool ManageEMCUnity::CreateCifsShare(std::string& shareId, const unsigned long long& snapId,
                                     const std::string& shareName, const std::string& sharePath) {
  Operation op(*this, "CreateCifsShare");
  op.Request(
      "Request to create cifs share on server [%s]. Snap id[%llu], share name[%s], local "
      "path [%s]",
      fileServer.c_str(), snapId, shareName.c_str(), sharePath.c_str());
  if (fileServer.empty() || snapId == 0 || shareName.empty() || sharePath.empty()) {
    return op.Refuse("Fileserver name or other input is empty");
  }
  EMCUnityJsonCreateCifsShare message;
  op.Init(message);
  message.Initialize(fileServer, snapId, shareName, sharePath);
  if (!ProcessWithServer("CreateCifsShare", &message, {})) return false;
  message.GetShareId(shareId);
  return op.Succeeded("Successfully Created cifs share with id [%s] on fileserver [%s]",
                      shareId.c_str(), fileServer.c_str());
}

bool ManageEMCUnity::DeleteCifsShare(const std::string& shareId) {
  Operation op(*this, "DeleteCifsShare");
  op.Request("Request to Delete cifs share on server [%s]. Share id[%s]", fileServer.c_str(),
             shareId.c_str());
  if (fileServer.empty() || shareId.empty()) {
    return op.Refuse("Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonDeleteCifsShare message;
  op.Init(message);
  message.Initialize(fileServer, shareId);
  if (!ProcessWithServer("DeleteCifsShare", &message, {})) return false;
  return op.Succeeded("Successfully Deleted the Cifs share with id [%s]", shareId.c_str());
}

bool ManageEMCUnity::GetCifsShareList(std::vector<_UnityCifsShareInfo>& shares) {
  Operation op(*this, "GetCifsShareList");
  op.Request("Request to Get Cifs share list, on server [%s]", fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  EMCUnityJsonGetCifsShareList message;
  op.Init(message);
  message.Initialize(fileServer);
  if (!ProcessWithServer("GetCifsShareList", &message, {})) return false;
  message.GetCifsList(shares);
  return op.Succeeded("Successfully Got Cifs share list of size [%zu]", shares.size());
}

bool ManageEMCUnity::GetCifsShareForName(_UnityCifsShareInfo& shareInfo,
                                         const std::string& shareName,
                                         const std::string& nasServerName) {
  Operation op(*this, "GetCifsShareForName");
  op.Request("Request to Get cifs share for share name [%s], nas server [%s], on server [%s]",
             shareName.c_str(), nasServerName.c_str(), fileServer.c_str());
  if (fileServer.empty() || shareName.empty()) {
    return op.Refuse("Fileserver name or Share name is empty.");
  }
  if (op.RefuseUnquotable({{"Share name", shareName}, {"NAS server name", nasServerName}})) {
    return false;
  }
  EMCUnityJsonGetCifsShareList message;
  op.Init(message);
  message.InitializeWithName(fileServer, shareName, nasServerName);
  return LookUpShare(op, "GetCifsShareForName", message,
                     SharesNamed("cifs share", "CIFS shares", shareName, nasServerName), shareInfo);
}

bool ManageEMCUnity::GetCifsShareForSnap(_UnityCifsShareInfo& shareInfo,
                                         const unsigned long long& snapId,
                                         const std::string& shareName) {
  Operation op(*this, "GetCifsShareForSnap");
  op.Request("Request to Get cifs share for snap id [%llu], share name [%s], on server [%s]",
             snapId, shareName.c_str(), fileServer.c_str());
  if (snapId == 0) return op.Refuse("Invalid snap id:0");
  if (fileServer.empty() || shareName.empty()) {
    return op.Refuse("Fileserver name or Share name is empty.");
  }
  if (op.RefuseUnquotable({{"Share name", shareName}})) return false;
  EMCUnityJsonGetCifsShareList message;
  op.Init(message);
  message.InitializeWithSnap(fileServer, snapId, shareName);
  return LookUpShare(op, "GetCifsShareForSnap", message,
                     {"cifs share", "CIFS shares",
                      "named " + shareName + " on snapshot " + std::to_string(snapId), ""},
                     shareInfo);
}

bool ManageEMCUnity::GetCifsShareACE(std::list<_UnityCifsShareACE>& aces,
                                     const std::string& shareId) {
  Operation op(*this, "GetCifsShareACE");
  op.Request("Request to Get Cifs Share ACE, on server [%s], for CIFS [%s]", fileServer.c_str(),
             shareId.c_str());
  if (fileServer.empty() || shareId.empty()) {
    return op.Refuse("Fileserver name or share id is empty");
  }
  EMCUnityJsonGetCifsACE message;
  op.Init(message);
  message.Initialize(fileServer, shareId);
  if (!ProcessWithServer("GetCifsShareACE", &message, {})) return false;
  message.GetCifsShareACE(aces);
  return op.Succeeded("Successfully Got Cifs Share ACEs. ACE size [%zu]", aces.size());
}

bool ManageEMCUnity::SetCifsShareACE(const std::string& shareId,
                                     const std::list<_UnityCifsShareACE>& aces) {
  Operation op(*this, "SetCifsShareACE");
  op.Request("Request to set ACE for CIFS [%s], ACE size [%zu], on server[%s]", shareId.c_str(),
             aces.size(), fileServer.c_str());
  if (fileServer.empty() || shareId.empty()) {
    return op.Refuse("Fileserver name or share id is empty");
  }
  EMCUnityJsonSetCifsACE message;
  op.Init(message);
  message.Initialize(fileServer, shareId, aces);
  if (!ProcessWithServer("SetCifsShareACE", &message, {})) return false;
  return op.Succeeded("Successfully set ACE for CIFS [%s] on fileserver [%s]", shareId.c_str(),
                      fileServer.c_str());
}
