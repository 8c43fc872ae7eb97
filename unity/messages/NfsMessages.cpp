#include "unity/messages/NfsMessages.h"

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/SnapshotRecords.h"
#include "unity/TextUtils.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FilterText.h"
#include "unity/messages/ListResponse.h"

namespace {

// The host lists by access value: index 0 to 3 is the access code of the hosts in that list.
const char* const kHostLists[] = {"noAccessHosts", "readOnlyHosts", "readWriteHosts",
                                  "rootAccessHosts"};

const UnityFieldKey kExportKeys[] = {
    {"id", kRequiredKey},
    {"type", kRequiredKey},
    {"name", kRequiredKey},
    {"path", kRequiredKey},
    {"exportPaths", kRequiredKey},
    {"filesystem.id", kRequiredKey},
    {"defaultAccess", kRequiredKey},
    {"noAccessHosts", kNullableKey},
    {"readOnlyHosts", kNullableKey},
    {"readWriteHosts", kNullableKey},
    {"rootAccessHosts", kNullableKey},
};

// The list a host of access `access` is sent in; an access outside the four codes gives none.
int HostListIndex(_UNITY_NFS_DEF_ACCESS access) {
  return access >= UNITY_NFS_DEF_ACCESS_NO_ACCESS && access <= UNITY_NFS_DEF_ACCESS_ROOT
             ? static_cast<int>(access)
             : 0;
}

// The array value of a field map entry when it holds a list, else null.
const jsondoc::Array* ArrayOf(void* field) {
  const jsondoc::Value* value = static_cast<const jsondoc::Value*>(field);
  return value != nullptr && value->is<jsondoc::Array>() ? &value->get<jsondoc::Array>() : nullptr;
}

// Sets every host of the list `list` to `access`. An element without a string "id" fails.
bool ReadHostList(void* list, _UNITY_NFS_DEF_ACCESS access,
                  std::map<std::string, _UNITY_NFS_DEF_ACCESS>& hosts) {
  const jsondoc::Array* elements = ArrayOf(list);
  if (elements == nullptr) return true;  // absent or null: no hosts at this access
  for (jsondoc::Value* element : elements->values()) {
    std::string id;
    jsondoc::Object* host = ObjectOf(element);
    if (host == nullptr || !ReadPathValue<jsondoc::String>(host, "id", id)) return false;
    hosts[id] = access;
  }
  return true;
}

}  // namespace

// --- shared by the NFS and CIFS share messages ---

void EMCUnityJsonCreateSnapShare::InitializeShare(const std::string& server,
                                                  const unsigned long long& snapId,
                                                  const std::string& name,
                                                  const std::string& path) {
  fileServer = server;
  snapIdText = SnapIdToText(snapId);
  shareName = name;
  sharePath = path;
  timeout = -1;
}

bool EMCUnityJsonCreateSnapShare::BuildShareRequest(const char* tag, jsondoc::Object& request,
                                                    std::string& body) {
  nextURI.clear();
  body.clear();
  MakeURI(nextURI, "");
  request.import("snap", jsondoc::Value(jsondoc::Object("id", snapIdText)));
  request.import("name", jsondoc::Value(shareName));
  request.import("path", jsondoc::Value(sharePath));
  body = WriteBody(request);
  LogRequest(tag, body);
  return true;
}

bool EMCUnityJsonCreateSnapShare::ParseResponse(std::string& response) {
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;
  return ReadCreatedId(response);
}

bool EMCUnityJsonCreateSnapShare::GetShareId(std::string& out) {
  out = instanceId;
  return success;
}

bool EMCUnityJsonSnapShareList::FilterQuery(const char* tag, const std::vector<std::string>& values,
                                            const std::string& filter, std::string& query) const {
  for (const std::string& value : values) {
    if (!FilterValueIsQuotable(value)) {
      DiagLog log;
      log.logLevel(tag, -1, jobId, "%s", FilterQuoteErrorText("Filter value").c_str());
      return false;
    }
  }
  query = filter.empty() ? std::string() : "filter=" + url_encode(filter);
  return true;
}

bool EMCUnityJsonSnapShareList::ReadShareFields(std::string& id, std::string& name,
                                                std::int32_t& type, std::string& path,
                                                std::string& filesystemId,
                                                std::vector<std::string>& exportPaths) {
  int typeNumber = 0;
  if (!ReadField("id", id) || !ReadField("name", name) || !ReadField("type", typeNumber) ||
      !ReadField("path", path) || !ReadField("filesystem.id", filesystemId)) {
    return false;
  }
  type = typeNumber;
  if (const jsondoc::Array* paths = ArrayOf(fieldKeys["exportPaths"])) {
    for (const jsondoc::Value* element : paths->values()) {
      if (element->is<jsondoc::String>()) exportPaths.push_back(element->get<jsondoc::String>());
    }
  }
  return true;
}

// --- creation ---

EMCUnityJsonCreateNFSExport::EMCUnityJsonCreateNFSExport() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "nfsShare";
}

void EMCUnityJsonCreateNFSExport::Initialize(const std::string& server,
                                             const unsigned long long& snapId,
                                             const std::string& exportName,
                                             const _UNITY_NFS_DEF_ACCESS& access,
                                             const std::string& exportPath) {
  InitializeShare(server, snapId, exportName, exportPath);
  defaultAccess = access;
}

