/// \file
/// Records of NFS exports of snapshots.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "unity/FileRecords.h"

/// The array's NFS access code, sent and read as a JSON number. The value chooses the host list
/// a host is sent in; a value outside 0 to 3 is kept as it is and sent under "noAccessHosts".
enum _UNITY_NFS_DEF_ACCESS : std::int32_t {
  UNITY_NFS_DEF_ACCESS_NO_ACCESS = 0,   ///< "noAccessHosts"
  UNITY_NFS_DEF_ACCESS_READ_ONLY = 1,   ///< "readOnlyHosts"
  UNITY_NFS_DEF_ACCESS_READ_WRITE = 2,  ///< "readWriteHosts"
  UNITY_NFS_DEF_ACCESS_ROOT = 3,        ///< "rootAccessHosts"
};

/// The access rules of one export: the access of hosts not listed, and per array host id
/// (e.g. "Host_12") its access.
struct _UnityNfsHostAccess {
  _UNITY_NFS_DEF_ACCESS defaultAccess = UNITY_NFS_DEF_ACCESS_NO_ACCESS;  ///< Hosts not listed.
  std::map<std::string, _UNITY_NFS_DEF_ACCESS> hosts;                    ///< Host id to its access.

  /// Restores the defaults.
  void clear() { *this = _UnityNfsHostAccess(); }
};

/// One NFS export. A lookup by name or by snapshot fills `filesystem` completely; a list fills
/// only its id.
struct _UnityNfsExportInfo {
  std::string id;                        ///< The export's id.
  std::int32_t type = 1;                 ///< The array's export type number.
  std::string name;                      ///< The export's name.
  std::string path;                      ///< The exported path within the snapshot.
  std::vector<std::string> exportPaths;  ///< "<address>:/<name>" per NFS server address
  _UnityFSInfo filesystem;               ///< The file system behind the export.
  _UnityNfsHostAccess nfsHostAccess;     ///< Default access and per-host access.

  /// Restores the defaults.
  void clear() { *this = _UnityNfsExportInfo(); }
};
