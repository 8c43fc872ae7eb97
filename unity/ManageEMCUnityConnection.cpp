// Choice of array, login and logout, the array's identity and destruction.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/SessionMessages.h"

ManageEMCUnity::~ManageEMCUnity() {
  Operation op(*this, "~ManageEMCUnity");
  if (!fileServer.empty() && loggedIn) CloseConnection(false);
  transportReady = false;
  transport->deinit();
  transport.reset();
  if (!cookieFile.empty()) {
    op.Log(5, "Removing the cookie file [%s]", cookieFile.c_str());
    // The transport keeps cookies in memory, so the file normally does not exist.
    if (unlink(cookieFile.c_str()) != 0 && errno != ENOENT) {
      op.Log(-1, "Unable to delete the cookie file...");
    }
  }
}

bool ManageEMCUnity::SetFileServer(const std::string& name) {
  Operation op(*this, "SetFileServer");
  if (!fileServer.empty()) {
    op.Log(0, "Trying to change File Server from [%s] to [%s]", fileServer.c_str(), name.c_str());
    if (loggedIn && name != fileServer && !CloseConnection(false)) {
      fileServer.clear();
      return false;
    }
  }
  fileServer = name;
  apiVersion = "4.0";
  apiVersionKnown = false;
  cookieFile = "/tmp";
  cookieFile += "EMCUnityCookie";
  cookieFile += "_";
  cookieFile += fileServer;
  return true;
}

bool ManageEMCUnity::OpenConnection(const bool& readApiVersion) {
  Operation op(*this, "OpenConnection");
  op.Request("Request to Openconnection, on Server[%s].", fileServer.c_str());
  if (fileServer.empty() || userName.empty()) {
    return op.Refuse("Filerserver name or Username is empty");
  }
  EMCUnityJsonLogin login;
  op.Init(login);
  login.Initialize(fileServer);
  EMCUnityJsonBase* msg = &login;
  if (!ProcessWithServer("OpenConnection", msg, {})) {
    CloseConnection(true);
    return false;
  }
  if (csrfHeader.empty()) {
    op.Log(0, "Failed to get token");
    FailUnusableAnswer(*this, "The array's login answer carried no EMC-CSRF-TOKEN header");
    return false;
  }
  op.Log(0, "Got Token. Connection opened");
  if (!readApiVersion) return true;
  _UnityBasicSystemInfo info;
  if (!GetBasicSystemInformation(info)) return false;
  apiVersion = info.apiVersion;
  apiVersionKnown = true;
  op.Log(0, "Got Api version [%s]", apiVersion.c_str());
  return true;
}

bool ManageEMCUnity::CloseConnection(bool clientOnly) {
  Operation op(*this, "CloseConnection");
  op.Request("Request to Close Connection, on server [%s]. Client only [%s]", fileServer.c_str(),
             clientOnly ? "true" : "false");
  if (fileServer.empty()) {
    return op.Refuse("Fileserver name is empty");
  }
  bool closed = true;
  if (!clientOnly) {
    EMCUnityJsonLogOut logout;
    op.Init(logout);
    logout.Initialize(fileServer, false);
    EMCUnityJsonBase* msg = &logout;
    closed = ProcessWithServer("CloseConnection", msg, {});
  }
  op.Log(0, closed ? "Connection is closed" : "Failed to close connection");
  loggedIn = false;
  return closed;
}

bool ManageEMCUnity::GetBasicSystemInformation(_UnityBasicSystemInfo& info) {
  Operation op(*this, "GetBasicSystemInformation");
  op.Request("Request to Get basic system information, on server [%s]", fileServer.c_str());
  if (fileServer.empty()) {
    return op.Refuse("Fileserver name is empty");
  }
  {
    EMCUnityJsonGetBasicSystemInfo basic;
    op.Init(basic);
    basic.Initialize(fileServer);
    EMCUnityJsonBase* msg = &basic;
    if (!ProcessWithServer("GetBasicSystemInformation", msg, {})) return false;
    std::vector<_UnityBasicSystemInfo> list;
    basic.GetBasicSystemInfo(list);
    if (list.empty()) {
      return op.Failed("Failed to Get Basic system information");
    }
    info = list.front();
  }
  EMCUnityJsonGetSystemInfo systemQuery;
  op.Init(systemQuery);
  systemQuery.Initialize(fileServer);
  EMCUnityJsonBase* msg = &systemQuery;
  if (!ProcessWithServer("GetSystemInfo", msg, {})) return false;
  _UnitySystemInfo system;
  systemQuery.GetSystemInfo(system);
  info.serialNumber = system.serialNumber;
  return op.Succeeded("Successfully Got Basic System Information  [%s]", info.name.c_str());
}
