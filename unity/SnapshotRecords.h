// Records of the snapshot and replication domain. Plain values: copied member by member, returned
// to callers through reference out-parameters.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

// The array's snapshot id: its decimal text id read with the atoll rules, printed back with "%llu".
// 0 means no snapshot.
typedef unsigned long long SnapID;

// atoll's reading (leading blanks, sign, leading digits; 0 when none) without its undefined
// behaviour on overflow: strtoll saturates instead.
inline SnapID SnapIdFromText(const std::string& text) {
  return static_cast<SnapID>(std::strtoll(text.c_str(), nullptr, 10));
}

inline std::string SnapIdToText(SnapID id) {
  return std::to_string(id);
}

// One host's access to a snapshot or storage resource.
struct _UnityHostAccess {
  int accessMask = 0;
  std::string hostId;

  void clear() { *this = _UnityHostAccess(); }
};

struct _UnitySnapInfo {
  SnapID snapId = 0;
  std::string name;
  std::string storageResourceId;
  bool isModifiable = false;
  std::string lunId;
  std::string attachedWWN;
  // Sent by the array only from API version 5.0 on, and only while a block snapshot is attached.
  std::vector<_UnityHostAccess> hostAccess;

  void clear() { *this = _UnitySnapInfo(); }
};

struct _ReplicationSessionInfo {
  std::string sessionId;

  void clear() { *this = _ReplicationSessionInfo(); }
};
typedef _ReplicationSessionInfo ReplicationSessionInfo;
