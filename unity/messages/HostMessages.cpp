#include "unity/messages/HostMessages.h"

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/messages/ArrayCodes.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FilterText.h"
#include "unity/messages/ListResponse.h"

namespace {

const UnityFieldKey kInitiatorKeys[] = {{"id", kRequiredKey},
                                        {"type", kRequiredKey},
                                        {"initiatorId", kRequiredKey},
                                        {"parentHost.id", kNullableKey}};
const UnityFieldKey kIPPortKeys[] = {
    {"id", kRequiredKey}, {"address", kRequiredKey}, {"host.id", kNullableKey}};
const UnityFieldKey kLoggedInKeys[] = {{"initiator.initiatorId", kRequiredKey},
                                       {"initiator.portWWN", kNullableKey}};
const UnityFieldKey kIscsiNodeKeys[] = {{"id", kRequiredKey}, {"name", kRequiredKey}};

jsondoc::Value HostReference(const std::string& hostId) {
  return jsondoc::Value(jsondoc::Object("id", hostId));
}

// The elements of a query answer: every "entries" element, or the whole answer when it has no
// "entries". False when "entries" is not a list or an element is not an object: such an answer
// cannot be read as hosts, and treating it as elements without content would invent records.
bool AnswerElements(jsondoc::Object& answer, std::vector<jsondoc::Object*>& out) {
  out.clear();
  if (!answer.has<jsondoc::Value>("entries")) {
    out.push_back(&answer);
    return true;
  }
  if (!answer.has<jsondoc::Array>("entries")) return false;
  for (jsondoc::Value* entry : answer.get<jsondoc::Array>("entries").values()) {
    jsondoc::Object* element = ObjectOf(entry);
    if (element == nullptr) return false;
    out.push_back(element);
  }
  return true;
}

bool AnswerIsWellFormed(jsondoc::Object& answer) {
  std::vector<jsondoc::Object*> elements;
  return AnswerElements(answer, elements);
}

// Builds a query whose optional filter compares `key` with caller text. The text is checked
// (a double quote cannot be expressed) and made URL-safe, since the filter is not
// percent-encoded.
bool FilterQuery(const char* tag, unsigned long long jobId, const char* fieldName,
                 const std::string& key, const std::string& value, std::string& query) {
  if (!FilterValueIsQuotable(value)) {
    DiagLog log;
    log.logLevel(tag, -1, jobId, "%s", FilterQuoteErrorText(fieldName).c_str());
    return false;
  }
  query = "filter=" + FilterEqTerm(key, filter_url_safe(value));
  return true;
}

}  // namespace

// --- host initiators ---

EMCUnityJsonGetHostInitiatorInfo::EMCUnityJsonGetHostInitiatorInfo() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "hostInitiator";
}

void EMCUnityJsonGetHostInitiatorInfo::Initialize(const std::string& server,
                                                  const std::string& value, const bool& portWWN) {
  fileServer = server;
  initiator = value;
  isPortWWN = portWWN;
  initiatorList.clear();
}

bool EMCUnityJsonGetHostInitiatorInfo::BuildRequest(std::string& body) {
  static const char kTag[] =
      "virtual bool EMCUnityJsonGetHostInitiatorInfo::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kInitiatorKeys);
  std::string query;
  if (!initiator.empty() && !FilterQuery(kTag, jobId, isPortWWN ? "Port WWN" : "Initiator id",
                                         isPortWWN ? "portWWN" : "initiatorId", initiator, query)) {
    return false;
  }
  MakeURI(nextURI, query);
  LogRequest(kTag, body);
  return true;
}

void EMCUnityJsonGetHostInitiatorInfo::InitNullableKeys() {
  MarkNullableKeys(kInitiatorKeys);
}

bool EMCUnityJsonGetHostInitiatorInfo::ParseResponse(std::string& response) {
  if (!AnswerIsWellFormed(ParsedAnswer(response))) return false;
  return ParseListResponse(response, initiatorList,
                           [this](jsondoc::Object&, _UnityHostInitiatorInfo& record) {
                             // A type outside 32 bits fails the record instead of wrapping.
                             int type = 0;
                             if (!ReadField("id", record.id) || !ReadField("type", type) ||
                                 !ReadField("initiatorId", record.initiatorId)) {
                               return false;
                             }
                             record.type = type;
                             ReadField("parentHost.id", record.parentHostId);
                             return true;
                           });
}

bool EMCUnityJsonGetHostInitiatorInfo::GetHostInitiatorInfo(_UnityHostInitiatorInfo& out) {
  if (initiatorList.size() != 1) return false;
  out = initiatorList.front();
  return success;
}

bool EMCUnityJsonGetHostInitiatorInfo::TakeInitiatorList(
    std::vector<_UnityHostInitiatorInfo>& out) {
  out = std::move(initiatorList);
  initiatorList.clear();
  return success;
}

EMCUnityJsonGetLoggedInInitiator::EMCUnityJsonGetLoggedInInitiator() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "hostInitiatorPath";
}

