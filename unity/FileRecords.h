/// \file
/// Records of the file side of the array: file systems, NAS servers and IP interface types. Plain
/// values, copied member by member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unity/BlockRecords.h"

/// The array's IP interface type number. 0 means no type filter; 2 (iSCSI) is the type whose
/// addresses the array alias list reports.
enum _UNITY_IP_INTERFACE_TYPE : std::int32_t {
  UNITY_IP_INTERFACE_TYPE_ANY = 0,    ///< No type filter.
  UNITY_IP_INTERFACE_TYPE_ISCSI = 2,  ///< iSCSI interfaces.
};

/// One file system.
struct _UnityFSInfo {
  std::string id;                       ///< The file system's id.
  std::string name;                     ///< The file system's name.
  std::int32_t type = 1;                ///< The array's file system type number.
  std::int32_t supportedProtocols = 0;  ///< The array's supported-protocols number.
  /// Only id, name and type are filled.
  _UnityStorageResource storageResource;

  /// Restores the defaults.
  void clear() { *this = _UnityFSInfo(); }
};

/// One NAS server.
struct _UnityNASServer {
  std::string id;    ///< The NAS server's id.
  std::string name;  ///< The NAS server's name.
  /// File-interface addresses, then per CIFS server its NetBIOS name and (domain members) its
  /// fully qualified name, then the NFS host name.
  std::vector<std::string> aliases;

  /// Restores the defaults.
  void clear() { *this = _UnityNASServer(); }
};
