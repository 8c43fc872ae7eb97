/// \file
/// Records of CIFS shares of snapshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unity/FileRecords.h"

/// One CIFS share. A lookup by name or by snapshot fills `filesystem` completely; a list fills
/// only its id.
struct _UnityCifsShareInfo {
  std::string id;                        ///< The share's id.
  std::int32_t type = 1;                 ///< The array's share type number.
  std::string name;                      ///< The share's name.
  std::string path;                      ///< The shared path within the snapshot.
  std::vector<std::string> exportPaths;  ///< "\\<address>\<name>" per CIFS server address
  _UnityFSInfo filesystem;               ///< The file system behind the share.
  /// The snapshot the share is on; 0 for a share of a file system.
  unsigned long long snapId = 0;

  /// Restores the defaults.
  void clear() { *this = _UnityCifsShareInfo(); }
};

/// One access control entry of a share. The codes are the array's and pass unchanged
/// (accessType 0 deny, 1 grant, 2 none; accessLevel 1 read, 2 write, 4 full).
struct _UnityCifsShareACE {
  std::string sid;               ///< Windows security identifier of the trustee
  std::int32_t accessType = 0;   ///< 0 deny, 1 grant, 2 none.
  std::int32_t accessLevel = 1;  ///< 1 read, 2 write, 4 full.

  /// Restores the defaults.
  void clear() { *this = _UnityCifsShareACE(); }
};
