#include "unity/messages/SessionMessages.h"

#include <sstream>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/ListResponse.h"

namespace {

const UnityFieldKey kBasicSystemInfoKeys[] = {
    {"model", kRequiredKey},
    {"name", kRequiredKey},
    {"softwareVersion", kRequiredKey},
    {"apiVersion", kRequiredKey},
    {"earliestApiVersion", kRequiredKey},
};

const UnityFieldKey kSystemInfoKeys[] = {{"serialNumber", kRequiredKey}};

// The array may send null for a job's outputs, and omits them while it runs.
const UnityFieldKey kJobKeys[] = {
    {"id", kRequiredKey},
    {"state", kRequiredKey},
    {"parametersOut", kNullableKey},
    {"messageOut", kNullableKey},
};

}  // namespace

EMCUnityJsonLogin::EMCUnityJsonLogin() {
  opType = UNITY_OP_LOGIN;
  httpReqType = UNITY_HTTP_GET;
}

bool EMCUnityJsonLogin::BuildRequest(std::string& body) {
  body.clear();
  nextURI = "https://" + fileServer + "/api/types/loginSessionInfo/instances";
  LogRequest("virtual bool EMCUnityJsonLogin::BuildRequest(std::string&)", body);
  return true;
}

EMCUnityJsonLogOut::EMCUnityJsonLogOut() {
  opType = UNITY_OP_LOGOUT;
  httpReqType = UNITY_HTTP_POST;
}

void EMCUnityJsonLogOut::Initialize(const std::string& server, bool cleanupOnly) {
  fileServer = server;
  localCleanupOnly = cleanupOnly;
}

bool EMCUnityJsonLogOut::BuildRequest(std::string& body) {
  nextURI.clear();
  nextURI = "https://" + fileServer + "/api/types/loginSessionInfo/action/logout";
  // The array takes the flag as a JSON string, not a boolean.
  body =
      localCleanupOnly ? "{\"localCleanupOnly\": \"true\"}" : "{\"localCleanupOnly\": \"false\"}";
  LogRequest("virtual bool EMCUnityJsonLogOut::BuildRequest(std::string&)", body);
  return true;
}

EMCUnityJsonGetBasicSystemInfo::EMCUnityJsonGetBasicSystemInfo() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "basicSystemInfo";
}

bool EMCUnityJsonGetBasicSystemInfo::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(kBasicSystemInfoKeys);
  MakeURI(nextURI, "");
  LogRequest("virtual bool EMCUnityJsonGetBasicSystemInfo::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonGetBasicSystemInfo::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, basicSystemInfoList, [this](jsondoc::Object&, _UnityBasicSystemInfo& info) {
        return ReadField("model", info.model) && ReadField("name", info.name) &&
               ReadField("softwareVersion", info.softwareVersion) &&
               ReadField("apiVersion", info.apiVersion) &&
               ReadField("earliestApiVersion", info.earliestApiVersion);
      });
}

bool EMCUnityJsonGetBasicSystemInfo::GetBasicSystemInfo(std::vector<_UnityBasicSystemInfo>& out) {
  out = basicSystemInfoList;
  return success;
}

EMCUnityJsonGetSystemInfo::EMCUnityJsonGetSystemInfo() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "system";
}

bool EMCUnityJsonGetSystemInfo::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(kSystemInfoKeys);
  MakeURI(nextURI, "");
  LogRequest("virtual bool EMCUnityJsonGetSystemInfo::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonGetSystemInfo::ParseResponse(std::string& response) {
  UnityListOptions options;
  options.firstElementOnly = true;
  return ParseListElements(
      response,
      [this](jsondoc::Object* content) {
        if (content == nullptr) return true;  // nothing to read: the record stays empty
        return ReadField("serialNumber", systemInfo.serialNumber);
      },
      options);
}

bool EMCUnityJsonGetSystemInfo::GetSystemInfo(_UnitySystemInfo& out) {
  out = systemInfo;
  return success;
}

EMCUnityJsonGetJobDetails::EMCUnityJsonGetJobDetails() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "job";
  jobDetail.clear();
}

void EMCUnityJsonGetJobDetails::Initialize(const std::string& server) {
  fileServer = server;
}

void EMCUnityJsonGetJobDetails::InitNullableKeys() {
  for (const UnityFieldKey& key : kJobKeys) {
    fieldKeys[key.path] = key.nullable ? nullableKey : nullptr;
  }
}

bool EMCUnityJsonGetJobDetails::BuildRequest(std::string& body) {
  body.clear();
  nextURI.clear();
  SetFieldKeys(kJobKeys);
  MakeURI(nextURI, "");
  LogRequest("virtual bool EMCUnityJsonGetJobDetails::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonGetJobDetails::ParseResponse(std::string& response) {
  static const char kTag[] = "virtual bool EMCUnityJsonGetJobDetails::ParseResponse(std::string&)";
  jobDetail.clear();
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;

  jsondoc::Object& answer = ParsedAnswer(response);
  jsondoc::Object* job =
      answer.has<jsondoc::Object>("content") ? &answer.get<jsondoc::Object>("content") : &answer;
  InitNullableKeys();
  if (!GetJsonValues(job, fieldKeys)) return false;

  // A state outside the int range is no job state; narrowing it could fake a known one.
  int state = 0;
  if (!ReadField("id", jobDetail.id) || !ReadField("state", state)) return false;
  instanceId = jobDetail.id;
  jobDetail.state = state;
  if (state == 2) return true;  // still running: no outputs yet

  jsondoc::Object* parameters = ObjectOf(static_cast<jsondoc::Value*>(fieldKeys["parametersOut"]));
  if (parameters != nullptr) {
    std::ostringstream text;
    text << jsondoc::Object("content", *parameters);
    jobDetail.parametersOut = text.str();
  }

  jsondoc::Object* message = ObjectOf(static_cast<jsondoc::Value*>(fieldKeys["messageOut"]));
  if (message != nullptr) {
    ReadPathValue<jsondoc::Number>(message, "errorCode", jobDetail.errorCode);
    long httpStatus = 0;
    if (ReadPathValue<jsondoc::Number>(message, "httpStatusCode", httpStatus)) {
      jobDetail.httpStatusCode = httpStatus;
    }
    if (message->has<jsondoc::Array>("messages")) {
      const jsondoc::Array& messages = message->get<jsondoc::Array>("messages");
      jsondoc::Object* first = messages.empty() ? nullptr : ObjectOf(messages.values().front());
      if (first != nullptr && first->has<jsondoc::String>("message")) {
        jobDetail.errorMessage = first->get<jsondoc::String>("message");
      }
    }
    const bool httpOk = jobDetail.httpStatusCode == 0 ||
                        (jobDetail.httpStatusCode >= 200 && jobDetail.httpStatusCode <= 299);
    if (jobDetail.errorCode != 0 || !httpOk) {
      DiagLog log;
      log.logLevel(kTag, -1, jobId, "Job [%s] failed [%llu:%s]", jobDetail.id.c_str(),
                   jobDetail.errorCode, jobDetail.errorMessage.c_str());
    }
  }
  return true;
}

bool EMCUnityJsonGetJobDetails::GetJobDetail(_UnityJobDetail& out) {
  out = jobDetail;
  return success;
}
