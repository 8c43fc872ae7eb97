// Snapshot operations: create, copy, delete, list, look up and restore.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/SnapshotMessages.h"

namespace {

// Ids or names per list request: keeps each filter, and so each URL, of bounded length.
const std::size_t kKeysPerRequest = 50;

// Sends one list request per batch of at most kKeysPerRequest consecutive ids or names (one
// request with none when `keys` is empty) and appends the records to `out`. Stops at the first
// failed request; the records of the batches before it stay in `out`.
template <typename Key>
bool ListInBatches(Operation& op, const std::vector<Key>& keys, bool isSnapGroup,
                   std::vector<_UnitySnapInfo>& out) {
  ManageEMCUnity& session = op.session();
  std::size_t offset = 0;
  do {
    const std::size_t end = std::min(offset + kKeysPerRequest, keys.size());
    const std::vector<Key> batch(keys.begin() + static_cast<std::ptrdiff_t>(offset),
                                 keys.begin() + static_cast<std::ptrdiff_t>(end));
    EMCUnityJsonGetSnapshotList message;
    op.Init(message);
    message.Initialize(session.fileServer, batch, isSnapGroup);
    // The message reads its records straight into `out`, after what it holds; a failed request
    // takes its own records back out.
    const std::size_t kept = out.size();
    message.AppendTo(std::move(out));
    const bool sent = session.ProcessWithServer("GetSnapshotList", &message, {});
    message.TakeSnapList(out);
    if (!sent) {
      out.erase(out.begin() + static_cast<std::ptrdiff_t>(kept), out.end());
      return false;
    }
    offset = end;
  } while (offset < keys.size());
  return true;
}

}  // namespace

bool ManageEMCUnity::CreateSnapShot(SnapID& snapId, const std::string& storageResourceId,
                                    const std::string& snapName, bool accessTypeFlag) {
  Operation op(*this, "CreateSnapShot");
  op.Request("Request to Create snapshot, on server [%s]. Res id[%s] SnapName [%s]",
             fileServer.c_str(), storageResourceId.c_str(), snapName.c_str());
  if (fileServer.empty() || storageResourceId.empty() || snapName.empty()) {
    return op.Refuse("Fileserver name, resource id or snapname is empty");
  }
  EMCUnityJsonCreateSnap message;
  op.Init(message);
  message.Initialize(fileServer, storageResourceId, snapName, accessTypeFlag);
  if (!ProcessWithServer("CreateSnapshot", &message, {})) return false;
  message.GetSnapId(snapId);
  return op.Succeeded("Successfully created Snapshot with id [%llu] on fileserver[%s]", snapId,
                      fileServer.c_str());
}

bool ManageEMCUnity::CopySnapshot(SnapID& copySnapId, const SnapID& snapId,
                                  const std::string& copyName) {
  Operation op(*this, "CopySnapshot");
  op.Request("Request to Copy snapshot, on server [%s]. Snap id[%llu] Snap copy name[%s]",
             fileServer.c_str(), snapId, copyName.c_str());
  if (fileServer.empty() || snapId == 0 || copyName.empty()) {
    return op.Refuse("Fileserver name, snap id or copy snap name is empty");
  }
  EMCUnityJsonCopySnap message;
  op.Init(message);
  message.Initialize(fileServer, snapId, copyName);
  if (!ProcessWithServer("CopySnapshot", &message, {})) return false;
  message.GetCopySnapId(copySnapId);
  return op.Succeeded("Successfully created Snapshot with id [%llu] on fileserver [%s]", copySnapId,
                      fileServer.c_str());
}

