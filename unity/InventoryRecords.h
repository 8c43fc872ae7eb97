/// \file
/// Records of the inventory listings: LUNs with their sizes, file systems with their NAS server,
/// hosts with their initiators and IP ports. Plain values, copied member by member. Storage
/// resources are listed as _UnityStorageResource (BlockRecords.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unity/FileRecords.h"
#include "unity/HostRecords.h"

/// One LUN of a LUN listing.
struct _UnityLunListEntry {
  std::string id;                        ///< The LUN's id.
  std::string name;                      ///< The LUN's name.
  std::string wwn;                       ///< The LUN's WWN; empty when the array reports none.
  std::string storageResourceId;         ///< Id of the storage resource the LUN belongs to.
  unsigned long long sizeTotal = 0;      ///< Size the hosts see, in bytes.
  unsigned long long sizeAllocated = 0;  ///< Bytes allocated from the pool; 0 when not reported.

  /// Restores the defaults.
  void clear() { *this = _UnityLunListEntry(); }
};

/// One file system of a file-system listing, with the NAS server that serves it.
struct _UnityFSListEntry {
  _UnityFSInfo fs;            ///< The file system, as GetFSInfoForId reports it.
  std::string nasServerId;    ///< The NAS server's id.
  std::string nasServerName;  ///< The NAS server's name.

  /// Restores the defaults.
  void clear() { *this = _UnityFSListEntry(); }
};

/// One host of a host listing, with its initiators and IP ports.
struct _UnityHostListEntry {
  std::string id;         ///< The host's id.
  std::string name;       ///< The host's name.
  std::int32_t type = 0;  ///< The array's host type number (_UNITY_HOST_TYPE).
  std::string osType;     ///< The operating system as the array records it; may be empty.
  /// The host's initiators in the array's order; parentHostId is the host's id.
  std::vector<_UnityHostInitiatorInfo> initiators;
  /// The host's IP ports in the array's order; hostId is the host's id.
  std::vector<_UnityHostIPPort> ipPorts;

  /// Restores the defaults.
  void clear() { *this = _UnityHostListEntry(); }
};
