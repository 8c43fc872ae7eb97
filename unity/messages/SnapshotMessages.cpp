#include "unity/messages/SnapshotMessages.h"

#include <utility>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/TextUtils.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FilterText.h"
#include "unity/messages/ListResponse.h"

namespace {

// The last key, the hosts an attached snapshot is exposed to, is asked from API version 5.0 on.
const UnityFieldKey kSnapKeys[] = {
    {"id", kRequiredKey, UnityFieldType::kText},
    {"name", kRequiredKey, UnityFieldType::kText},
    {"storageResource.id", kRequiredKey, UnityFieldType::kText},
    {"isModifiable", kRequiredKey, UnityFieldType::kBoolean},
    {"lun.id", kNullableKey, UnityFieldType::kText},
    {"attachedWWN", kNullableKey, UnityFieldType::kText},
    {"hostAccess", kNullableKey, UnityFieldType::kAnyValue},
};
constexpr std::size_t kSnapKeyCount = sizeof(kSnapKeys) / sizeof(kSnapKeys[0]);

const UnityFieldKey kReplicationKeys[] = {{"id", kRequiredKey}, {"remoteSystem.id", kRequiredKey}};

// Reads the "hostAccess" list of one snapshot. An absent, null or non-list value keeps the
// record's empty list; an element that is not a complete access entry fails the record.
bool ReadHostAccess(jsondoc::Value* value, std::vector<_UnityHostAccess>& out) {
  if (value == nullptr || !value->is<jsondoc::Array>()) return true;
  for (jsondoc::Value* element : value->get<jsondoc::Array>().values()) {
    jsondoc::Object* entry = ObjectOf(element);
    if (entry == nullptr) return false;
    _UnityHostAccess access;
    if (!ReadPathValue<jsondoc::Number>(entry, "allowedAccess", access.accessMask) ||
        !ReadPathValue<jsondoc::String>(entry, "host.id", access.hostId)) {
      return false;
    }
    out.push_back(access);
  }
  return true;
}

}  // namespace

// --- creation ---

EMCUnityJsonCreateSnap::EMCUnityJsonCreateSnap() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "snap";
}

void EMCUnityJsonCreateSnap::Initialize(const std::string& server, const std::string& resourceId,
                                        const std::string& name, const bool& accessType) {
  fileServer = server;
  storageResourceId = resourceId;
  snapName = name;
  accessTypeFlag = accessType;
  timeout = -1;
}

bool EMCUnityJsonCreateSnap::BuildRequest(std::string& body) {
  nextURI.clear();
  body.clear();
  MakeURI(nextURI, "");
  jsondoc::Object request;
  request.import("filesystemAccessType", jsondoc::Value(accessTypeFlag ? 2 : 1));
  request.import("isAutoDelete", jsondoc::Value(false));
  request.import("name", jsondoc::Value(snapName));
  request.import("storageResource", jsondoc::Value(jsondoc::Object("id", storageResourceId)));
  body = WriteBody(request);
  LogRequest("virtual bool EMCUnityJsonCreateSnap::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonCreateSnap::ParseResponse(std::string& response) {
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;
  if (!ReadCreatedId(response)) return false;
  snapId = SnapIdFromText(instanceId);
  return true;
}

void EMCUnityJsonCreateSnap::setTimeout(const long&) {
  DiagLog log;
  log.logLevel("virtual void EMCUnityJsonCreateSnap::setTimeout(const long int&)", 0, jobId,
               "Cannot change timeout for CreateSnapshot. Defaulting to [%ld]", timeout);
}

bool EMCUnityJsonCreateSnap::GetSnapId(unsigned long long& out) {
  out = snapId;
  return success;
}

// --- copy ---

EMCUnityJsonCopySnap::EMCUnityJsonCopySnap() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "snap";
  actionName = "copy";
}

void EMCUnityJsonCopySnap::Initialize(const std::string& server, const unsigned long long& id,
                                      const std::string& name) {
  fileServer = server;
  instanceId = SnapIdToText(id);
  copyName = name;
  timeout = 20;
}

