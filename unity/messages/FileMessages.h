// Messages of the file side of the array: file systems, NAS servers with the names and addresses
// clients reach them under, and the addresses of the array's IP interfaces of one type.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "unity/FileRecords.h"
#include "unity/messages/EMCUnityJsonBase.h"

// Query of file systems by name and/or NAS server name (percent-encoded filter; an empty input
// adds no term, both empty list every file system), or of one file system by id. A name holding
// a double quote cannot be expressed and makes BuildRequest fail (operations refuse it before
// building). Records of every result page accumulate in the message.
// The attributes read of a file system: its own first, then its NAS server's, which only the
// inventory listing asks for (the lookups take the first kFileSystemOwnKeyCount).
constexpr std::size_t kFileSystemKeyCount = 9;
constexpr std::size_t kFileSystemOwnKeyCount = 7;
extern const UnityFieldKey kFileSystemKeys[kFileSystemKeyCount];

class EMCUnityJsonGetFSList : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetFSList();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& fsName,
                  const std::string& nasServerName);
  void Initialize(const std::string& fileServer, const std::string& fsId);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetFSList(std::vector<_UnityFSInfo>& out);
  // False, leaving out untouched, unless exactly one file system was read.
  bool GetFSInfo(_UnityFSInfo& out);

 private:
  std::string fsName;
  std::string nasServerName;
  std::vector<_UnityFSInfo> fsList;
};

// Query of every NAS server (empty id) or of one. The request asks for the dotted attributes of
// the file interfaces and CIFS servers; the answer is read with those two lists taken whole.
class EMCUnityJsonGetNASServer : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetNASServer();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& nasServerId);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetNASServerList(std::vector<_UnityNASServer>& out);

 private:
  std::vector<_UnityNASServer> nasServerList;
};

// Query of the addresses of the array's IP interfaces, of one type unless the type is 0.
class EMCUnityJsonGetIpInterface : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetIpInterface();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const _UNITY_IP_INTERFACE_TYPE& type);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetAddressList(std::vector<std::string>& out);

 private:
  _UNITY_IP_INTERFACE_TYPE interfaceType = UNITY_IP_INTERFACE_TYPE_ANY;
  std::vector<std::string> addressList;
};
