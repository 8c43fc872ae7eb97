// Records of the block domain: LUNs, storage resources and host-LUN associations. Plain values,
// copied member by member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unity/SnapshotRecords.h"

// The array's storage-resource type number, stored and sent as the array numbers it. -1 marks a
// type not read yet.
enum _UNITY_STG_RES_TYPE : std::int32_t { UNITY_STG_RES_TYPE_UNKNOWN = -1 };

// The array's host-LUN type number. 0 means no type filter; 2 selects the host LUNs of snapshots.
enum _UNITY_HOST_LUN_TYPE : std::int32_t {
  UNITY_HOST_LUN_TYPE_NONE = 0,
  UNITY_HOST_LUN_TYPE_SNAP = 2,
};

struct _UnityStorageResource {
  std::string id;
  std::string name;
  _UNITY_STG_RES_TYPE type = UNITY_STG_RES_TYPE_UNKNOWN;
  std::vector<_UnityHostAccess> hostAccess;  // from "blockHostAccess"
  std::vector<std::string> lunIds;           // from "luns"

  void clear() { *this = _UnityStorageResource(); }
};

struct _UnityLunInfo {
  std::string id;
  std::string name;
  std::string wwn;
  std::string snapWwn;
  // Only id, name and type are filled; the lists stay empty.
  _UnityStorageResource storageResource;

  void clear() { *this = _UnityLunInfo(); }
};

struct _UnityHostLun {
  std::string id;
  std::string hostId;
  _UNITY_HOST_LUN_TYPE type = UNITY_HOST_LUN_TYPE_NONE;
  // The snapshot group's id when the snapshot belongs to one, else the snapshot's own id.
  SnapID snapId = 0;
  std::string lunId;

  void clear() { *this = _UnityHostLun(); }
};

/// Search predicate over a host access list: true for an entry whose host id equals the held id
/// (exact, case-sensitive). Used with a first-match search such as std::find_if.
struct MatchStructId {
  explicit MatchStructId(const std::string& id) : hostId(id) {}
  bool operator()(_UnityHostAccess& entry) const { return entry.hostId == hostId; }

  std::string hostId;
};
