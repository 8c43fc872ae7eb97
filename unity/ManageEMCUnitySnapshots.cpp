// Snapshot operations: create, copy, delete, list, look up and restore.
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/SnapshotMessages.h"

namespace {

// Ids per list request: keeps each filter, and so each URL, of bounded length.
const std::size_t kIdsPerRequest = 50;

}  // namespace

bool ManageEMCUnity::CreateSnapShot(SnapID& snapId, const std::string& storageResourceId,
                                    const std::string& snapName, bool accessTypeFlag) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::CreateSnapShot";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Create snapshot, on server [%s]. Res id[%s] SnapName [%s]",
               fileServer.c_str(), storageResourceId.c_str(), snapName.c_str());
  if (fileServer.empty() || storageResourceId.empty() || snapName.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name, resource id or snapname is empty");
  }
  EMCUnityJsonCreateSnap message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, storageResourceId, snapName, accessTypeFlag);
  if (!ProcessWithServer("CreateSnapshot", &message, {})) return false;
  message.GetSnapId(snapId);
  log.logLevel(tag, 0, job, "Successfully created Snapshot with id [%llu] on fileserver[%s]",
               snapId, fileServer.c_str());
  return true;
}

bool ManageEMCUnity::CopySnapshot(SnapID& copySnapId, const SnapID& snapId,
                                  const std::string& copyName) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::CopySnapshot";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job,
               "Request to Copy snapshot, on server [%s]. Snap id[%llu] Snap copy name[%s]",
               fileServer.c_str(), snapId, copyName.c_str());
  if (fileServer.empty() || snapId == 0 || copyName.empty()) {
    return RefuseInput(*this, log, tag, "Fileserver name, snap id or copy snap name is empty");
  }
  EMCUnityJsonCopySnap message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, snapId, copyName);
  if (!ProcessWithServer("CopySnapshot", &message, {})) return false;
  message.GetCopySnapId(copySnapId);
  log.logLevel(tag, 0, job, "Successfully created Snapshot with id [%llu] on fileserver [%s]",
               copySnapId, fileServer.c_str());
  return true;
}

