/// \file
/// Records of the block domain: LUNs, storage resources and host-LUN associations. Plain values,
/// copied member by member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unity/SnapshotRecords.h"

/// The array's storage-resource type number, stored and sent as the array numbers it. -1 marks a
/// type not read yet.
enum _UNITY_STG_RES_TYPE : std::int32_t {
  UNITY_STG_RES_TYPE_UNKNOWN = -1,  ///< Not read yet.
};

/// The array's host-LUN type number. 0 means no type filter; 2 selects the host LUNs of snapshots.
enum _UNITY_HOST_LUN_TYPE : std::int32_t {
  UNITY_HOST_LUN_TYPE_NONE = 0,  ///< No type filter.
  UNITY_HOST_LUN_TYPE_SNAP = 2,  ///< The host LUN of a snapshot.
};

/// One storage resource (LUN, consistency group, file system, ...).
struct _UnityStorageResource {
  std::string id;                                         ///< The resource's id ("sv_N").
  std::string name;                                       ///< The resource's name.
  _UNITY_STG_RES_TYPE type = UNITY_STG_RES_TYPE_UNKNOWN;  ///< The array's type number.
  std::vector<_UnityHostAccess> hostAccess;               ///< From "blockHostAccess".
  std::vector<std::string> lunIds;                        ///< From "luns".

  /// Restores the defaults.
  void clear() { *this = _UnityStorageResource(); }
};

/// One LUN.
struct _UnityLunInfo {
  std::string id;       ///< The LUN's id.
  std::string name;     ///< The LUN's name.
  std::string wwn;      ///< The LUN's WWN.
  std::string snapWwn;  ///< WWN of the LUN's attached snapshot.
  /// Only id, name and type are filled; the lists stay empty.
  _UnityStorageResource storageResource;

  /// Restores the defaults.
  void clear() { *this = _UnityLunInfo(); }
};

/// One host-LUN association: a host's view of a LUN or snapshot.
struct _UnityHostLun {
  std::string id;                                        ///< The host LUN's id.
  std::string hostId;                                    ///< The host's id.
  _UNITY_HOST_LUN_TYPE type = UNITY_HOST_LUN_TYPE_NONE;  ///< The array's host-LUN type number.
  /// The snapshot group's id when the snapshot belongs to one, else the snapshot's own id.
  SnapID snapId = 0;
  std::string lunId;  ///< The LUN's id.

  /// Restores the defaults.
  void clear() { *this = _UnityHostLun(); }
};

/// Search predicate over a host access list: true for an entry whose host id equals the held id
/// (exact, case-sensitive). Used with a first-match search such as std::find_if.
struct MatchStructId {
  /// Holds the host id to look for.
  explicit MatchStructId(const std::string& id) : hostId(id) {}
  /// True when the entry names the held host.
  bool operator()(_UnityHostAccess& entry) const { return entry.hostId == hostId; }

  std::string hostId;  ///< The host id looked for.
};
