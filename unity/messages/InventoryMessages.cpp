#include "unity/messages/InventoryMessages.h"

#include <utility>

#include "json/jsondoc.h"
#include "unity/TextUtils.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FileMessages.h"
#include "unity/messages/ListResponse.h"

namespace {

// The keys the storage-resource query reads; "blockHostAccess" and "luns" only block resources
// have.
const UnityFieldKey kStorageResourceKeys[] = {
    {"id", kRequiredKey},   {"name", kRequiredKey},
    {"type", kRequiredKey}, {"blockHostAccess", kNullableKey},
    {"luns", kNullableKey},
};

const UnityFieldType kText = UnityFieldType::kText;
const UnityFieldType kUnsigned = UnityFieldType::kUnsigned;
const UnityFieldKey kLunKeys[] = {
    {"id", kRequiredKey, kText},
    {"name", kRequiredKey, kText},
    {"wwn", kNullableKey, kText},
    {"storageResource.id", kRequiredKey, kText},
    {"sizeTotal", kRequiredKey, kUnsigned},
    {"sizeAllocated", kNullableKey, kUnsigned},
};

const UnityFieldKey kHostKeys[] = {
    {"id", kRequiredKey},
    {"name", kRequiredKey},
    {"type", kRequiredKey},
    {"osType", kNullableKey},
};

// An initiator without a host (not yet registered) has no "parentHost".
const UnityFieldKey kInitiatorKeys[] = {
    {"id", kRequiredKey},
    {"type", kRequiredKey},
    {"initiatorId", kRequiredKey},
    {"parentHost.id", kNullableKey},
};

const UnityFieldKey kIPPortKeys[] = {
    {"id", kRequiredKey},
    {"address", kRequiredKey},
    {"host.id", kNullableKey},
};

// The query part of a listing: compact answers (entries without their own "@base", "updated"
// and "links", which the listing never reads: a third less to send and parse) and the
// percent-encoded filter, if any. The array echoes "compact" in "@base", so every page keeps it.
std::string ListQuery(const std::string& filter) {
  return filter.empty() ? std::string("compact=true") : "compact=true&filter=" + url_encode(filter);
}

// Moves the accumulated records out, leaving the message's list empty.
template <typename Record>
void MoveOut(std::vector<Record>& from, std::vector<Record>& to) {
  to = std::move(from);
  from.clear();
}

}  // namespace

EMCUnityJsonInventoryList::EMCUnityJsonInventoryList(const char* type, const UnityFieldKey* keys,
                                                     std::size_t count)
    : keys_(keys), keyCount_(count) {
  httpReqType = UNITY_HTTP_GET;
  resourceType = type;
}

void EMCUnityJsonInventoryList::Initialize(const std::string& server, const std::string& filter) {
  fileServer = server;
  filter_ = filter;
}

bool EMCUnityJsonInventoryList::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(keys_, keyCount_);
  MakeURI(nextURI, ListQuery(filter_));
  LogRequest("virtual bool EMCUnityJsonInventoryList::BuildRequest(std::string&)", body);
  return true;
}

void EMCUnityJsonInventoryList::InitNullableKeys() {
  MarkNullableKeys(keys_, keyCount_);
}

// --- storage resources ---

void EMCUnityJsonListStorageResources::Initialize(const std::string& server,
                                                  const std::string& filter) {
  fileServer = server;
  filter_ = filter;
}

bool EMCUnityJsonListStorageResources::BuildRequest(std::string& body) {
  body.clear();
  SetFieldKeys(kStorageResourceKeys);
  MakeURI(nextURI, ListQuery(filter_));
  LogRequest("virtual bool EMCUnityJsonListStorageResources::BuildRequest(std::string&)", body);
  return true;
}

// --- LUNs ---

EMCUnityJsonListLuns::EMCUnityJsonListLuns()
    : EMCUnityJsonInventoryList("lun", kLunKeys, sizeof(kLunKeys) / sizeof(kLunKeys[0])) {}

