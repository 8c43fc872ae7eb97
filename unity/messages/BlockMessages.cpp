#include "unity/messages/BlockMessages.h"

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/TextUtils.h"
#include "unity/messages/ArrayCodes.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FilterText.h"
#include "unity/messages/ListResponse.h"

namespace {

const UnityFieldKey kLunKeys[] = {
    {"id", kRequiredKey},
    {"name", kRequiredKey},
    {"wwn", kRequiredKey},
    {"snapWwn", kRequiredKey},
    {"storageResource.id", kRequiredKey},
    {"storageResource.name", kRequiredKey},
    {"storageResource.type", kRequiredKey},
};

const UnityFieldKey kStorageResourceKeys[] = {
    {"id", kRequiredKey},   {"name", kRequiredKey},
    {"type", kRequiredKey}, {"blockHostAccess", kNullableKey},
    {"luns", kNullableKey},
};

const UnityFieldKey kHostLunKeys[] = {
    {"id", kRequiredKey},     {"type", kRequiredKey},    {"host.id", kRequiredKey},
    {"lun.id", kRequiredKey}, {"snap.id", kNullableKey}, {"snap.snapGroup.id", kNullableKey},
};

// Logs the refusal of a filter value holding a double quote; BuildRequest then fails.
bool QuotableOrLog(const char* tag, unsigned long long jobId, const char* field,
                   const std::string& value) {
  if (FilterValueIsQuotable(value)) return true;
  DiagLog log;
  log.logLevel(tag, -1, jobId, "%s", FilterQuoteErrorText(field).c_str());
  return false;
}

// [{<maskKey>: mask, "host": {"id": hostId}}, ...] in list order.
jsondoc::Array HostAccessArray(const std::vector<_UnityHostAccess>& list, const char* maskKey) {
  jsondoc::Array array;
  for (const _UnityHostAccess& entry : list) {
    jsondoc::Object element;
    element.import(maskKey, jsondoc::Value(entry.accessMask));
    element.import("host", jsondoc::Value(jsondoc::Object("id", entry.hostId)));
    array.import(jsondoc::Value(element));
  }
  return array;
}

// Calls read(element) for every element of the list at `value`. Absent, null or a value of
// another kind is an empty list; an element that is not an object, or that read refuses, fails.
template <typename Read>
bool ForEachListObject(void* value, Read read) {
  jsondoc::Value* list = static_cast<jsondoc::Value*>(value);
  if (list == nullptr || !list->is<jsondoc::Array>()) return true;
  for (jsondoc::Value* element : list->get<jsondoc::Array>().values()) {
    jsondoc::Object* object = ObjectOf(element);
    if (object == nullptr || !read(object)) return false;
  }
  return true;
}

}  // namespace

// --- LUNs ---

EMCUnityJsonGetLunList::EMCUnityJsonGetLunList() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "lun";
}

void EMCUnityJsonGetLunList::Initialize(const std::string& server, const std::string& lunWwn) {
  fileServer = server;
  wwn = lunWwn;
  lunList.clear();
}

bool EMCUnityJsonGetLunList::BuildRequest(std::string& body) {
  static const char kTag[] = "virtual bool EMCUnityJsonGetLunList::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kLunKeys);
  if (!QuotableOrLog(kTag, jobId, "WWN", wwn)) return false;
  MakeURI(nextURI, wwn.empty() ? "" : "filter=" + FilterEqTerm("wwn", filter_url_safe(wwn)));
  LogRequest(kTag, body);
  return true;
}

bool EMCUnityJsonGetLunList::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, lunList,
      [this](jsondoc::Object&, _UnityLunInfo& lun) {
        long type = 0;
        if (!ReadField("id", lun.id) || !ReadField("name", lun.name) ||
            !ReadField("wwn", lun.wwn) || !ReadField("snapWwn", lun.snapWwn) ||
            !ReadField("storageResource.id", lun.storageResource.id) ||
            !ReadField("storageResource.name", lun.storageResource.name) ||
            !ReadField("storageResource.type", type)) {
          return false;
        }
        lun.storageResource.type = static_cast<_UNITY_STG_RES_TYPE>(type);
        return true;
      },
      StrictElements());
}

