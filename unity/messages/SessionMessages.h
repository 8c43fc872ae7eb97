// Messages that serve the session itself: login, logout, the two system queries and the query of
// a background job.
#pragma once

#include <string>
#include <vector>

#include "unity/SessionRecords.h"
#include "unity/messages/EMCUnityJsonBase.h"

// GET of the login-session collection. The transport carries the credentials; the session takes
// the CSRF token from the answer's headers. The answer is only checked for an error.
class EMCUnityJsonLogin : public EMCUnityJsonBase {
 public:
  EMCUnityJsonLogin();
  bool BuildRequest(std::string& body) override;
};

class EMCUnityJsonLogOut : public EMCUnityJsonBase {
 public:
  EMCUnityJsonLogOut();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, bool localCleanupOnly);
  bool BuildRequest(std::string& body) override;

 private:
  bool localCleanupOnly = false;
};

class EMCUnityJsonGetBasicSystemInfo : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetBasicSystemInfo();
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  // Copies the entries read so far; returns whether the last answer was not an error.
  bool GetBasicSystemInfo(std::vector<_UnityBasicSystemInfo>& out);

 private:
  std::vector<_UnityBasicSystemInfo> basicSystemInfoList;
};

class EMCUnityJsonGetSystemInfo : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetSystemInfo();
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetSystemInfo(_UnitySystemInfo& out);

 private:
  _UnitySystemInfo systemInfo;
};

// Query of one background job. Also parses the 202 answer of the request that started the job:
// that answer carries the job id, which becomes the instance the next BuildRequest addresses.
class EMCUnityJsonGetJobDetails : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetJobDetails();
  void Initialize(const std::string& fileServer) override;
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetJobDetail(_UnityJobDetail& out);

 private:
  _UnityJobDetail jobDetail;
};