bool ManageEMCUnity::DeleteSnapshot(const SnapID& snapId) {
  Operation op(*this, "DeleteSnapshot");
  op.Request("Request to Delete snapshot on server [%s]. Snap id[%llu]", fileServer.c_str(),
             snapId);
  if (fileServer.empty() || snapId == 0) {
    return op.Refuse("Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonDeleteSnap message;
  op.Init(message);
  message.Initialize(fileServer, snapId);
  // A snapshot that is already gone is what the caller asked for.
  if (!ProcessWithServer("DeleteSnapshot", &message, {kMissingResourceCode})) return false;
  return op.Succeeded("Successfully Deleted the snapshot [%llu]", snapId);
}

bool ManageEMCUnity::RestoreWithSnapshot(const SnapID& snapId) {
  Operation op(*this, "RestoreWithSnapshot");
  op.Request("Request to Restore storage with snapshot on server [%s]. Snap id[%llu]",
             fileServer.c_str(), snapId);
  if (fileServer.empty() || snapId == 0) {
    return op.Refuse("Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonRestoreSnap message;
  op.Init(message);
  message.Initialize(fileServer, snapId);
  if (!ProcessWithServer("RestoreWithSnapshot", &message, {})) return false;
  return op.Succeeded("Successfully Restored the snapshot [%llu]", snapId);
}

bool ManageEMCUnity::GetSnapShotList(std::vector<_UnitySnapInfo>& snapList,
                                     const std::vector<SnapID>& snapIds, const bool& isSnapGroup) {
  Operation op(*this, "GetSnapShotList");
  op.Request(
      "Request to Get snapshot list, on server [%s]. Snap ids count [%zu]. Id is Snap "
      "Group [%s]",
      fileServer.c_str(), snapIds.size(), isSnapGroup ? "Yes" : "No");
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (snapIds.empty()) {
    op.Log(0, "Snap id is empty. Getting complete snapshot list");
  }

  // Records are appended: what the caller already holds stays in front. An id names at most one
  // snapshot, so room for them all is made at once.
  if (!isSnapGroup) snapList.reserve(snapList.size() + snapIds.size());
  if (!ListInBatches(op, snapIds, isSnapGroup, snapList)) return false;
  return op.Succeeded("Successfully Got snapshot list size [%zu]", snapList.size());
}

bool ManageEMCUnity::GetSnapShotList(std::vector<_UnitySnapInfo>& snapList, const SnapID& snapId,
                                     const bool& isSnapGroup) {
  std::vector<SnapID> ids;
  if (snapId != 0) ids.push_back(snapId);
  return GetSnapShotList(snapList, ids, isSnapGroup);
}

bool ManageEMCUnity::GetSnapShotList(std::vector<_UnitySnapInfo>& snapList,
                                     const std::vector<std::string>& snapNames,
                                     const bool& isSnapGroup) {
  Operation op(*this, "GetSnapShotList");
  op.Request("Request to Get snapshot list, on server [%s]. Snap names count [%zu]",
             fileServer.c_str(), snapNames.size());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  std::vector<std::pair<std::string, std::string>> filterValues;
  for (const std::string& name : snapNames) {
    filterValues.emplace_back(isSnapGroup ? "Snap group name" : "Snap name", name);
  }
  if (op.RefuseUnquotable(filterValues)) return false;
  if (snapNames.empty()) {
    op.Log(0, "Snap names is empty. Getting complete snapshot list");
  }
  // The records replace the caller's, and only when every batch succeeded.
  std::vector<_UnitySnapInfo> found;
  if (!ListInBatches(op, snapNames, isSnapGroup, found)) return false;
  snapList = std::move(found);
  return op.Succeeded("Successfully Got snapshot list size [%zu]", snapList.size());
}

bool ManageEMCUnity::GetSnapShotList(std::vector<_UnitySnapInfo>& snapList,
                                     const std::string& snapName, const bool& isSnapGroup) {
  std::vector<std::string> names;
  if (!snapName.empty()) names.push_back(snapName);
  return GetSnapShotList(snapList, names, isSnapGroup);
}

bool ManageEMCUnity::GetSnapShotInfo(_UnitySnapInfo& snapInfo, const SnapID& snapId) {
  Operation op(*this, "GetSnapShotInfo");
  if (snapId == 0) return op.Refuse("Snapid is 0.");
  std::vector<_UnitySnapInfo> found;
  if (!GetSnapShotList(found, snapId, false)) return false;
  return TakeSingle(op, {"snap", "snapshots", "listed for id " + std::to_string(snapId), ""}, found,
                    snapInfo);
}

bool ManageEMCUnity::GetSnapShotForName(_UnitySnapInfo& snapInfo, const std::string& snapName) {
  Operation op(*this, "GetSnapShotForName");
  if (snapName.empty()) return op.Refuse("Snap name is empty.");
  std::vector<_UnitySnapInfo> found;
  if (!GetSnapShotList(found, snapName, false)) return false;
  return TakeSingle(op, {"snap", "snapshots", "named " + snapName, "look one up by its id"}, found,
                    snapInfo);
}