bool EMCUnityJsonGetLunList::GetLunInfo(_UnityLunInfo& out) {
  if (lunList.size() == 1) {
    out = lunList.front();
    return success;
  }
  if (lunList.empty()) setError(kMissingResourceCode, kMissingResourceText);
  return false;
}

bool EMCUnityJsonGetLunList::TakeLunList(std::vector<_UnityLunInfo>& out) {
  out = std::move(lunList);
  lunList.clear();
  return success;
}

// --- host access of a LUN or consistency group ---

EMCUnityJsonLunAccess::EMCUnityJsonLunAccess() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "storageResource";
}

void EMCUnityJsonLunAccess::Initialize(const std::string& server, const std::string& stgResId,
                                       const std::vector<_UnityHostAccess>& hostAccess,
                                       const bool& consistencyGroup) {
  fileServer = server;
  instanceId = stgResId;
  hostAccessList = hostAccess;
  isConsistencyGroup = consistencyGroup;
  actionName = consistencyGroup ? "modifyConsistencyGroup" : "modifyLun";
  timeout = -1;
}

bool EMCUnityJsonLunAccess::BuildRequest(std::string& body) {
  body.clear();
  fieldKeys.clear();
  MakeURI(nextURI, "");
  const jsondoc::Value access(HostAccessArray(hostAccessList, "accessMask"));
  const jsondoc::Object request =
      isConsistencyGroup
          ? jsondoc::Object("blockHostAccess", access)
          : jsondoc::Object("lunParameters", jsondoc::Value(jsondoc::Object("hostAccess", access)));
  body = WriteBody(request);
  LogRequest("virtual bool EMCUnityJsonLunAccess::BuildRequest(std::string&)", body);
  return true;
}

// --- snapshot attach, modify and detach ---

EMCUnityJsonExposeLun::EMCUnityJsonExposeLun() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "snap";
}

void EMCUnityJsonExposeLun::Initialize(const std::string& server, const unsigned long long& snapId,
                                       const bool& attach) {
  fileServer = server;
  actionName = attach ? "attach" : "detach";
  instanceId = SnapIdToText(snapId);
  timeout = 20;
}

void EMCUnityJsonExposeLun::Initialize(const std::string& server, const unsigned long long& snapId,
                                       const std::vector<_UnityHostAccess>& hostAccess,
                                       const bool& modify) {
  fileServer = server;
  actionName = hostAccess.empty() ? "detach" : modify ? "modify" : "attach";
  instanceId = SnapIdToText(snapId);
  hostAccessList = hostAccess;
  timeout = 20;
}

bool EMCUnityJsonExposeLun::BuildRequest(std::string& body) {
  body.clear();
  fieldKeys.clear();
  MakeURI(nextURI, "");
  if (!hostAccessList.empty()) {
    body = WriteBody(jsondoc::Object(
        "hostAccess", jsondoc::Value(HostAccessArray(hostAccessList, "allowedAccess"))));
  }
  LogRequest("virtual bool EMCUnityJsonExposeLun::BuildRequest(std::string&)", body);
  return true;
}

// --- storage resources ---

EMCUnityJsonGetStorageResource::EMCUnityJsonGetStorageResource() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "storageResource";
}

void EMCUnityJsonGetStorageResource::Initialize(const std::string& server, const std::string& name,
                                                const _UNITY_STG_RES_TYPE& type) {
  fileServer = server;
  resName = name;
  resType = type;
}

void EMCUnityJsonGetStorageResource::Initialize(const std::string& server,
                                                const std::string& stgResId) {
  fileServer = server;
  instanceId = stgResId;
}

bool EMCUnityJsonGetStorageResource::BuildRequest(std::string& body) {
  static const char kTag[] =
      "virtual bool EMCUnityJsonGetStorageResource::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kStorageResourceKeys);
  std::string query;
  if (instanceId.empty()) {
    if (!QuotableOrLog(kTag, jobId, "Resource name", resName)) return false;
    query = "filter=" + url_encode("name eq \"" + resName + "\" AND (type eq " +
                                   std::to_string(static_cast<int>(resType)) + ")");
  }
  MakeURI(nextURI, query);
  LogRequest(kTag, body);
  return true;
}

void EMCUnityJsonGetStorageResource::InitNullableKeys() {
  MarkNullableKeys(kStorageResourceKeys);
}

