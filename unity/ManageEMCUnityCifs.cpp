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
bool LookUpShare(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                 const std::string& operation, EMCUnityJsonGetCifsShareList& message,
                 _UnityCifsShareInfo& shareInfo) {
  if (!session.ProcessWithServer(operation, &message, {})) return false;
  std::vector<_UnityCifsShareInfo> found;
  message.GetCifsList(found);
  if (!TakeSingleShare(session, log, tag, "cifs share", found, shareInfo)) return false;
  log.logLevel(tag, 0, static_cast<long long>(session.jobId),
               "Successfully Got Cifs share info with name [%s]", shareInfo.name.c_str());
  return true;
}

}  // namespace

bool ManageEMCUnity::CreateCifsShare(std::string& shareId, const unsigned long long& snapId,
                                     const std::string& shareName, const std::string& sharePath) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::CreateCifsShare";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job,
               "Request to create cifs share on server [%s]. Snap id[%llu], share name[%s], local "
               "path [%s]",
               fileServer.c_str(), snapId, shareName.c_str(), sharePath.c_str());
  if (fileServer.empty() || snapId == 0 || shareName.empty() || sharePath.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or other input is empty");
  }
  EMCUnityJsonCreateCifsShare message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, snapId, shareName, sharePath);
  if (!ProcessWithServer("CreateCifsShare", &message, {})) return false;
  message.GetShareId(shareId);
  log.logLevel(tag, 0, job, "Successfully Created cifs share with id [%s] on fileserver [%s]",
               shareId.c_str(), fileServer.c_str());
  return true;
}

bool ManageEMCUnity::DeleteCifsShare(const std::string& shareId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::DeleteCifsShare";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Delete cifs share on server [%s]. Share id[%s]",
               fileServer.c_str(), shareId.c_str());
  if (fileServer.empty() || shareId.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonDeleteCifsShare message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, shareId);
  if (!ProcessWithServer("DeleteCifsShare", &message, {})) return false;
  log.logLevel(tag, 0, job, "Successfully Deleted the Cifs share with id [%s]", shareId.c_str());
  return true;
}

bool ManageEMCUnity::GetCifsShareList(std::vector<_UnityCifsShareInfo>& shares) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetCifsShareList";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get Cifs share list, on server [%s]", fileServer.c_str());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  EMCUnityJsonGetCifsShareList message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer);
  if (!ProcessWithServer("GetCifsShareList", &message, {})) return false;
  message.GetCifsList(shares);
  log.logLevel(tag, 0, job, "Successfully Got Cifs share list of size [%zu]", shares.size());
  return true;
}

bool ManageEMCUnity::GetCifsShareForName(_UnityCifsShareInfo& shareInfo,
                                         const std::string& shareName,
                                         const std::string& nasServerName) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetCifsShareForName";
  log.logLevel(tag, 0, static_cast<long long>(jobId),
               "Request to Get cifs share for share name [%s], nas server [%s], on server [%s]",
               shareName.c_str(), nasServerName.c_str(), fileServer.c_str());
  if (fileServer.empty() || shareName.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or Share name is empty.");
  }
  if (RefuseUnquotable(*this, log, tag,
                       {{"Share name", shareName}, {"NAS server name", nasServerName}})) {
    return false;
  }
  EMCUnityJsonGetCifsShareList message;
  message.Init(jobId, apiVersion);
  message.InitializeWithName(fileServer, shareName, nasServerName);
  return LookUpShare(*this, log, tag, "GetCifsShareForName", message, shareInfo);
}

bool ManageEMCUnity::GetCifsShareForSnap(_UnityCifsShareInfo& shareInfo,
                                         const unsigned long long& snapId,
                                         const std::string& shareName) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetCifsShareForSnap";
  log.logLevel(tag, 0, static_cast<long long>(jobId),
               "Request to Get cifs share for snap id [%llu], share name [%s], on server [%s]",
               snapId, shareName.c_str(), fileServer.c_str());
  if (snapId == 0) return RefuseInput(*this, log, tag, "Invalid snap id:0");
  if (fileServer.empty() || shareName.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or Share name is empty.");
  }
  if (RefuseUnquotable(*this, log, tag, {{"Share name", shareName}})) return false;
  EMCUnityJsonGetCifsShareList message;
  message.Init(jobId, apiVersion);
  message.InitializeWithSnap(fileServer, snapId, shareName);
  return LookUpShare(*this, log, tag, "GetCifsShareForSnap", message, shareInfo);
}

bool ManageEMCUnity::GetCifsShareACE(std::list<_UnityCifsShareACE>& aces,
                                     const std::string& shareId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetCifsShareACE";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get Cifs Share ACE, on server [%s], for CIFS [%s]",
               fileServer.c_str(), shareId.c_str());
  if (fileServer.empty() || shareId.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or share id is empty");
  }
  EMCUnityJsonGetCifsACE message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, shareId);
  if (!ProcessWithServer("GetCifsShareACE", &message, {})) return false;
  message.GetCifsShareACE(aces);
  log.logLevel(tag, 0, job, "Successfully Got Cifs Share ACEs. ACE size [%zu]", aces.size());
  return true;
}

bool ManageEMCUnity::SetCifsShareACE(const std::string& shareId,
                                     const std::list<_UnityCifsShareACE>& aces) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::SetCifsShareACE";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to set ACE for CIFS [%s], ACE size [%zu], on server[%s]",
               shareId.c_str(), aces.size(), fileServer.c_str());
  if (fileServer.empty() || shareId.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name or share id is empty");
  }
  EMCUnityJsonSetCifsACE message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, shareId, aces);
  if (!ProcessWithServer("SetCifsShareACE", &message, {})) return false;
  log.logLevel(tag, 0, job, "Successfully set ACE for CIFS [%s] on fileserver [%s]",
               shareId.c_str(), fileServer.c_str());
  return true;
}
