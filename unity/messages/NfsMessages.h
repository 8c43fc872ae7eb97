// Messages of NFS exports of snapshots: create, modify host access, delete and list. The two
// share bases below also carry the CIFS share messages (unity/CifsMessages.h).
#pragma once

#include <string>
#include <vector>

#include "unity/NfsRecords.h"
#include "unity/messages/EMCUnityJsonBase.h"

namespace jsondoc {
class Object;
}

// POST of a new share of a snapshot path. The body names the snapshot, the share's name and path
// (plus what the derived message adds); the answer's "content.id" is the new share's id, and an
// answer without a readable one fails the parse.
class EMCUnityJsonCreateSnapShare : public EMCUnityJsonBase {
 public:
  bool ParseResponse(std::string& response) override;
  bool GetShareId(std::string& out);

 protected:
  void InitializeShare(const std::string& fileServer, const unsigned long long& snapId,
                       const std::string& name, const std::string& path);
  // Adds "snap", "name" and "path" to `request`, writes it to `body` and logs the request.
  bool BuildShareRequest(const char* tag, jsondoc::Object& request, std::string& body);

  std::string snapIdText;
  std::string shareName;
  std::string sharePath;
};

// Query of shares (NFS or CIFS) with the attributes both kinds have. Caller text goes into a
// percent-encoded filter; a value holding a double quote cannot be expressed and makes
// BuildRequest fail (operations refuse it before building).
class EMCUnityJsonSnapShareList : public EMCUnityJsonBase {
 protected:
  // "filter=" + the encoded filter, or "" for none; false (logged under `tag`) when one of
  // `values` cannot be quoted.
  bool FilterQuery(const char* tag, const std::vector<std::string>& values,
                   const std::string& filter, std::string& query) const;
  // Reads "id", "name", "type", "path" and "filesystem.id" (all required, in that order), then
  // the string elements of "exportPaths" when it is an array.
  bool ReadShareFields(std::string& id, std::string& name, std::int32_t& type, std::string& path,
                       std::string& filesystemId, std::vector<std::string>& exportPaths);
};

class EMCUnityJsonCreateNFSExport : public EMCUnityJsonCreateSnapShare {
 public:
  EMCUnityJsonCreateNFSExport();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const unsigned long long& snapId,
                  const std::string& exportName, const _UNITY_NFS_DEF_ACCESS& defaultAccess,
                  const std::string& exportPath);
  bool BuildRequest(std::string& body) override;

 private:
  _UNITY_NFS_DEF_ACCESS defaultAccess = UNITY_NFS_DEF_ACCESS_NO_ACCESS;
};

// Sets an export's default access and all four host lists; every list is sent, empty ones
// included, so the lists the array holds are replaced whole.
class EMCUnityJsonModifyNfsAccess : public EMCUnityJsonBase {
 public:
  EMCUnityJsonModifyNfsAccess();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& exportId,
                  const _UnityNfsHostAccess& access);
  bool BuildRequest(std::string& body) override;

 private:
  _UnityNfsHostAccess nfsHostAccess;
};

class EMCUnityJsonDeleteNFSExport : public EMCUnityJsonBase {
 public:
  EMCUnityJsonDeleteNFSExport();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& exportId);
};

// Query of exports by name (and NAS server), by snapshot (and path), by root-access host, or of
// all exports after the base Initialize alone. Records of every page accumulate.
class EMCUnityJsonGetNFSExportList : public EMCUnityJsonSnapShareList {
 public:
  EMCUnityJsonGetNFSExportList();
  using EMCUnityJsonBase::Initialize;
  void InitializeWithName(const std::string& fileServer, const std::string& exportName,
                          const std::string& nasServerName);
  void InitializeWithPath(const std::string& fileServer, const unsigned long long& snapId,
                          const std::string& exportPath);
  void InitializeWithHost(const std::string& fileServer, const std::string& hostId);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetNfsList(std::vector<_UnityNfsExportInfo>& out);

 private:
  std::string exportName;
  std::string nasServerName;
  std::string exportPath;
  std::string hostId;
  unsigned long long snapId = 0;
  std::vector<_UnityNfsExportInfo> nfsList;
};