bool EMCUnityJsonGetLoggedInInitiator::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(kLoggedInKeys);
  MakeURI(nextURI, "filter=(isLoggedIn eq true)");
  LogRequest("virtual bool EMCUnityJsonGetLoggedInInitiator::BuildRequest(std::string&)", body);
  return true;
}

void EMCUnityJsonGetLoggedInInitiator::InitNullableKeys() {
  MarkNullableKeys(kLoggedInKeys);
}

bool EMCUnityJsonGetLoggedInInitiator::ParseResponse(std::string& response) {
  if (!AnswerIsWellFormed(ParsedAnswer(response))) return false;
  return ParseListResponse(response, initiators, [this](jsondoc::Object&, std::string& name) {
    if (!ReadField("initiator.portWWN", name) || name.empty()) {
      name.clear();
      ReadField("initiator.initiatorId", name);
    }
    return true;
  });
}

bool EMCUnityJsonGetLoggedInInitiator::GetInitiators(std::vector<std::string>& out) {
  out = initiators;
  return success;
}

EMCUnityJsonHostInitiator::EMCUnityJsonHostInitiator() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "hostInitiator";
}

void EMCUnityJsonHostInitiator::Initialize(const std::string& server, const std::string& host,
                                           const _UNITY_HOSTINITIATOR_TYPE& type,
                                           const std::string& wwnOrIqn) {
  fileServer = server;
  instanceId.clear();
  actionName.clear();
  hostId = host;
  initiatorType = type;
  initiatorWWNorIqn = wwnOrIqn;
  timeout = -1;
}

void EMCUnityJsonHostInitiator::Initialize(const std::string& server,
                                           const std::string& initiatorId,
                                           const std::string& host) {
  fileServer = server;
  instanceId = initiatorId;
  actionName = "modify";
  hostId = host;
  timeout = -1;
}

bool EMCUnityJsonHostInitiator::BuildRequest(std::string& body) {
  body.clear();
  MakeURI(nextURI, "");
  jsondoc::Object request;
  request.import("host", HostReference(hostId));
  if (actionName.empty()) {
    request.import("initiatorType", jsondoc::Value(static_cast<int>(initiatorType)));
    request.import("initiatorWWNorIqn", jsondoc::Value(initiatorWWNorIqn));
  }
  body = WriteBody(request);
  LogRequest("virtual bool EMCUnityJsonHostInitiator::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonHostInitiator::ParseResponse(std::string& response) {
  // The modify form names an existing initiator: its answer carries no new id.
  if (!instanceId.empty()) return EMCUnityJsonBase::ParseResponse(response);
  // An error answer parses: the array's error stays in the message.
  if (!ParseError(response)) return false;
  return !isSuccess() || ReadCreatedId(response);
}

bool EMCUnityJsonHostInitiator::GetHostInitiatorId(std::string& out) {
  out = instanceId;
  return success;
}

// --- host IP ports ---

EMCUnityJsonGetHostIPPort::EMCUnityJsonGetHostIPPort() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "hostIPPort";
}

void EMCUnityJsonGetHostIPPort::Initialize(const std::string& server, const std::string& value) {
  fileServer = server;
  address = value;
  ipPortList.clear();
}

bool EMCUnityJsonGetHostIPPort::BuildRequest(std::string& body) {
  static const char kTag[] = "virtual bool EMCUnityJsonGetHostIPPort::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kIPPortKeys);
  std::string query;
  if (!address.empty() && !FilterQuery(kTag, jobId, "Ip address", "address", address, query)) {
    return false;
  }
  MakeURI(nextURI, query);
  LogRequest(kTag, body);
  return true;
}

void EMCUnityJsonGetHostIPPort::InitNullableKeys() {
  MarkNullableKeys(kIPPortKeys);
}

bool EMCUnityJsonGetHostIPPort::ParseResponse(std::string& response) {
  if (!AnswerIsWellFormed(ParsedAnswer(response))) return false;
  return ParseListResponse(response, ipPortList, [this](jsondoc::Object&, _UnityHostIPPort& port) {
    if (!ReadField("id", port.id) || !ReadField("address", port.address)) return false;
    ReadField("host.id", port.hostId);
    return true;
  });
}

bool EMCUnityJsonGetHostIPPort::GetHostIPPort(_UnityHostIPPort& out) {
  if (ipPortList.empty()) {
    setError(kMissingResourceCode, kMissingResourceText);
    return false;
  }
  if (ipPortList.size() != 1) return false;
  out = ipPortList.front();
  return success;
}

bool EMCUnityJsonGetHostIPPort::TakeIPPortList(std::vector<_UnityHostIPPort>& out) {
  out = std::move(ipPortList);
  ipPortList.clear();
  return success;
}

EMCUnityJsonCreateHostIPPort::EMCUnityJsonCreateHostIPPort() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "hostIPPort";
}