bool EMCUnityJsonCreateNFSExport::BuildRequest(std::string& body) {
  jsondoc::Object request("defaultAccess", jsondoc::Value(static_cast<int>(defaultAccess)));
  return BuildShareRequest("virtual bool EMCUnityJsonCreateNFSExport::BuildRequest(std::string&)",
                           request, body);
}

// --- host access ---

EMCUnityJsonModifyNfsAccess::EMCUnityJsonModifyNfsAccess() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "nfsShare";
  actionName = "modify";
}

void EMCUnityJsonModifyNfsAccess::Initialize(const std::string& server, const std::string& exportId,
                                             const _UnityNfsHostAccess& access) {
  fileServer = server;
  instanceId = exportId;
  nfsHostAccess = access;
  timeout = -1;
}

bool EMCUnityJsonModifyNfsAccess::BuildRequest(std::string& body) {
  nextURI.clear();
  body.clear();
  MakeURI(nextURI, "");
  jsondoc::Array lists[4];
  for (const auto& host : nfsHostAccess.hosts) {
    lists[HostListIndex(host.second)] << jsondoc::Value(jsondoc::Object("id", host.first));
  }
  jsondoc::Object request("defaultAccess",
                          jsondoc::Value(static_cast<int>(nfsHostAccess.defaultAccess)));
  for (int i = 0; i < 4; ++i) request.import(kHostLists[i], jsondoc::Value(lists[i]));
  body = WriteBody(request);
  LogRequest("virtual bool EMCUnityJsonModifyNfsAccess::BuildRequest(std::string&)", body);
  return true;
}

// --- deletion ---

EMCUnityJsonDeleteNFSExport::EMCUnityJsonDeleteNFSExport() {
  httpReqType = UNITY_HTTP_DELETE;
  resourceType = "nfsShare";
}

void EMCUnityJsonDeleteNFSExport::Initialize(const std::string& server,
                                             const std::string& exportId) {
  fileServer = server;
  instanceId = exportId;
  timeout = 20;
}

// --- listing ---

EMCUnityJsonGetNFSExportList::EMCUnityJsonGetNFSExportList() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "nfsShare";
}

void EMCUnityJsonGetNFSExportList::InitializeWithName(const std::string& server,
                                                      const std::string& name,
                                                      const std::string& nasServer) {
  fileServer = server;
  exportName = name;
  nasServerName = nasServer;
  nfsList.clear();
}

void EMCUnityJsonGetNFSExportList::InitializeWithPath(const std::string& server,
                                                      const unsigned long long& snap,
                                                      const std::string& path) {
  fileServer = server;
  snapId = snap;
  exportPath = path;
  nfsList.clear();
}

void EMCUnityJsonGetNFSExportList::InitializeWithHost(const std::string& server,
                                                      const std::string& host) {
  fileServer = server;
  hostId = host;
  nfsList.clear();
}

bool EMCUnityJsonGetNFSExportList::BuildRequest(std::string& body) {
  static const char kTag[] =
      "virtual bool EMCUnityJsonGetNFSExportList::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kExportKeys);
  // The first rule whose input is set wins; the NAS server only narrows a name.
  std::string filter;
  std::vector<std::string> values;
  if (!exportName.empty()) {
    filter = FilterEqTerm("name", exportName);
    values.push_back(exportName);
    if (!nasServerName.empty()) {
      filter += " AND " + FilterEqTerm("filesystem.nasServer.name", nasServerName);
      values.push_back(nasServerName);
    }
  } else if (snapId != 0) {
    filter = "(snap.id eq \"" + SnapIdToText(snapId) + "\" ";
    if (exportPath.empty()) {
      filter += ")";
    } else {
      filter += "and path eq \"" + exportPath + "\")";
      values.push_back(exportPath);
    }
  } else if (!hostId.empty()) {
    filter = FilterEqTerm("rootAccessHosts.id", hostId);
    values.push_back(hostId);
  }
  std::string query;
  if (!FilterQuery(kTag, values, filter, query)) return false;
  MakeURI(nextURI, query);
  LogRequest(kTag, body);
  return true;
}

void EMCUnityJsonGetNFSExportList::InitNullableKeys() {
  MarkNullableKeys(kExportKeys);
}

bool EMCUnityJsonGetNFSExportList::ParseResponse(std::string& response) {
  return ParseListResponse(response, nfsList, [this](jsondoc::Object&, _UnityNfsExportInfo& nfs) {
    int access = 0;
    if (!ReadShareFields(nfs.id, nfs.name, nfs.type, nfs.path, nfs.filesystem.id,
                         nfs.exportPaths) ||
        !ReadField("defaultAccess", access)) {
      return false;
    }
    nfs.nfsHostAccess.defaultAccess = static_cast<_UNITY_NFS_DEF_ACCESS>(access);
    // Later lists win for a host listed twice, so the highest access listed counts.
    for (int i = 0; i < 4; ++i) {
      if (!ReadHostList(fieldKeys[kHostLists[i]], static_cast<_UNITY_NFS_DEF_ACCESS>(i),
                        nfs.nfsHostAccess.hosts)) {
        return false;
      }
    }
    return true;
  });
}

bool EMCUnityJsonGetNFSExportList::GetNfsList(std::vector<_UnityNfsExportInfo>& out) {
  out = nfsList;
  return success;
}
