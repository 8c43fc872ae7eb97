#include "unity/messages/CifsMessages.h"

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/SnapshotRecords.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FilterText.h"
#include "unity/messages/ListResponse.h"

namespace {

const UnityFieldKey kShareKeys[] = {
    {"id", kRequiredKey},      {"type", kRequiredKey},        {"name", kRequiredKey},
    {"path", kRequiredKey},    {"exportPaths", kRequiredKey}, {"filesystem.id", kRequiredKey},
    {"snap.id", kNullableKey},
};

const UnityFieldKey kAceKeys[] = {{"cifsShareACEs", kNullableKey}};

void AddTerm(std::string& filter, const std::string& term) {
  if (!filter.empty()) filter += " AND ";
  filter += term;
}

}  // namespace

// --- creation and deletion ---

EMCUnityJsonCreateCifsShare::EMCUnityJsonCreateCifsShare() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "cifsShare";
}

void EMCUnityJsonCreateCifsShare::Initialize(const std::string& server,
                                             const unsigned long long& snapId,
                                             const std::string& name, const std::string& path) {
  InitializeShare(server, snapId, name, path);
}

bool EMCUnityJsonCreateCifsShare::BuildRequest(std::string& body) {
  jsondoc::Object request;
  return BuildShareRequest("virtual bool EMCUnityJsonCreateCifsShare::BuildRequest(std::string&)",
                           request, body);
}

EMCUnityJsonDeleteCifsShare::EMCUnityJsonDeleteCifsShare() {
  httpReqType = UNITY_HTTP_DELETE;
  resourceType = "cifsShare";
}

void EMCUnityJsonDeleteCifsShare::Initialize(const std::string& server,
                                             const std::string& shareId) {
  fileServer = server;
  instanceId = shareId;
  timeout = 20;
}

// --- listing ---

EMCUnityJsonGetCifsShareList::EMCUnityJsonGetCifsShareList() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "cifsShare";
}

void EMCUnityJsonGetCifsShareList::InitializeWithName(const std::string& server,
                                                      const std::string& name,
                                                      const std::string& nasServer) {
  fileServer = server;
  shareName = name;
  nasServerName = nasServer;
  cifsList.clear();
}

void EMCUnityJsonGetCifsShareList::InitializeWithSnap(const std::string& server,
                                                      const unsigned long long& snap,
                                                      const std::string& name) {
  fileServer = server;
  snapId = snap;
  shareName = name;
  cifsList.clear();
}

bool EMCUnityJsonGetCifsShareList::BuildRequest(std::string& body) {
  static const char kTag[] =
      "virtual bool EMCUnityJsonGetCifsShareList::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kShareKeys);
  std::string filter;
  if (!shareName.empty()) AddTerm(filter, FilterEqTerm("name", shareName));
  if (snapId != 0) AddTerm(filter, FilterEqTerm("snap.id", SnapIdToText(snapId)));
  if (!nasServerName.empty()) {
    AddTerm(filter, FilterEqTerm("filesystem.nasServer.name", nasServerName));
  }
  std::string query;
  if (!FilterQuery(kTag, {shareName, nasServerName}, filter, query)) return false;
  MakeURI(nextURI, query);
  LogRequest(kTag, body);
  return true;
}

void EMCUnityJsonGetCifsShareList::InitNullableKeys() {
  MarkNullableKeys(kShareKeys);
}

bool EMCUnityJsonGetCifsShareList::ParseResponse(std::string& response) {
  return ParseListResponse(response, cifsList,
                           [this](jsondoc::Object&, _UnityCifsShareInfo& share) {
                             if (!ReadShareFields(share.id, share.name, share.type, share.path,
                                                  share.filesystem.id, share.exportPaths)) {
                               return false;
                             }
                             // A share of a file system rather than a snapshot has none.
                             std::string snap;
                             if (ReadField("snap.id", snap)) share.snapId = SnapIdFromText(snap);
                             return true;
                           });
}

bool EMCUnityJsonGetCifsShareList::GetCifsList(std::vector<_UnityCifsShareInfo>& out) {
  out = cifsList;
  return success;
}

// --- access control entries ---

EMCUnityJsonGetCifsACE::EMCUnityJsonGetCifsACE() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "cifsShare";
  actionName = "getACEs";
}

void EMCUnityJsonGetCifsACE::Initialize(const std::string& server, const std::string& shareId) {
  fileServer = server;
  instanceId = shareId;
}

bool EMCUnityJsonGetCifsACE::BuildRequest(std::string& body) {
  body.clear();
  // A POST carries no fields list; the key serves the parsing of the answer.
  SetFieldKeys(kAceKeys);
  MakeURI(nextURI, "");
  LogRequest("virtual bool EMCUnityJsonGetCifsACE::BuildRequest(std::string&)", body);
  return true;
}

void EMCUnityJsonGetCifsACE::InitNullableKeys() {
  MarkNullableKeys(kAceKeys);
}

bool EMCUnityJsonGetCifsACE::ParseResponse(std::string& response) {
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;
  jsondoc::Object& answer = ParsedAnswer(response);
  if (!answer.has<jsondoc::Object>("content")) return true;  // the array's 204: no entries
  InitNullableKeys();
  if (!GetJsonValues(&answer.get<jsondoc::Object>("content"), fieldKeys)) return false;
  const jsondoc::Value* aces = static_cast<const jsondoc::Value*>(fieldKeys["cifsShareACEs"]);
  if (aces == nullptr || !aces->is<jsondoc::Array>()) return true;
  for (jsondoc::Value* element : aces->get<jsondoc::Array>().values()) {
    _UnityCifsShareACE ace;
    int accessType = 0;
    int accessLevel = 0;
    jsondoc::Object* entry = ObjectOf(element);
    if (entry == nullptr || !ReadPathValue<jsondoc::String>(entry, "sid", ace.sid) ||
        !ReadPathValue<jsondoc::Number>(entry, "accessType", accessType) ||
        !ReadPathValue<jsondoc::Number>(entry, "accessLevel", accessLevel)) {
      return false;
    }
    ace.accessType = accessType;
    ace.accessLevel = accessLevel;
    aceList.push_back(ace);
  }
  return true;
}

bool EMCUnityJsonGetCifsACE::GetCifsShareACE(std::list<_UnityCifsShareACE>& out) {
  out = aceList;
  return success;
}

EMCUnityJsonSetCifsACE::EMCUnityJsonSetCifsACE() {
  httpReqType = UNITY_HTTP_POST;
  resourceType = "cifsShare";
  actionName = "setACEs";
}

void EMCUnityJsonSetCifsACE::Initialize(const std::string& server, const std::string& shareId,
                                        const std::list<_UnityCifsShareACE>& aces) {
  fileServer = server;
  instanceId = shareId;
  aceList = aces;
  timeout = -1;
}

bool EMCUnityJsonSetCifsACE::BuildRequest(std::string& body) {
  nextURI.clear();
  body.clear();
  MakeURI(nextURI, "");
  jsondoc::Array aces;
  for (const _UnityCifsShareACE& ace : aceList) {
    jsondoc::Object entry("sid", jsondoc::Value(ace.sid));
    entry.import("accessType", jsondoc::Value(static_cast<int>(ace.accessType)));
    entry.import("accessLevel", jsondoc::Value(static_cast<int>(ace.accessLevel)));
    aces << jsondoc::Value(entry);
  }
  body = WriteBody(jsondoc::Object("cifsShareACEs", jsondoc::Value(aces)));
  LogRequest("virtual bool EMCUnityJsonSetCifsACE::BuildRequest(std::string&)", body);
  return true;
}