bool EMCUnityJsonListLuns::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, list_,
      [this](jsondoc::Object&, _UnityLunListEntry& lun) {
        if (!ReadField("id", lun.id) || !ReadField("name", lun.name) ||
            !ReadField("storageResource.id", lun.storageResourceId) ||
            !ReadField("sizeTotal", lun.sizeTotal)) {
          return false;
        }
        ReadField("wwn", lun.wwn);
        ReadField("sizeAllocated", lun.sizeAllocated);
        return true;
      },
      DirectlyReadable(StrictElements(), kLunKeys));
}

void EMCUnityJsonListLuns::TakeList(std::vector<_UnityLunListEntry>& out) {
  MoveOut(list_, out);
}

// --- file systems ---

EMCUnityJsonListFileSystems::EMCUnityJsonListFileSystems()
    : EMCUnityJsonInventoryList("filesystem", kFileSystemKeys, kFileSystemKeyCount) {}

bool EMCUnityJsonListFileSystems::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, list_,
      [this](jsondoc::Object&, _UnityFSListEntry& entry) {
        _UnityFSInfo& fs = entry.fs;
        int storageType = 0;
        if (!ReadField("id", fs.id) || !ReadField("name", fs.name) || !ReadField("type", fs.type) ||
            !ReadField("supportedProtocols", fs.supportedProtocols) ||
            !ReadField("storageResource.id", fs.storageResource.id) ||
            !ReadField("storageResource.name", fs.storageResource.name) ||
            !ReadField("storageResource.type", storageType) ||
            !ReadField("nasServer.id", entry.nasServerId) ||
            !ReadField("nasServer.name", entry.nasServerName)) {
          return false;
        }
        fs.storageResource.type = static_cast<_UNITY_STG_RES_TYPE>(storageType);
        return true;
      },
      StrictElements());
}

void EMCUnityJsonListFileSystems::TakeList(std::vector<_UnityFSListEntry>& out) {
  MoveOut(list_, out);
}

// --- hosts ---

EMCUnityJsonListHosts::EMCUnityJsonListHosts()
    : EMCUnityJsonInventoryList("host", kHostKeys, sizeof(kHostKeys) / sizeof(kHostKeys[0])) {}

bool EMCUnityJsonListHosts::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, list_,
      [this](jsondoc::Object&, _UnityHostListEntry& host) {
        if (!ReadField("id", host.id) || !ReadField("name", host.name) ||
            !ReadField("type", host.type)) {
          return false;
        }
        ReadField("osType", host.osType);
        return true;
      },
      StrictElements());
}

void EMCUnityJsonListHosts::TakeList(std::vector<_UnityHostListEntry>& out) {
  MoveOut(list_, out);
}

EMCUnityJsonListHostInitiators::EMCUnityJsonListHostInitiators()
    : EMCUnityJsonInventoryList("hostInitiator", kInitiatorKeys,
                                sizeof(kInitiatorKeys) / sizeof(kInitiatorKeys[0])) {}

bool EMCUnityJsonListHostInitiators::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, list_,
      [this](jsondoc::Object&, _UnityHostInitiatorInfo& initiator) {
        if (!ReadField("id", initiator.id) || !ReadField("type", initiator.type) ||
            !ReadField("initiatorId", initiator.initiatorId)) {
          return false;
        }
        ReadField("parentHost.id", initiator.parentHostId);
        return true;
      },
      StrictElements());
}

void EMCUnityJsonListHostInitiators::TakeList(std::vector<_UnityHostInitiatorInfo>& out) {
  MoveOut(list_, out);
}

EMCUnityJsonListHostIPPorts::EMCUnityJsonListHostIPPorts()
    : EMCUnityJsonInventoryList("hostIPPort", kIPPortKeys,
                                sizeof(kIPPortKeys) / sizeof(kIPPortKeys[0])) {}

bool EMCUnityJsonListHostIPPorts::ParseResponse(std::string& response) {
  return ParseListResponse(
      response, list_,
      [this](jsondoc::Object&, _UnityHostIPPort& port) {
        if (!ReadField("id", port.id) || !ReadField("address", port.address)) return false;
        ReadField("host.id", port.hostId);
        return true;
      },
      StrictElements());
}

void EMCUnityJsonListHostIPPorts::TakeList(std::vector<_UnityHostIPPort>& out) {
  MoveOut(list_, out);
}
