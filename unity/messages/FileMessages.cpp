#include "unity/messages/FileMessages.h"

#include <algorithm>
#include <map>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/TextUtils.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FilterText.h"
#include "unity/messages/ListResponse.h"

const UnityFieldKey kFileSystemKeys[kFileSystemKeyCount] = {
    {"id", kRequiredKey},
    {"name", kRequiredKey},
    {"type", kRequiredKey},
    {"supportedProtocols", kRequiredKey},
    {"storageResource.id", kRequiredKey},
    {"storageResource.name", kRequiredKey},
    {"storageResource.type", kRequiredKey},
    {"nasServer.id", kRequiredKey},
    {"nasServer.name", kRequiredKey},
};

namespace {

// The NAS server's request names the attributes of its file interfaces and CIFS servers...
const UnityFieldKey kNASRequestKeys[] = {
    {"id", kRequiredKey},
    {"name", kRequiredKey},
    {"fileInterface.ipAddress", kNullableKey},
    {"cifsServer.isStandalone", kNullableKey},
    {"cifsServer.name", kNullableKey},
    {"cifsServer.domain", kNullableKey},
    {"cifsServer.netbiosName", kNullableKey},
    {"nfsServer.hostName", kNullableKey},
};

// ...and its answer is read with both lists taken whole.
const UnityFieldKey kNASAnswerKeys[] = {
    {"id", kRequiredKey},
    {"name", kRequiredKey},
    {"cifsServer", kNullableKey},
    {"fileInterface", kNullableKey},
    {"nfsServer.hostName", kNullableKey},
};

const UnityFieldKey kIpInterfaceKeys[] = {{"ipAddress", kRequiredKey}};

// The elements of the list a filled field-map entry points at; null when the attribute is
// absent, null or not a list.
const jsondoc::Array* ListField(const std::map<std::string, void*>& fieldKeys,
                                const std::string& key) {
  const std::map<std::string, void*>::const_iterator it = fieldKeys.find(key);
  if (it == fieldKeys.end() || it->second == nullableKey) return nullptr;
  const jsondoc::Value* value = static_cast<const jsondoc::Value*>(it->second);
  return value != nullptr && value->is<jsondoc::Array>() ? &value->get<jsondoc::Array>() : nullptr;
}

// Appends the "ipAddress" of every file interface that has a usable one. An element that is not
// an object fails the answer.
bool AppendInterfaceAddresses(const jsondoc::Array& interfaces, std::vector<std::string>& aliases) {
  for (jsondoc::Value* element : interfaces.values()) {
    jsondoc::Object* fileInterface = ObjectOf(element);
    if (fileInterface == nullptr) return false;
    std::string address;
    if (ReadPathValue<jsondoc::String>(fileInterface, "ipAddress", address)) {
      aliases.push_back(address);
    }
  }
  return true;
}

// Appends per CIFS server its NetBIOS name and, for a domain member with a name, name.domain.
// A missing or unreadable "isStandalone" counts as standalone. An element that is not an object
// fails the answer.
bool AppendCifsNames(const jsondoc::Array& servers, std::vector<std::string>& aliases) {
  for (jsondoc::Value* element : servers.values()) {
    jsondoc::Object* server = ObjectOf(element);
    if (server == nullptr) return false;
    std::string netbiosName;
    if (ReadPathValue<jsondoc::String>(server, "netbiosName", netbiosName)) {
      aliases.push_back(netbiosName);
    }
    bool standalone = true;
    if (!ReadPathValue<jsondoc::Boolean>(server, "isStandalone", standalone) || standalone) {
      continue;
    }
    std::string name;
    std::string domain;
    if (ReadPathValue<jsondoc::String>(server, "name", name) &&
        ReadPathValue<jsondoc::String>(server, "domain", domain) && !name.empty()) {
      aliases.push_back(name + "." + domain);
    }
  }
  return true;
}

}  // namespace

// --- file systems ---

EMCUnityJsonGetFSList::EMCUnityJsonGetFSList() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "filesystem";
}

void EMCUnityJsonGetFSList::Initialize(const std::string& server, const std::string& name,
                                       const std::string& nasName) {
  fileServer = server;
  fsName = name;
  nasServerName = nasName;
  fsList.clear();
}

void EMCUnityJsonGetFSList::Initialize(const std::string& server, const std::string& fsId) {
  fileServer = server;
  instanceId = fsId;
  fsList.clear();
}

