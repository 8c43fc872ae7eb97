// Block exposure operations: LUNs by WWN, storage resources, snapshot host LUNs, host access of a
// LUN or consistency group, and snapshot attach and detach.
#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/TextUtils.h"
#include "unity/messages/BlockMessages.h"

namespace {

// The array reports a consistency group whose LUNs grant a host different access as 65535
// ("mixed"), which it refuses in a modify request; it is sent back as both bits.
const int kMixedAccessMask = 65535;
const int kBothAccessMask = 3;
// Mask of a host newly given access to a snapshot.
const int kSnapHostAccessMask = 1;

const unsigned long long kAlreadyAttachedCode = 100666332ULL;     // 0x06000BDC
const unsigned long long kNotAttachedCode = 151032103ULL;         // 0x09009127
const unsigned long long kHostAccessAcceptedCode = 100666408ULL;  // 0x06000C28
const unsigned long long kBodyNotCorrectCode = 131149877ULL;      // 0x07D13035

const char kNothingToChange[] = "Needed access is already granted. Success";

// Merges one host's change (every host's when hostId is empty) into a resource's host access
// list; true when the list changed and must be sent.
bool MergeLunAccess(std::vector<_UnityHostAccess>& list, const std::string& hostId, int accessMask,
                    bool remove) {
  bool found = hostId.empty();
  bool changed = false;
  for (_UnityHostAccess& entry : list) {
    if (!hostId.empty() && entry.hostId != hostId) continue;
    if (entry.accessMask == kMixedAccessMask) {
      entry.accessMask = kBothAccessMask;
      changed = true;
    }
    const int mask = remove ? entry.accessMask & ~accessMask : entry.accessMask | accessMask;
    if (mask != entry.accessMask) {
      entry.accessMask = mask;
      changed = true;
    }
    if (!hostId.empty()) {
      found = true;
      break;
    }
  }
  if (!found && !remove) {
    _UnityHostAccess added;
    added.accessMask = accessMask;
    added.hostId = hostId;
    list.push_back(added);
    return true;
  }
  return changed;
}

// Merges a host set into a snapshot's host access list; true when the list changed. A snapshot
// that is not modifiable is not attached, so there is nothing to detach.
bool MergeSnapHosts(_UnitySnapInfo& snap, const std::set<std::string>& hostIds, bool attach) {
  if (!attach && !snap.isModifiable) return false;
  std::vector<_UnityHostAccess>& list = snap.hostAccess;
  bool changed = false;
  for (const std::string& hostId : hostIds) {
    if (!attach && list.empty()) return true;
    const std::vector<_UnityHostAccess>::iterator match =
        std::find_if(list.begin(), list.end(), MatchStructId(hostId));
    if (match != list.end() && !attach) {
      list.erase(match);
      changed = true;
    } else if (match == list.end() && attach) {
      _UnityHostAccess added;
      added.accessMask = kSnapHostAccessMask;
      added.hostId = hostId;
      list.push_back(added);
      changed = true;
    }
  }
  return changed;
}

}  // namespace

bool ManageEMCUnity::GetLunInfoFromWWN(_UnityLunInfo& lunInfo, const std::string& wwn) {
  Operation op(*this, "GetLunInfoFromWWN");
  op.Request("Request to Get lun list, on server [%s]. WWN [%s]", fileServer.c_str(), wwn.c_str());
  if (fileServer.empty() || wwn.empty()) {
    return op.Refuse("Fileserver name or wwn is empty");
  }
  if (op.RefuseUnquotable({{"WWN", wwn}})) return false;
  EMCUnityJsonGetLunList message;
  op.Init(message);
  message.Initialize(fileServer, wwn);
  if (!ProcessWithServer("GetLunInfoFromWWN", &message, {})) return false;
  std::vector<_UnityLunInfo> found;
  message.TakeLunList(found);
  if (!TakeSingle(op, {"LUN", "LUNs", "listed for WWN " + wwn, "", "Failed to Get Lun info"}, found,
                  lunInfo)) {
    return false;
  }
  return op.Succeeded("Successfully Got Lun info with name [%s]", lunInfo.name.c_str());
}

