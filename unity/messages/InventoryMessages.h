// Messages of the inventory listings: whole collections of storage resources, LUNs, file
// systems, hosts, host initiators and host IP ports, each with its attributes selected by
// "fields=" and an optional filter. Records of every result page accumulate in the message and
// are moved out once the listing is complete.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "unity/BlockRecords.h"
#include "unity/InventoryRecords.h"
#include "unity/messages/BlockMessages.h"
#include "unity/messages/EMCUnityJsonBase.h"

// GET of one type's collection. The filter is composed by the operation from values it has
// checked (FilterValueIsQuotable) and is percent-encoded here; empty lists the whole collection.
class EMCUnityJsonInventoryList : public EMCUnityJsonBase {
 public:
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& filter);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;

 protected:
  EMCUnityJsonInventoryList(const char* type, const UnityFieldKey* keys, std::size_t count);

 private:
  const UnityFieldKey* keys_;
  std::size_t keyCount_;
  std::string filter_;
};

// Storage resources with their type, LUN ids and block host access: the storage-resource query
// with a filter of the operation's instead of one name and type. Its answers are read as the
// query reads them.
class EMCUnityJsonListStorageResources : public EMCUnityJsonGetStorageResource {
 public:
  // Hides the query's own forms (by id, by name and type).
  void Initialize(const std::string& fileServer, const std::string& filter);
  bool BuildRequest(std::string& body) override;

 private:
  std::string filter_;
};

// LUNs with their WWN, storage resource and sizes.
class EMCUnityJsonListLuns : public EMCUnityJsonInventoryList {
 public:
  EMCUnityJsonListLuns();
  bool ParseResponse(std::string& response) override;
  void TakeList(std::vector<_UnityLunListEntry>& out);

 private:
  std::vector<_UnityLunListEntry> list_;
};

// File systems with their storage resource and NAS server.
class EMCUnityJsonListFileSystems : public EMCUnityJsonInventoryList {
 public:
  EMCUnityJsonListFileSystems();
  bool ParseResponse(std::string& response) override;
  void TakeList(std::vector<_UnityFSListEntry>& out);

 private:
  std::vector<_UnityFSListEntry> list_;
};

// Hosts with their type and OS type; initiators and IP ports are listed by the two messages
// below and joined by the operation.
class EMCUnityJsonListHosts : public EMCUnityJsonInventoryList {
 public:
  EMCUnityJsonListHosts();
  bool ParseResponse(std::string& response) override;
  void TakeList(std::vector<_UnityHostListEntry>& out);

 private:
  std::vector<_UnityHostListEntry> list_;
};

class EMCUnityJsonListHostInitiators : public EMCUnityJsonInventoryList {
 public:
  using Record = _UnityHostInitiatorInfo;
  EMCUnityJsonListHostInitiators();
  bool ParseResponse(std::string& response) override;
  void TakeList(std::vector<_UnityHostInitiatorInfo>& out);

 private:
  std::vector<_UnityHostInitiatorInfo> list_;
};

class EMCUnityJsonListHostIPPorts : public EMCUnityJsonInventoryList {
 public:
  using Record = _UnityHostIPPort;
  EMCUnityJsonListHostIPPorts();
  bool ParseResponse(std::string& response) override;
  void TakeList(std::vector<_UnityHostIPPort>& out);

 private:
  std::vector<_UnityHostIPPort> list_;
};
