/// \file
/// Records of the snapshot and replication domain. Plain values: copied member by member, returned
/// to callers through reference out-parameters.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

/// The array's snapshot id: its decimal text id read with the atoll rules, printed back with
/// "%llu". 0 means no snapshot.
typedef unsigned long long SnapID;

/// The SnapID of the array's text id: atoll's reading (leading blanks, sign, leading digits; 0
/// when none) without its undefined behaviour on overflow: strtoll saturates instead.
inline SnapID SnapIdFromText(const std::string& text) {
  // The usual id, up to 18 digits (no overflow), is converted here; anything else by strtoll.
  if (!text.empty() && text.size() <= 18) {
    long long value = 0;
    bool digits = true;
    for (const char c : text) {
      if (c < '0' || c > '9') {
        digits = false;
        break;
      }
      value = value * 10 + (c - '0');
    }
    if (digits) return static_cast<SnapID>(value);
  }
  return static_cast<SnapID>(std::strtoll(text.c_str(), nullptr, 10));
}

/// The array's text id of a SnapID: its unsigned decimal text.
inline std::string SnapIdToText(SnapID id) {
  return std::to_string(id);
}

/// One host's access to a snapshot or storage resource.
struct _UnityHostAccess {
  int accessMask = 0;  ///< The array's "allowedAccess" number.
  std::string hostId;  ///< The host's id ("host.id").

  /// Restores the defaults.
  void clear() { *this = _UnityHostAccess(); }
};

/// One snapshot.
struct _UnitySnapInfo {
  SnapID snapId = 0;              ///< The snapshot's id ("id").
  std::string name;               ///< The snapshot's name.
  std::string storageResourceId;  ///< The storage resource it is a snapshot of.
  bool isModifiable = false;      ///< True for a writable snapshot ("isModifiable").
  std::string lunId;              ///< The LUN's id ("lun.id") when the array names one.
  std::string attachedWWN;        ///< WWN of the attached snapshot, when attached.
  /// Sent by the array only from API version 5.0 on, and only while a block snapshot is attached.
  std::vector<_UnityHostAccess> hostAccess;

  /// Restores the defaults.
  void clear() { *this = _UnitySnapInfo(); }
};

/// One replication session.
struct _ReplicationSessionInfo {
  std::string sessionId;  ///< The replication session's id.

  /// Restores the defaults.
  void clear() { *this = _ReplicationSessionInfo(); }
};
/// The name the replication operations use for _ReplicationSessionInfo.
typedef _ReplicationSessionInfo ReplicationSessionInfo;
