// Pieces the NFS export and CIFS share lookups share. Internal: not exported.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"

// The Lookup of a share by name, on one NAS server or on any.
inline Lookup SharesNamed(const char* what, const char* things, const std::string& name,
                          const std::string& nasServerName) {
  if (nasServerName.empty()) return {what, things, "named " + name, "name the NAS server too"};
  return {what, things, "named " + name + " on NAS server " + nasServerName, ""};
}

// TakeSingle for a share: the one share found has its file-system record completed through
// GetFSInfoForId before it is moved to `out`; `out` is left as it was on any failure.
template <typename Share>
bool TakeSingleShare(Operation& op, const Lookup& lookup, std::vector<Share>& found, Share& out) {
  Share share;
  if (!TakeSingle(op, lookup, found, share)) return false;
  const std::string filesystemId = share.filesystem.id;
  if (!op.session().GetFSInfoForId(share.filesystem, filesystemId)) return false;
  out = std::move(share);
  return true;
}
