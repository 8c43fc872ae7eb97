// Records of CIFS shares of snapshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unity/FileRecords.h"

/// One CIFS share. A lookup by name or by snapshot fills `filesystem` completely; a list fills
/// only its id.
struct _UnityCifsShareInfo {
  std::string id;
  std::int32_t type = 1;
  std::string name;
  std::string path;
  std::vector<std::string> exportPaths;
  _UnityFSInfo filesystem;
  /// The snapshot the share is on; 0 for a share of a file system.
  unsigned long long snapId = 0;

  void clear() { *this = _UnityCifsShareInfo(); }
};

/// One access control entry of a share. The codes are the array's and pass unchanged
/// (accessType 0 deny, 1 grant, 2 none; accessLevel 1 read, 2 write, 4 full).
struct _UnityCifsShareACE {
  std::string sid;  ///< Windows security identifier of the trustee
  std::int32_t accessType = 0;
  std::int32_t accessLevel = 1;

  void clear() { *this = _UnityCifsShareACE(); }
};