bool ManageEMCUnity::GetStorageResourceInfo(_UnityStorageResource& resInfo,
                                            const std::string& stgResId) {
  Operation op(*this, "GetStorageResourceInfo");
  op.Request("Request to Get resource info for id[%s], on server [%s]", stgResId.c_str(),
             fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (stgResId.empty()) {
    op.Log(0, "Res id is empty. Getting complete resource list");
  }
  EMCUnityJsonGetStorageResource message;
  op.Init(message);
  message.Initialize(fileServer, stgResId);
  if (!ProcessWithServer("GetStorageResourceInfo", &message, {})) return false;
  std::vector<_UnityStorageResource> found;
  message.GetStorageResourceList(found);
  const Lookup lookup = stgResId.empty()
                            ? Lookup{"Stg Res", "storage resources", "listed without an id",
                                     "give the resource id", "Failed to Get Stg Res info"}
                            : Lookup{"Stg Res", "storage resources", "listed for id " + stgResId,
                                     "", "Failed to Get Stg Res info"};
  if (!TakeSingle(op, lookup, found, resInfo)) return false;
  return op.Succeeded("Successfully Got Resource with name [%s]", resInfo.name.c_str());
}

bool ManageEMCUnity::GetResIdForName(std::string& stgResId, const std::string& name,
                                     const _UNITY_STG_RES_TYPE& type) {
  Operation op(*this, "GetResIdForName");
  op.Request("Request to Get resource id for name [%s], on server [%s]", name.c_str(),
             fileServer.c_str());
  if (fileServer.empty() || name.empty()) {
    return op.Refuse("Fileserver name is empty or invalid inputs");
  }
  if (op.RefuseUnquotable({{"Resource name", name}})) return false;
  EMCUnityJsonGetStorageResource message;
  op.Init(message);
  message.Initialize(fileServer, name, type);
  if (!ProcessWithServer("GetResIdForName", &message, {})) return false;
  std::vector<_UnityStorageResource> resources;
  message.GetStorageResourceList(resources);
  _UnityStorageResource resource;
  if (!TakeSingle(
          op,
          {"resource", "storage resources",
           "named " + name + " (type " + std::to_string(static_cast<int>(type)) + ")", "use its id",
           "Got invalid count of resources for input [" + std::to_string(resources.size()) +
               "]. Failed to get resource"},
          resources, resource)) {
    return false;
  }
  stgResId = resource.id;
  return op.Succeeded("Successfully Got Resource id [%s]", stgResId.c_str());
}

bool ManageEMCUnity::GetSnapHostLun(std::vector<_UnityHostLun>& hostLuns,
                                    std::vector<unsigned long long> snapIds,
                                    const std::set<std::string>& hostIds) {
  Operation op(*this, "GetSnapHostLun");
  op.Request("Request to Get snap hostlun. Snapids size [%zu], hosts size [%zu] , on server [%s]",
             snapIds.size(), hostIds.size(), fileServer.c_str());
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  std::vector<std::pair<std::string, std::string>> filterValues;
  for (const std::string& hostId : hostIds) filterValues.emplace_back("Host id", hostId);
  if (op.RefuseUnquotable(filterValues)) return false;
  if (snapIds.empty()) op.Log(0, "Snap ids is empty. No snap filter");
  if (hostIds.empty()) op.Log(0, "Host ids is empty. No host filter");
  EMCUnityJsonGetHostLun message;
  op.Init(message);
  message.Initialize(fileServer, snapIds, hostIds, UNITY_HOST_LUN_TYPE_SNAP);
  if (!ProcessWithServer("GetSnapHostLun", &message, {})) return false;
  message.GetHostLuns(hostLuns);
  return op.Succeeded("Successfully Got host luns info of size [%zu]", hostLuns.size());
}

bool ManageEMCUnity::LunAccessToHost(const std::string& stgResId, const std::string& hostId,
                                     const bool& isConsistencyGroup, const int& accessMask,
                                     const bool& remove) {
  Operation op(*this, "LunAccessToHost");
  op.Request(
      "Request to Modify lun parameter, on server [%s]. Stg Id [%s] with host id [%s] "
      "mask [%d] and access [%s] ",
      fileServer.c_str(), stgResId.c_str(), hostId.c_str(), accessMask, remove ? "remove" : "add");
  if (fileServer.empty() || stgResId.empty() || accessMask == 0) {
    return op.Refuse("Fileserver name, stg res id, access mask is empty/invalid");
  }
  if (hostId.empty()) op.Log(0, "Host id is empty. Applying changes for all host");
  // The array replaces the whole list, so the current one is read and sent back merged.
  _UnityStorageResource resource;
  if (!GetStorageResourceInfo(resource, stgResId)) {
    return op.Failed("Failed to Get storage res info");
  }
  if (!MergeLunAccess(resource.hostAccess, hostId, accessMask, remove)) {
    op.Log(0, "%s", kNothingToChange);
    return true;
  }
  EMCUnityJsonLunAccess message;
  op.Init(message);
  message.Initialize(fileServer, stgResId, resource.hostAccess, isConsistencyGroup);
  if (!ProcessWithServer("LunAccessToHost", &message, {})) return false;
  return op.Succeeded("Successfully changed lun access");
}

bool ManageEMCUnity::ExposeLunAccess(const unsigned long long& snapId,
                                     const std::set<std::string>& hostIds, const bool& attach) {
  Operation op(*this, "ExposeLunAccess");
  const char* const action = attach ? "attach" : "detach";
  op.Request("Request to Expose [%s] snapshot [%llu] as lun to host [%zu], on server[%s]", action,
             snapId, hostIds.size(), fileServer.c_str());
  if (fileServer.empty() || snapId == 0) {
    return op.Refuse("Fileserver name is empty or invalid inputs");
  }
  EMCUnityJsonExposeLun message;
  op.Init(message);
  std::vector<unsigned long long> successCodes;
  // Arrays before API version 5.0 attach and detach without a host list; 4.0 detaches that way
  // even when hosts are named.
  if (hostIds.empty() || (apiVersionCompare(apiVersion, "4.0") == 0 && !attach)) {
    op.Log(0, "Doing normal attach/detach of Unity4.0");
    message.Initialize(fileServer, snapId, attach);
    if (attach) {
      successCodes = {kAlreadyAttachedCode};
    } else {
      successCodes = {kNotAttachedCode, kMissingResourceCode};
    }
  } else {
    if (apiVersionCompare(apiVersion, "5.0") < 0) {
      errorCode = kBodyNotCorrectCode;
      errorText = "Request body is not correct";
      return false;
    }
    _UnitySnapInfo snap;
    if (!GetSnapShotInfo(snap, snapId)) {
      if (!attach && errorCode == kMissingResourceCode) {
        op.Log(-1, "[%s] Treating as success. No need to detach", errorText.c_str());
        return true;
      }
      return op.Failed("Failed to Get Snapshot info");
    }
    if (!MergeSnapHosts(snap, hostIds, attach)) {
      op.Log(0, "%s", kNothingToChange);
      return true;
    }
    message.Initialize(fileServer, snapId, snap.hostAccess, snap.isModifiable);
    successCodes = {kHostAccessAcceptedCode};
  }
  if (!ProcessWithServer("ExposeLunAccess", &message, successCodes)) return false;
  op.Log(0, "Expose lun [%s] success", action);
  return true;
}

bool ManageEMCUnity::ExposeLunAccess(const unsigned long long& snapId, const std::string& hostId,
                                     const bool& attach) {
  std::set<std::string> hostIds;
  if (!hostId.empty()) hostIds.insert(hostId);
  return ExposeLunAccess(snapId, hostIds, attach);
}
