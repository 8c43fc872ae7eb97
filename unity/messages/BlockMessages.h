// Messages of the block exposure domain: LUNs by WWN, storage resources with their block host
// access, host LUNs, the host access list of a LUN or consistency group, and snapshot attach,
// modify and detach.
//
// Caller text in filters: a value holding a double quote cannot be expressed, so BuildRequest
// fails for it (the operations refuse it before building); numbers are sent whole. Every element
// the answers are read as objects from ("entries", "blockHostAccess", "luns") must be one, or the
// parse fails.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "unity/BlockRecords.h"
#include "unity/messages/EMCUnityJsonBase.h"

// GET of LUNs, all of them or those with one WWN. The WWN filter travels without
// percent-encoding; bytes that would change the URL's meaning are encoded.
class EMCUnityJsonGetLunList : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetLunList();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& wwn);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  // True with the one LUN listed. An empty list sets 131149829 "The requested resources do not
  // exist" on the message; two or more return false and set nothing.
  bool GetLunInfo(_UnityLunInfo& out);
  // Every LUN listed, moved out, for a caller that counts them itself.
  bool TakeLunList(std::vector<_UnityLunInfo>& out);

 private:
  std::string wwn;
  std::vector<_UnityLunInfo> lunList;
};

// POST of modifyLun or modifyConsistencyGroup carrying the resource's complete new host access
// list (the array replaces the list; an empty list is sent as an empty array).
class EMCUnityJsonLunAccess : public EMCUnityJsonBase {
 public:
  EMCUnityJsonLunAccess();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& stgResId,
                  const std::vector<_UnityHostAccess>& hostAccess, const bool& isConsistencyGroup);
  bool BuildRequest(std::string& body) override;

 private:
  std::vector<_UnityHostAccess> hostAccessList;
  bool isConsistencyGroup = false;
};

// POST of a snapshot's attach, modify or detach action (time-out 20). Without hosts the request
// has no body.
class EMCUnityJsonExposeLun : public EMCUnityJsonBase {
 public:
  EMCUnityJsonExposeLun();
  using EMCUnityJsonBase::Initialize;
  // "attach" or "detach" without a host list.
  void Initialize(const std::string& fileServer, const unsigned long long& snapId,
                  const bool& attach);
  // The complete host list: "detach" when it is empty, else "modify" when `modify`, else
  // "attach".
  void Initialize(const std::string& fileServer, const unsigned long long& snapId,
                  const std::vector<_UnityHostAccess>& hostAccess, const bool& modify);
  bool BuildRequest(std::string& body) override;

 private:
  std::vector<_UnityHostAccess> hostAccessList;
};

// GET of storage resources: one by id (instance form), or by name and type (percent-encoded
// filter). Built by id with an empty id it filters on an empty name and the type -1.
class EMCUnityJsonGetStorageResource : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetStorageResource();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& name,
                  const _UNITY_STG_RES_TYPE& type);
  void Initialize(const std::string& fileServer, const std::string& stgResId);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetStorageResourceList(std::vector<_UnityStorageResource>& out);
  // False, setting no error, unless exactly one resource was listed.
  bool GetStorageResourceInfo(_UnityStorageResource& out);

 private:
  std::string resName;
  _UNITY_STG_RES_TYPE resType = UNITY_STG_RES_TYPE_UNKNOWN;
  std::vector<_UnityStorageResource> resourceList;
};

// GET of host LUNs filtered by snapshots (each matched as a snapshot or a snapshot group), by
// hosts and by type; empty lists and type 0 leave their terms out. The filter is percent-encoded.
class EMCUnityJsonGetHostLun : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetHostLun();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::vector<unsigned long long>& snapIds,
                  const std::set<std::string>& hostIds, const _UNITY_HOST_LUN_TYPE& type);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetHostLuns(std::vector<_UnityHostLun>& out);

 private:
  _UNITY_HOST_LUN_TYPE hostLunType = UNITY_HOST_LUN_TYPE_NONE;
  std::vector<unsigned long long> snapIds;
  std::set<std::string> hostIds;
  std::vector<_UnityHostLun> hostLunList;
};