bool EMCUnityJsonCopySnap::BuildRequest(std::string& body) {
  nextURI.clear();
  body.clear();
  MakeURI(nextURI, "");
  body = WriteBody(jsondoc::Object("copyName", copyName));
  LogRequest("virtual bool EMCUnityJsonCopySnap::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonCopySnap::ParseResponse(std::string& response) {
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;
  jsondoc::Object& answer = ParsedAnswer(response);
  jsondoc::Value* copies = nullptr;
  if (!ParseJsonValue(&answer, "content.copies", copies) || copies == nullptr ||
      !copies->is<jsondoc::Array>()) {
    return false;
  }
  const jsondoc::Array& list = copies->get<jsondoc::Array>();
  if (list.size() != 1) {
    // Anything but one new snapshot leaves the caller without a usable id.
    DiagLog log;
    log.logLevelNoJob("virtual bool EMCUnityJsonCopySnap::ParseResponse(std::string&)", -1,
                      "Size of the returned snap ids is not equal to 1");
    return false;
  }
  jsondoc::Object* copy = ObjectOf(list.values().front());
  std::string id;
  if (copy == nullptr || !ReadPathValue<jsondoc::String>(copy, "id", id)) return false;
  copySnapId = SnapIdFromText(id);
  return true;
}

bool EMCUnityJsonCopySnap::GetCopySnapId(unsigned long long& out) {
  out = copySnapId;
  return success;
}

// --- deletion and restore ---

EMCUnityJsonDeleteSnap::EMCUnityJsonDeleteSnap() {
  httpReqType = UNITY_HTTP_DELETE;
  resourceType = "snap";
}

void EMCUnityJsonDeleteSnap::Initialize(const std::string& server, const unsigned long long& id) {
  fileServer = server;
  instanceId = SnapIdToText(id);
  timeout = 20;
}

EMCUnityJsonRestoreSnap::EMCUnityJsonRestoreSnap() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "snap";
}

void EMCUnityJsonRestoreSnap::Initialize(const std::string& server, const unsigned long long& id) {
  fileServer = server;
  actionName = "restore";
  instanceId = SnapIdToText(id);
  timeout = 20;
}

// --- listing ---

EMCUnityJsonGetSnapshotList::EMCUnityJsonGetSnapshotList() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "snap";
}

void EMCUnityJsonGetSnapshotList::Initialize(const std::string& server,
                                             const std::vector<unsigned long long>& ids,
                                             const bool& group) {
  fileServer = server;
  snapIds.clear();
  snapNames.clear();
  if (ids.size() == 1 && !group) {
    instanceId = SnapIdToText(ids.front());
  } else {
    snapIds = ids;
  }
  isSnapGroup = group;
  snapList.clear();
}

void EMCUnityJsonGetSnapshotList::Initialize(const std::string& server,
                                             const std::vector<std::string>& names,
                                             const bool& group) {
  fileServer = server;
  snapIds.clear();
  snapNames = names;
  isSnapGroup = group;
  snapList.clear();
}

bool EMCUnityJsonGetSnapshotList::RequestsHostAccess() const {
  return apiVersionCompare(apiVersion, "5.0") >= 0;
}

std::size_t EMCUnityJsonGetSnapshotList::SnapKeyCount() const {
  return RequestsHostAccess() ? kSnapKeyCount : kSnapKeyCount - 1;
}

bool EMCUnityJsonGetSnapshotList::BuildRequest(std::string& body) {
  static const char kTag[] = "virtual bool EMCUnityJsonGetSnapshotList::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kSnapKeys, SnapKeyCount());
  const char* idKey = isSnapGroup ? "snapGroup.id" : "id";
  const char* nameKey = isSnapGroup ? "snapGroup.name" : "name";

  std::string query;
  if (snapNames.empty() && instanceId.empty()) {
    query = EncodedIdFilterQuery(idKey, snapIds);
  } else if (!snapNames.empty()) {
    std::string filter;
    for (const std::string& name : snapNames) {
      if (!FilterValueIsQuotable(name)) {
        DiagLog log;
        log.logLevel(kTag, -1, jobId, "%s",
                     FilterQuoteErrorText(isSnapGroup ? "Snap group name" : "Snap name").c_str());
        return false;
      }
      AppendFilterOrTerm(filter, nameKey, name);
    }
    query = "filter=" + url_encode(filter);
  }
  MakeURI(nextURI, query);
  LogRequest(kTag, body);
  return true;
}

// Runs before every record: the whole table serves both versions without comparing the version
// each time, as only keys present in the field map are marked ("hostAccess" is there from 5.0 on).
void EMCUnityJsonGetSnapshotList::InitNullableKeys() {
  MarkNullableKeys(kSnapKeys);
}

bool EMCUnityJsonGetSnapshotList::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, snapList,
      [this](jsondoc::Object&, _UnitySnapInfo& snap) {
        std::string id;
        if (!ReadField("id", id) || !ReadField("name", snap.name) ||
            !ReadField("storageResource.id", snap.storageResourceId) ||
            !ReadField("isModifiable", snap.isModifiable)) {
          return false;
        }
        // Absent or unreadable optional attributes keep their defaults.
        ReadField("lun.id", snap.lunId);
        ReadField("attachedWWN", snap.attachedWWN);
        // Only requested from 5.0 on; below that the key is not in the map and nothing is read.
        const std::map<std::string, void*>::value_type* hostAccess = FieldEntry("hostAccess");
        if (hostAccess != nullptr &&
            !ReadHostAccess(static_cast<jsondoc::Value*>(hostAccess->second), snap.hostAccess)) {
          return false;
        }
        snap.snapId = SnapIdFromText(id);
        return true;
      },
      DirectlyReadable(UnityListOptions(), kSnapKeys, SnapKeyCount()));
}