bool EMCUnityJsonGetFSList::BuildRequest(std::string& body) {
  static const char kTag[] = "virtual bool EMCUnityJsonGetFSList::BuildRequest(std::string&)";
  body.clear();
  SetFieldKeys(kFileSystemKeys, kFileSystemOwnKeyCount);
  std::string refusal;
  if (!CheckFilterValue("Filesystem name", fsName, refusal) ||
      !CheckFilterValue("NAS server name", nasServerName, refusal)) {
    DiagLog log;
    log.logLevel(kTag, -1, jobId, "%s", refusal.c_str());
    return false;
  }
  std::string filter;
  if (!fsName.empty()) filter = FilterEqTerm("name", fsName);
  if (!nasServerName.empty()) {
    if (!filter.empty()) filter += " AND ";
    filter += FilterEqTerm("nasServer.name", nasServerName);
  }
  MakeURI(nextURI, filter.empty() ? std::string() : "filter=" + url_encode(filter));
  LogRequest(kTag, body);
  return true;
}

bool EMCUnityJsonGetFSList::ParseResponse(std::string& response) {
  return ParseListResponse(response, fsList, [this](jsondoc::Object&, _UnityFSInfo& fs) {
    int storageResourceType = 0;
    if (!ReadField("id", fs.id) || !ReadField("name", fs.name) || !ReadField("type", fs.type) ||
        !ReadField("supportedProtocols", fs.supportedProtocols) ||
        !ReadField("storageResource.id", fs.storageResource.id) ||
        !ReadField("storageResource.name", fs.storageResource.name) ||
        !ReadField("storageResource.type", storageResourceType)) {
      return false;
    }
    fs.storageResource.type = static_cast<_UNITY_STG_RES_TYPE>(storageResourceType);
    return true;
  });
}

bool EMCUnityJsonGetFSList::GetFSList(std::vector<_UnityFSInfo>& out) {
  out = fsList;
  return success;
}

bool EMCUnityJsonGetFSList::GetFSInfo(_UnityFSInfo& out) {
  if (fsList.size() != 1) return false;
  out = fsList.front();
  return success;
}

// --- NAS servers ---

EMCUnityJsonGetNASServer::EMCUnityJsonGetNASServer() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "nasServer";
}

void EMCUnityJsonGetNASServer::Initialize(const std::string& server,
                                          const std::string& nasServerId) {
  fileServer = server;
  instanceId = nasServerId;
  nasServerList.clear();
}

bool EMCUnityJsonGetNASServer::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(kNASRequestKeys);
  MakeURI(nextURI, "");
  SetFieldKeys(kNASAnswerKeys);
  LogRequest("virtual bool EMCUnityJsonGetNASServer::BuildRequest(std::string&)", body);
  return true;
}

void EMCUnityJsonGetNASServer::InitNullableKeys() {
  MarkNullableKeys(kNASAnswerKeys);
}

bool EMCUnityJsonGetNASServer::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, nasServerList, [this](jsondoc::Object&, _UnityNASServer& nasServer) {
        if (!ReadField("id", nasServer.id) || !ReadField("name", nasServer.name)) return false;
        const jsondoc::Array* interfaces = ListField(fieldKeys, "fileInterface");
        if (interfaces != nullptr && !AppendInterfaceAddresses(*interfaces, nasServer.aliases)) {
          return false;
        }
        const jsondoc::Array* cifsServers = ListField(fieldKeys, "cifsServer");
        if (cifsServers != nullptr && !AppendCifsNames(*cifsServers, nasServer.aliases)) {
          return false;
        }
        std::string hostName;
        if (ReadField("nfsServer.hostName", hostName) && !hostName.empty() &&
            std::find(nasServer.aliases.begin(), nasServer.aliases.end(), hostName) ==
                nasServer.aliases.end()) {
          nasServer.aliases.push_back(hostName);
        }
        return true;
      });
}

bool EMCUnityJsonGetNASServer::GetNASServerList(std::vector<_UnityNASServer>& out) {
  out = nasServerList;
  return success;
}

// --- IP interfaces ---

EMCUnityJsonGetIpInterface::EMCUnityJsonGetIpInterface() {
  httpReqType = UNITY_HTTP_GET;
  resourceType = "ipInterface";
}

void EMCUnityJsonGetIpInterface::Initialize(const std::string& server,
                                            const _UNITY_IP_INTERFACE_TYPE& type) {
  fileServer = server;
  interfaceType = type;
  addressList.clear();
}

bool EMCUnityJsonGetIpInterface::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(kIpInterfaceKeys);
  std::string query;
  if (interfaceType != UNITY_IP_INTERFACE_TYPE_ANY) {
    // The whole number: a cut-off one would select interfaces of another type.
    query =
        "filter=" + url_encode("(type eq " + std::to_string(static_cast<int>(interfaceType)) + ")");
  }
  MakeURI(nextURI, query);
  LogRequest("virtual bool EMCUnityJsonGetIpInterface::BuildRequest(std::string&)", body);
  return true;
}

bool EMCUnityJsonGetIpInterface::ParseResponse(std::string& response) {
  return ParseListResponse(response, addressList, [this](jsondoc::Object&, std::string& address) {
    return ReadField("ipAddress", address);
  });
}

bool EMCUnityJsonGetIpInterface::GetAddressList(std::vector<std::string>& out) {
  out = addressList;
  return success;
}