bool ManageEMCUnity::DeleteSnapshot(const SnapID& snapId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::DeleteSnapshot";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Delete snapshot on server [%s]. Snap id[%llu]",
               fileServer.c_str(), snapId);
  if (fileServer.empty() || snapId == 0) {
    return RefuseInput(*this, log, tag, "Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonDeleteSnap message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, snapId);
  // A snapshot that is already gone is what the caller asked for.
  if (!ProcessWithServer("DeleteSnapshot", &message, {kMissingResourceCode})) return false;
  log.logLevel(tag, 0, job, "Successfully Deleted the snapshot [%llu]", snapId);
  return true;
}

bool ManageEMCUnity::RestoreWithSnapshot(const SnapID& snapId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::RestoreWithSnapshot";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job,
               "Request to Restore storage with snapshot on server [%s]. Snap id[%llu]",
               fileServer.c_str(), snapId);
  if (fileServer.empty() || snapId == 0) {
    return RefuseInput(*this, log, tag, "Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonRestoreSnap message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, snapId);
  if (!ProcessWithServer("RestoreWithSnapshot", &message, {})) return false;
  log.logLevel(tag, 0, job, "Successfully Restored the snapshot [%llu]", snapId);
  return true;
}

bool ManageEMCUnity::GetSnapShotList(std::vector<_UnitySnapInfo>& snapList,
                                     const std::vector<SnapID>& snapIds, const bool& isSnapGroup) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetSnapShotList";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job,
               "Request to Get snapshot list, on server [%s]. Snap ids count [%zu]. Id is Snap "
               "Group [%s]",
               fileServer.c_str(), snapIds.size(), isSnapGroup ? "Yes" : "No");
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  if (snapIds.empty()) {
    log.logLevel(tag, 0, job, "Snap id is empty. Getting complete snapshot list");
  }

  // Records are appended: what the caller already holds stays in front, and a failed batch
  // leaves the records of the batches before it.
  std::size_t offset = 0;
  do {
    const std::size_t end = std::min(offset + kIdsPerRequest, snapIds.size());
    const std::vector<SnapID> batch(snapIds.begin() + static_cast<std::ptrdiff_t>(offset),
                                    snapIds.begin() + static_cast<std::ptrdiff_t>(end));
    EMCUnityJsonGetSnapshotList message;
    message.Init(jobId, apiVersion);
    message.Initialize(fileServer, batch, isSnapGroup);
    if (!ProcessWithServer("GetSnapshotList", &message, {})) return false;
    std::vector<_UnitySnapInfo> records;
    message.TakeSnapList(records);
    snapList.insert(snapList.end(), std::make_move_iterator(records.begin()),
                    std::make_move_iterator(records.end()));
    offset = end;
  } while (offset < snapIds.size());

  log.logLevel(tag, 0, job, "Successfully Got snapshot list size [%zu]", snapList.size());
  return true;
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
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetSnapShotList";
  const long long job = static_cast<long long>(jobId);
  log.logLevel(tag, 0, job, "Request to Get snapshot list, on server [%s]. Snap names count [%zu]",
               fileServer.c_str(), snapNames.size());
  if (fileServer.empty()) return RefuseInput(*this, log, tag, "Fileserver name is empty");
  std::vector<std::pair<std::string, std::string>> filterValues;
  for (const std::string& name : snapNames) {
    filterValues.emplace_back(isSnapGroup ? "Snap group name" : "Snap name", name);
  }
  if (RefuseUnquotable(*this, log, tag, filterValues)) return false;
  if (snapNames.empty()) {
    log.logLevel(tag, 0, job, "Snap names is empty. Getting complete snapshot list");
  }
  EMCUnityJsonGetSnapshotList message;
  message.Init(jobId, apiVersion);
  message.Initialize(fileServer, snapNames, isSnapGroup);
  if (!ProcessWithServer("GetSnapshotList", &message, {})) return false;
  message.TakeSnapList(snapList);
  log.logLevel(tag, 0, job, "Successfully Got snapshot list size [%zu]", snapList.size());
  return true;
}

bool ManageEMCUnity::GetSnapShotList(std::vector<_UnitySnapInfo>& snapList,
                                     const std::string& snapName, const bool& isSnapGroup) {
  std::vector<std::string> names;
  if (!snapName.empty()) names.push_back(snapName);
  return GetSnapShotList(snapList, names, isSnapGroup);
}

namespace {

// The lookups' common end: exactly one record is the answer.
bool TakeSingleSnap(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                    const std::vector<_UnitySnapInfo>& found, _UnitySnapInfo& snapInfo) {
  if (found.size() == 1) {
    snapInfo = found.front();
    return true;
  }
  log.logLevel(tag, -1, static_cast<long long>(session.jobId),
               "Got invalid number of snap info [%zu]", found.size());
  if (found.empty()) {
    session.errorCode = kMissingResourceCode;
    session.errorText = kMissingResourceText;
  }
  return false;
}

}  // namespace

bool ManageEMCUnity::GetSnapShotInfo(_UnitySnapInfo& snapInfo, const SnapID& snapId) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetSnapShotInfo";
  if (snapId == 0) return RefuseInput(*this, log, tag, "Snapid is 0.");
  std::vector<_UnitySnapInfo> found;
  if (!GetSnapShotList(found, snapId, false)) return false;
  return TakeSingleSnap(*this, log, tag, found, snapInfo);
}

bool ManageEMCUnity::GetSnapShotForName(_UnitySnapInfo& snapInfo, const std::string& snapName) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::GetSnapShotForName";
  if (snapName.empty()) return RefuseInput(*this, log, tag, "Snap name is empty.");
  std::vector<_UnitySnapInfo> found;
  if (!GetSnapShotList(found, snapName, false)) return false;
  return TakeSingleSnap(*this, log, tag, found, snapInfo);
}