bool EMCUnityJsonGetSnapshotList::GetSnapList(std::vector<_UnitySnapInfo>& out) {
  out = snapList;
  return success;
}

bool EMCUnityJsonGetSnapshotList::TakeSnapList(std::vector<_UnitySnapInfo>& out) {
  out = std::move(snapList);
  snapList.clear();
  return success;
}

// --- replication ---

EMCUnityJsonMarkSnapReplication::EMCUnityJsonMarkSnapReplication() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "snap";
  actionName = "replicate";
}

void EMCUnityJsonMarkSnapReplication::Initialize(const std::string& server,
                                                 const unsigned long long& id) {
  fileServer = server;
  instanceId = SnapIdToText(id);
}

bool EMCUnityJsonMarkSnapReplication::BuildRequest(std::string& body) {
  nextURI.clear();
  body.clear();
  MakeURI(nextURI, "");
  body = WriteBody(jsondoc::Object("isRemoteAutoDelete", jsondoc::Value(false)));
  LogRequest("virtual bool EMCUnityJsonMarkSnapReplication::BuildRequest(std::string&)", body);
  return true;
}

EMCUnityJsonGetReplicationInfo::EMCUnityJsonGetReplicationInfo() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "replicationSession";
}

void EMCUnityJsonGetReplicationInfo::Initialize(const std::string& server,
                                                const std::string& resourceId) {
  fileServer = server;
  srcResourceId = resourceId;
}

bool EMCUnityJsonGetReplicationInfo::BuildRequest(std::string& body) {
  static const char kTag[] =
      "virtual bool EMCUnityJsonGetReplicationInfo::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kReplicationKeys);
  if (!FilterValueIsQuotable(srcResourceId)) {
    DiagLog log;
    log.logLevel(kTag, -1, jobId, "%s", FilterQuoteErrorText("Resource id").c_str());
    return false;
  }
  MakeURI(nextURI, "filter=" + FilterEqTerm("srcResourceId", filter_url_safe(srcResourceId)));
  LogRequest(kTag, body);
  return true;
}

bool EMCUnityJsonGetReplicationInfo::ParseResponse(std::string& response) {
  static const char kTag[] =
      "virtual bool EMCUnityJsonGetReplicationInfo::ParseResponse(std::string&)";
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;
  jsondoc::Object& answer = ParsedAnswer(response);
  std::vector<jsondoc::Object*> elements;
  if (answer.has<jsondoc::Array>("entries")) {
    for (jsondoc::Value* entry : answer.get<jsondoc::Array>("entries").values()) {
      elements.push_back(ObjectOf(entry));
    }
  } else {
    elements.push_back(&answer);
  }
  DiagLog log;
  listedCount = elements.size();
  if (elements.size() != 1) {
    // Syncing "the" session of a resource is only meaningful when there is exactly one.
    log.logLevelNoJob(kTag, -1, "Incorrect response size [%zu]", elements.size());
    return false;
  }
  jsondoc::Object* element = elements.front();
  if (element == nullptr || !element->has<jsondoc::Object>("content")) return true;
  jsondoc::Object content(element->get<jsondoc::Object>("content"));
  if (!GetJsonValues(&content, fieldKeys)) {
    log.logLevel(kTag, -1, jobId, "Failed to parse values from json");
    return false;
  }
  return ReadField("id", sessionInfo.sessionId);
}

void EMCUnityJsonGetReplicationInfo::GetReplicationSessionInfo(_ReplicationSessionInfo& out) {
  out = sessionInfo;
}

EMCUnityJsonSyncReplication::EMCUnityJsonSyncReplication() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "replicationSession";
  actionName = "sync";
  timeout = 20;
}

void EMCUnityJsonSyncReplication::Initialize(const std::string& server,
                                             const std::string& sessionId) {
  fileServer = server;
  instanceId = sessionId;
}

bool EMCUnityJsonSyncReplication::BuildRequest(std::string& body) {
  body.clear();
  fieldKeys.clear();
  MakeURI(nextURI, "");
  LogRequest("virtual bool EMCUnityJsonSyncReplication::BuildRequest(std::string&)", body);
  return true;
}
