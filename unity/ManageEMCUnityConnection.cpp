// Choice of array, login and logout, the array's identity, background jobs and destruction.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/SleepMillis.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/SessionSettings.h"
#include "unity/messages/SessionMessages.h"

namespace {

const unsigned long kJobPollWaitMillis = 5000;
const int kJobPollLimitDefaultSec = 3600;

// Overall bound on following one background job, in seconds of waiting between polls.
int JobPollLimitSec() {
  int value = 0;
  if (GetRegInt("UnityJobPollLimitSec", value) && value > 0) return value;
  return kJobPollLimitDefaultSec;
}

}  // namespace

ManageEMCUnity::~ManageEMCUnity() {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::~ManageEMCUnity";
  const long long job = static_cast<long long>(jobId);
  if (!fileServer.empty() && loggedIn) CloseConnection(false);
  transportReady = false;
  transport->deinit();
  transport.reset();
  if (!cookieFile.empty()) {
    log.logLevel(tag, 5, job, "Removing the cookie file [%s]", cookieFile.c_str());
    // The transport keeps cookies in memory, so the file normally does not exist.
    if (unlink(cookieFile.c_str()) != 0 && errno != ENOENT) {
      log.logLevel(tag, -1, job, "Unable to delete the cookie file...");
    }
  }
}

bool ManageEMCUnity::SetFileServer(const std::string& name) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::SetFileServer";
  const long long job = static_cast<long long>(jobId);
  if (!fileServer.empty()) {
    log.logLevel(tag, 0, job, "Trying to change File Server from [%s] to [%s]", fileServer.c_str(),
                 name.c_str());
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
  DiagLog log;
  const std::string tag = "ManageEMCUnity::OpenConnection";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Openconnection, on Server[%s].", fileServer.c_str());
  if (fileServer.empty() || userName.empty()) {
    return RefuseInput(*this, log, tag, "Filerserver name or Username is empty");
  }
  EMCUnityJsonLogin login;
  login.Init(jobId, apiVersion);
  login.Initialize(fileServer);
  EMCUnityJsonBase* msg = &login;
  if (!ProcessWithServer("OpenConnection", msg, {})) {
    CloseConnection(true);
    return false;
  }
  if (csrfHeader.empty()) {
    log.logLevel(tag, 0, job, "Failed to get token");
    FailUnusableAnswer(*this, "The array's login answer carried no EMC-CSRF-TOKEN header");
    return false;
  }
  log.logLevel(tag, 0, job, "Got Token. Connection opened");
  if (!readApiVersion) return true;
  _UnityBasicSystemInfo info;
  if (!GetBasicSystemInformation(info)) return false;
  apiVersion = info.apiVersion;
  apiVersionKnown = true;
  log.logLevel(tag, 0, job, "Got Api version [%s]", apiVersion.c_str());
  return true;
}

bool ManageEMCUnity::CloseConnection(bool clientOnly) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::CloseConnection";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Close Connection, on server [%s]. Client only [%s]",
               fileServer.c_str(), clientOnly ? "true" : "false");
  if (fileServer.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name is empty");
  }
  bool closed = true;
  if (!clientOnly) {
    EMCUnityJsonLogOut logout;
    logout.Init(jobId, apiVersion);
    logout.Initialize(fileServer, false);
    EMCUnityJsonBase* msg = &logout;
    closed = ProcessWithServer("CloseConnection", msg, {});
  }
  log.logLevel(tag, 0, job, closed ? "Connection is closed" : "Failed to close connection");
  loggedIn = false;
  return closed;
}

bool ManageEMCUnity::GetBasicSystemInformation(_UnityBasicSystemInfo& info) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetBasicSystemInformation";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get basic system information, on server [%s]",
               fileServer.c_str());
  if (fileServer.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name is empty");
  }
  {
    EMCUnityJsonGetBasicSystemInfo basic;
    basic.Init(jobId, apiVersion);
    basic.Initialize(fileServer);
    EMCUnityJsonBase* msg = &basic;
    if (!ProcessWithServer("GetBasicSystemInformation", msg, {})) return false;
    std::vector<_UnityBasicSystemInfo> list;
    basic.GetBasicSystemInfo(list);
    if (list.empty()) {
      log.logLevel(tag, -1, job, "Failed to Get Basic system information");
      return false;
    }
    info = list.front();
  }
  EMCUnityJsonGetSystemInfo systemQuery;
  systemQuery.Init(jobId, apiVersion);
  systemQuery.Initialize(fileServer);
  EMCUnityJsonBase* msg = &systemQuery;
  if (!ProcessWithServer("GetSystemInfo", msg, {})) return false;
  _UnitySystemInfo system;
  systemQuery.GetSystemInfo(system);
  info.serialNumber = system.serialNumber;
  log.logLevel(tag, 0, job, "Successfully Got Basic System Information  [%s]", info.name.c_str());
  return true;
}

bool ManageEMCUnity::PollBackgroundJob(const std::string& operationName, std::string& response,
                                       long& status, bool& jobOk, EMCUnityJsonBase* msg) {
  DiagLog log;
  const std::string tag = "PollBackgroundJob::" + operationName;
  const long long job = static_cast<long long>(jobId);
  jobOk = false;
  EMCUnityJsonGetJobDetails jobQuery;
  _UnityJobDetail detail;
  jobQuery.Init(jobId, apiVersion);
  jobQuery.Initialize(fileServer);
  // The 202 answer describes the job; reading it addresses the job query to that job.
  if (!jobQuery.ParseResponse(response)) {
    log.logLevel(tag, -1, job, "Failed to parse response from file server[%s]", fileServer.c_str());
    FailUnusableAnswer(*this, kUnreadableAnswerText);
    return false;
  }
  if (!jobQuery.isSuccess() || !jobQuery.GetJobDetail(detail) || detail.id.empty()) {
    jobQuery.getError(errorCode, errorText);
    log.logLevel(tag, -1, job, "Failed to get job id");
    return false;
  }

  const int limitSec = JobPollLimitSec();
  const unsigned long waitSec = kJobPollWaitMillis / 1000;
  // Time is counted in waits, not read from a clock, so the bound is exact under a sleep hook.
  unsigned long waitedSec = 0;
  EMCUnityJsonBase* query = &jobQuery;
  for (;;) {
    log.logLevel(tag, 5, job, "Waiting for %lu secs before getting job details for id [%s]",
                 waitSec, detail.id.c_str());
    SleepMillis(kJobPollWaitMillis, __FILE__, __LINE__);
    waitedSec += waitSec;
    log.logLevel(tag, 5, job, "Request to get job detail, on server [%s]. Job Id[%s]",
                 fileServer.c_str(), detail.id.c_str());
    if (!ProcessWithServer("GetJobDetails", query, {}) || !jobQuery.GetJobDetail(detail)) {
      return false;
    }
    log.logLevel(tag, 5, job, "Got Job details on server [%s], with id:[%s] state:[%d]",
                 fileServer.c_str(), detail.id.c_str(), detail.state);
    if (detail.state != 1 && detail.state != 2) break;
    if (waitedSec >= static_cast<unsigned long>(limitSec)) {
      errorCode = 1;
      errorText = "Background job [" + detail.id + "] did not finish within " +
                  std::to_string(limitSec) + " seconds";
      log.logLevel(tag, -1, job, "%s", errorText.c_str());
      return false;
    }
  }

  response = detail.parametersOut;
  if (detail.httpStatusCode != 0) status = static_cast<long>(detail.httpStatusCode);
  jobOk = detail.state == 4;
  msg->setError(detail.errorCode, detail.errorMessage);
  return true;
}
