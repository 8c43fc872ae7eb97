// Records of the file side of the array: file systems, NAS servers and IP interface types. Plain
// values, copied member by member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unity/BlockRecords.h"

// The array's IP interface type number. 0 means no type filter; 2 (iSCSI) is the type whose
// addresses the array alias list reports.
enum _UNITY_IP_INTERFACE_TYPE : std::int32_t {
  UNITY_IP_INTERFACE_TYPE_ANY = 0,
  UNITY_IP_INTERFACE_TYPE_ISCSI = 2,
};

struct _UnityFSInfo {
  std::string id;
  std::string name;
  std::int32_t type = 1;
  std::int32_t supportedProtocols = 0;
  // Only id, name and type are filled.
  _UnityStorageResource storageResource;

  void clear() { *this = _UnityFSInfo(); }
};

struct _UnityNASServer {
  std::string id;
  std::string name;
  // File-interface addresses, then per CIFS server its NetBIOS name and (domain members) its
  // fully qualified name, then the NFS host name.
  std::vector<std::string> aliases;

  void clear() { *this = _UnityNASServer(); }
};
