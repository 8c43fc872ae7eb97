// A snapshot creation and deletion only tests send, to drive POST and DELETE through the session.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "json/jsondoc.h"
#include "unity/ManageEMCUnity.h"
#include "unity/messages/EMCUnityJsonBase.h"
#include "unity/messages/FieldExtraction.h"

namespace unitytest {

class TestCreateSnap : public EMCUnityJsonBase {
 public:
  TestCreateSnap(std::string resourceId, std::string name)
      : resourceId_(std::move(resourceId)), name_(std::move(name)) {
    httpReqType = UNITY_HTTP_POST;
    resourceType = "snap";
  }
  bool BuildRequest(std::string& body) override {
    body = "{\"name\": \"" + name_ + "\", \"storageResource\": {\"id\": \"" + resourceId_ + "\"}}";
    MakeURI(nextURI, "");
    return true;
  }
  // Reads the new snapshot's id, from a direct answer or from a finished job's output.
  bool ParseResponse(std::string& response) override {
    if (!ParseError(response)) return false;
    if (!success) return true;
    jsondoc::Object answer;
    answer.parse(response);
    jsondoc::Value* id = nullptr;
    if (ParseJsonValue(&answer, "content.id", id)) {
      ParseValue<jsondoc::String, std::string>(id, createdId);
    }
    return true;
  }
  std::string createdId;

 private:
  std::string resourceId_;
  std::string name_;
};

class TestDeleteSnap : public EMCUnityJsonBase {
 public:
  explicit TestDeleteSnap(const std::string& snapId) {
    httpReqType = UNITY_HTTP_DELETE;
    resourceType = "snap";
    instanceId = snapId;
  }
};

// Sends one message through the session as an operation does.
inline bool RunMessage(ManageEMCUnity& session, EMCUnityJsonBase& message,
                       const std::string& operationName,
                       const std::vector<unsigned long long>& successCodes = {}) {
  message.Init(session.jobId, session.apiVersion);
  message.Initialize(session.fileServer);
  EMCUnityJsonBase* msg = &message;
  return session.ProcessWithServer(operationName, msg, successCodes);
}

}  // namespace unitytest