bool EMCUnityJsonGetStorageResource::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, resourceList,
      [this](jsondoc::Object&, _UnityStorageResource& resource) {
        int type = 0;
        if (!ReadField("id", resource.id) || !ReadField("name", resource.name) ||
            !ReadField("type", type)) {
          return false;
        }
        resource.type = static_cast<_UNITY_STG_RES_TYPE>(type);
        return ForEachListObject(
                   fieldKeys["blockHostAccess"],
                   [&resource](jsondoc::Object* element) {
                     _UnityHostAccess access;
                     if (!ReadPathValue<jsondoc::Number>(element, "accessMask",
                                                         access.accessMask) ||
                         !ReadPathValue<jsondoc::String>(element, "host.id", access.hostId)) {
                       return false;
                     }
                     resource.hostAccess.push_back(access);
                     return true;
                   }) &&
               ForEachListObject(fieldKeys["luns"], [&resource](jsondoc::Object* element) {
                 std::string id;
                 if (!ReadPathValue<jsondoc::String>(element, "id", id)) return false;
                 resource.lunIds.push_back(id);
                 return true;
               });
      },
      StrictElements());
}

bool EMCUnityJsonGetStorageResource::GetStorageResourceList(
    std::vector<_UnityStorageResource>& out) {
  out = resourceList;
  return success;
}

bool EMCUnityJsonGetStorageResource::GetStorageResourceInfo(_UnityStorageResource& out) {
  if (resourceList.size() != 1) return false;
  out = resourceList.front();
  return success;
}

// --- host LUNs ---

EMCUnityJsonGetHostLun::EMCUnityJsonGetHostLun() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "hostLUN";
}

void EMCUnityJsonGetHostLun::Initialize(const std::string& server,
                                        const std::vector<unsigned long long>& snaps,
                                        const std::set<std::string>& hosts,
                                        const _UNITY_HOST_LUN_TYPE& type) {
  fileServer = server;
  snapIds = snaps;
  hostIds = hosts;
  hostLunType = type;
  hostLunList.clear();
}

bool EMCUnityJsonGetHostLun::BuildRequest(std::string& body) {
  static const char kTag[] = "virtual bool EMCUnityJsonGetHostLun::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kHostLunKeys);
  std::string filter;
  for (SnapID id : snapIds) {
    const std::string text = SnapIdToText(id);
    if (!filter.empty()) filter += " OR ";
    filter += "(snap.id eq \"" + text + "\" OR snap.snapGroup.id eq \"" + text + "\")";
  }
  if (snapIds.size() > 1) filter = "(" + filter + ")";
  if (!hostIds.empty()) {
    std::string hosts;
    for (const std::string& host : hostIds) {
      if (!QuotableOrLog(kTag, jobId, "Host id", host)) return false;
      AppendFilterOrTerm(hosts, "host.id", host);
    }
    if (hostIds.size() > 1) hosts = "(" + hosts + ")";
    if (!filter.empty()) filter += " AND ";
    filter += hosts;
  }
  if (hostLunType != UNITY_HOST_LUN_TYPE_NONE) {
    if (!filter.empty()) filter += " AND ";
    filter += "(type eq " + std::to_string(static_cast<int>(hostLunType)) + ")";
  }
  MakeURI(nextURI, filter.empty() ? "" : "filter=" + url_encode(filter));
  LogRequest(kTag, body);
  return true;
}

void EMCUnityJsonGetHostLun::InitNullableKeys() {
  MarkNullableKeys(kHostLunKeys);
}

bool EMCUnityJsonGetHostLun::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, hostLunList,
      [this](jsondoc::Object&, _UnityHostLun& hostLun) {
        int type = 0;
        if (!ReadField("id", hostLun.id) || !ReadField("host.id", hostLun.hostId) ||
            !ReadField("lun.id", hostLun.lunId) || !ReadField("type", type)) {
          return false;
        }
        hostLun.type = static_cast<_UNITY_HOST_LUN_TYPE>(type);
        // A member snapshot of a group is reported under the group's id.
        std::string snap;
        if (!ReadField("snap.snapGroup.id", snap)) ReadField("snap.id", snap);
        hostLun.snapId = SnapIdFromText(snap);
        return true;
      },
      StrictElements());
}

bool EMCUnityJsonGetHostLun::GetHostLuns(std::vector<_UnityHostLun>& out) {
  out = hostLunList;
  return success;
}