void EMCUnityJsonCreateHostIPPort::Initialize(const std::string& server, const std::string& host,
                                              const std::string& value) {
  fileServer = server;
  hostId = host;
  address = value;
  timeout = -1;
}

bool EMCUnityJsonCreateHostIPPort::BuildRequest(std::string& body) {
  body.clear();
  MakeURI(nextURI, "");
  jsondoc::Object request;
  request.import("address", jsondoc::Value(address));
  request.import("host", HostReference(hostId));
  body = WriteBody(request);
  LogRequest("virtual bool EMCUnityJsonCreateHostIPPort::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonCreateHostIPPort::ParseResponse(std::string& response) {
  // An error answer parses: the array's error stays in the message.
  if (!ParseError(response)) return false;
  return !isSuccess() || ReadCreatedId(response);
}

bool EMCUnityJsonCreateHostIPPort::GetHostIPPortId(std::string& out) {
  out = instanceId;
  return success;
}

// --- hosts ---

EMCUnityJsonGetHost::EMCUnityJsonGetHost() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "host";
}

void EMCUnityJsonGetHost::Initialize(const std::string& server, const std::string& name) {
  fileServer = server;
  hostName = name;
}

bool EMCUnityJsonGetHost::BuildRequest(std::string& body) {
  static const char kTag[] = "virtual bool EMCUnityJsonGetHost::BuildRequest(std::string&)";
  body.clear();
  fieldKeys.clear();
  std::string query;
  if (!FilterQuery(kTag, jobId, "Host name", "name", hostName, query)) return false;
  MakeURI(nextURI, query);
  LogRequest(kTag, body);
  return true;
}

bool EMCUnityJsonGetHost::ParseResponse(std::string& response) {
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;
  std::vector<jsondoc::Object*> elements;
  if (!AnswerElements(ParsedAnswer(response), elements)) return false;
  if (elements.empty()) {
    success = false;
    setError(kMissingResourceCode, kMissingResourceText);
    return true;
  }
  // Further matches are ignored: the first host of the name is the one used.
  std::string id;
  if (!ReadPathValue<jsondoc::String>(elements.front(), "content.id", id)) return false;
  instanceId = id;
  return true;
}

bool EMCUnityJsonGetHost::GetHostId(std::string& out) {
  out = instanceId;
  return success;
}

EMCUnityJsonCreateHost::EMCUnityJsonCreateHost() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "host";
}

void EMCUnityJsonCreateHost::Initialize(const std::string& server, const std::string& name,
                                        const std::string& os, const _UNITY_HOST_TYPE& type) {
  fileServer = server;
  hostName = name;
  osType = os;
  hostType = type;
  timeout = -1;
}

bool EMCUnityJsonCreateHost::BuildRequest(std::string& body) {
  body.clear();
  MakeURI(nextURI, "");
  jsondoc::Object request;
  request.import("name", jsondoc::Value(hostName));
  if (!osType.empty()) request.import("osType", jsondoc::Value(osType));
  request.import("type", jsondoc::Value(static_cast<int>(hostType)));
  body = WriteBody(request);
  LogRequest("virtual bool EMCUnityJsonCreateHost::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonCreateHost::ParseResponse(std::string& response) {
  // An error answer parses: the array's error stays in the message.
  if (!ParseError(response)) return false;
  return !isSuccess() || ReadCreatedId(response);
}

bool EMCUnityJsonCreateHost::GetHostId(std::string& out) {
  out = instanceId;
  return success;
}

EMCUnityJsonDeleteHost::EMCUnityJsonDeleteHost() {
  httpReqType = UNITY_HTTP_DELETE;
  resourceType = "host";
}

void EMCUnityJsonDeleteHost::Initialize(const std::string& server, const std::string& hostId) {
  fileServer = server;
  instanceId = hostId;
  timeout = -1;
}

// --- iSCSI nodes ---

EMCUnityJsonGetIscsiNode::EMCUnityJsonGetIscsiNode() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "iscsiNode";
}

void EMCUnityJsonGetIscsiNode::Initialize(const std::string& server) {
  fileServer = server;
}

bool EMCUnityJsonGetIscsiNode::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(kIscsiNodeKeys);
  MakeURI(nextURI, "");
  LogRequest("virtual bool EMCUnityJsonGetIscsiNode::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonGetIscsiNode::ParseResponse(std::string& response) {
  if (!AnswerIsWellFormed(ParsedAnswer(response))) return false;
  UnityListOptions options;
  options.skipElementsWithoutContent = true;
  options.extractionFailureTag =
      "virtual bool EMCUnityJsonGetIscsiNode::ParseResponse(std::string&)";
  return ParseListResponse(
      response, iscsiNodeList,
      [this](jsondoc::Object&, _UnityIscsiNode& node) {
        return ReadField("id", node.id) && ReadField("name", node.name);
      },
      options);
}

bool EMCUnityJsonGetIscsiNode::GetIscsNodes(std::vector<_UnityIscsiNode>& out) {
  out = iscsiNodeList;
  return success;
}
