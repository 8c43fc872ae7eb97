// Snapshots: create, copy, delete, restore, replicate, attach, detach and modify, with the
// checks the array makes. A snapshot of a consistency group is a group snapshot plus one member
// snapshot per LUN (members carry lun and snapGroup).

#include <cstdio>

#include "sim/Args.h"
#include "sim/Errors.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {
namespace {

constexpr unsigned long long kFirstSnapId = 38654705664ULL;  // ids look like 38654705846
constexpr int kSnapReady = 2;
constexpr int kCreatorUserCustom = 2;
constexpr int kCreatorRestore = 6;
constexpr int kResourceConsistencyGroup = 2;

std::string refId(const Json& o, const char* attr) {
  auto it = o.find(attr);
  return it != o.end() && it->is_object() ? it->value("id", std::string()) : std::string();
}

// File system, VMware NFS and VVol file datastores hold file snapshots; the rest are block.
bool isFileResource(const ObjectModel& model, const std::string& srId) {
  const Json* sr = model.get("storageResource", srId);
  const int type = sr ? sr->value("type", 0) : 0;
  return type == 1 || type == 3 || type == 9;
}

std::vector<std::string> membersOf(const ObjectModel& model, const std::string& groupId) {
  std::vector<std::string> ids;
  model.forEach("snap", [&](const Json& s) {
    if (refId(s, "snapGroup") == groupId) ids.push_back(s.value("id", std::string()));
    return true;
  });
  return ids;
}

void checkUniqueName(const ObjectModel& model, const std::string& srId, const std::string& name,
                     const std::string& exceptId) {
  if (name.empty()) invalidArgument("The snapshot name must not be empty.");
  model.forEach("snap", [&](const Json& s) {
    if (refId(s, "snapGroup").empty() && refId(s, "storageResource") == srId &&
        s.value("name", std::string()) == name && s.value("id", std::string()) != exceptId)
      throw ApiError(409, code::kDuplicateName,
                     "A snapshot with the name '" + name + "' already exists for the resource.");
    return true;
  });
}

void adjustSnapCount(ObjectModel& model, const std::string& srId, int delta) {
  model.update("storageResource", srId, [delta](Json& sr) {
    sr["snapCount"] = std::max(0, sr.value("snapCount", 0) + delta);
  });
}

// NAA-6 style, EMC prefix, unique per snapshot id.
std::string mintWwn(const std::string& snapId) {
  unsigned long long n = std::strtoull(snapId.c_str(), nullptr, 10);
  char buf[64];
  std::snprintf(buf, sizeof buf, "60:06:01:60:4A:B0:3F:00:%02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X",
                static_cast<unsigned>(n >> 56 & 255), static_cast<unsigned>(n >> 48 & 255),
                static_cast<unsigned>(n >> 40 & 255), static_cast<unsigned>(n >> 32 & 255),
                static_cast<unsigned>(n >> 24 & 255), static_cast<unsigned>(n >> 16 & 255),
                static_cast<unsigned>(n >> 8 & 255), static_cast<unsigned>(n & 255));
  return buf;
}

std::string defaultName(SimClock::TimePoint now) {
  std::string t = isoTime(now).substr(0, 19);  // 2024-05-01T12:00:00
  for (char& c : t)
    if (c == '-' || c == ':' || c == 'T') c = '_';
  return t;
}

// Only ReadOnly (0) and ReadWrite (1) may be granted.
Json checkedHostAccess(const ObjectModel& model, const Json& list, const char* arg) {
  Json out = Json::array();
  for (const Json& e : list) {
    if (!e.is_object() || !e.contains("host") || !e["host"].is_object() ||
        !e["host"].contains("id") || !e["host"]["id"].is_string())
      invalidArgument(std::string("Each entry of '") + arg + "' needs a host.");
    const Json access = e.value("allowedAccess", Json(0));
    if (!access.is_number_integer() || access.get<long long>() < 0 || access.get<long long>() > 1)
      invalidArgument("The allowed access of a snapshot may only be ReadOnly or ReadWrite.");
    for (const auto& [k, v] : e.items())
      if (k != "host" && k != "allowedAccess")
        invalidArgument("Invalid argument '" + k + "' in '" + arg + "'.");
    const std::string hostId = e["host"]["id"].get<std::string>();
    requireBodyHost(model, hostId);
    out.push_back(Json{{"host", Json{{"id", hostId}}}, {"allowedAccess", access}});
  }
  return out;
}

struct SnapOptions {
  std::string description;
  bool isAutoDelete = true;
  std::optional<long long> retention;
  bool isReadOnly = false;
  int accessType = 1;
  int creatorType = kCreatorUserCustom;
  std::string parentSnap;
};

// Takes a snapshot of a storage resource; for a consistency group also its member snapshots.
std::string snapshotResource(ActionContext& ctx, const std::string& srId, const std::string& name,
                             const SnapOptions& o) {
  const Json& sr = *ctx.model.get("storageResource", srId);
  const bool file = isFileResource(ctx.model, srId);
  Json snap = {{"name", name},
               {"storageResource", Json{{"id", srId}}},
               {"creationTime", isoTime(ctx.now)},
               {"creatorType", o.creatorType},
               {"creatorUser", Json{{"id", "user_" + (ctx.user.empty() ? "admin" : ctx.user)}}},
               {"isSystemSnap", false},
               {"isAutoDelete", o.isAutoDelete},
               {"isReadOnly", o.isReadOnly},
               {"isModified", false},
               {"isModifiable", file && o.accessType == 2},
               {"state", kSnapReady},
               {"size", sr.value("sizeAllocated", sr.value("sizeTotal", 0LL))}};
  if (!o.description.empty()) snap["description"] = o.description;
  if (file) snap["accessType"] = o.accessType;
  if (o.retention) snap["expirationTime"] = isoTimeIn(ctx.now, *o.retention);
  if (!o.parentSnap.empty()) snap["parentSnap"] = Json{{"id", o.parentSnap}};
  const std::string id = ctx.model.add("snap", snap);
  if (sr.value("type", 0) == kResourceConsistencyGroup && sr.contains("luns")) {
    for (const Json& lun : sr["luns"]) {
      Json member = snap;
      member["lun"] = lun;
      member["snapGroup"] = Json{{"id", id}};
      ctx.model.add("snap", member);
    }
  }
  adjustSnapCount(ctx.model, srId, 1);
  return id;
}

ActionResult createSnap(ActionContext& ctx) {
  const std::string srId = argRefId(ctx.args, "storageResource");
  if (ctx.model.get("storageResource", srId) == nullptr) throw notFound();
  const std::string name = argString(ctx.args, "name", defaultName(ctx.now));
  checkUniqueName(ctx.model, srId, name, "");
  SnapOptions o;
  o.description = argString(ctx.args, "description");
  o.isAutoDelete = argBool(ctx.args, "isAutoDelete", true);
  o.isReadOnly = argBool(ctx.args, "isReadOnly", false);
  if (hasArg(ctx.args, "retentionDuration")) {
    if (o.isAutoDelete)
      invalidArgument("The retention duration can only be set when auto-delete is off.");
    o.retention = argInt(ctx.args, "retentionDuration", 0);
  }
  // Accepted for block resources too, where it has no effect.
  o.accessType = static_cast<int>(argInt(ctx.args, "filesystemAccessType", 1));
  if (o.accessType != 1 && o.accessType != 2)
    invalidArgument("The value of the argument 'filesystemAccessType' is not valid.");
  return ActionResult::created(snapshotResource(ctx, srId, name, o));
}

// Copies a snapshot (and the members of a group snapshot) under a new name.
std::string copyOne(ActionContext& ctx, const std::string& srcId, const std::string& name,
                    bool child, const std::string& group) {
  Json copy = *ctx.model.get("snap", srcId);
  copy.erase("id");
  for (const char* k : {"attachedWWN", "hostAccess", "expirationTime", "snapGroup"}) copy.erase(k);
  copy["name"] = name;
  copy["creationTime"] = isoTime(ctx.now);
  copy["creatorType"] = kCreatorUserCustom;
  copy["isModifiable"] = copy.value("accessType", 0) == 2;
  if (child) copy["parentSnap"] = Json{{"id", srcId}};
  if (!group.empty()) copy["snapGroup"] = Json{{"id", group}};
  const std::string id = ctx.model.add("snap", copy);
  if (group.empty()) {
    for (const std::string& m : membersOf(ctx.model, srcId)) copyOne(ctx, m, name, child, id);
    adjustSnapCount(ctx.model, refId(copy, "storageResource"), 1);
  }
  return id;
}

ActionResult copySnap(ActionContext& ctx) {
  const Json& src = *ctx.model.get("snap", ctx.id);
  const bool child = argBool(ctx.args, "child", true);
  if (!child && src.contains("attachedWWN"))
    invalidArgument("An attached snapshot can only be copied as a child.");
  const long long count = argInt(ctx.args, "numCopies", 1);
  if (count < 1 || count > 256)
    invalidArgument("The value of the argument 'numCopies' is not valid.");
  const std::string base = argString(ctx.args, "copyName", src.value("name", "") + "_copy");
  const long long start = argInt(ctx.args, "copyStartNum", 1);
  const std::string srId = refId(src, "storageResource");
  Json copies = Json::array();
  for (long long i = 0; i < count; ++i) {
    const std::string name = count == 1 ? base : base + "_" + std::to_string(start + i);
    checkUniqueName(ctx.model, srId, name, "");
    copies.push_back(Json{{"id", copyOne(ctx, ctx.id, name, child, "")}});
  }
  return ActionResult::output(Json{{"copies", copies}}, copies[0]["id"].get<std::string>());
}

ActionResult deleteSnap(ActionContext& ctx) {
  const std::string srId = refId(*ctx.model.get("snap", ctx.id), "storageResource");
  ctx.model.get("snap", ctx.id)->erase("attachedWWN");
  syncSnapHostLuns(ctx.model, ctx.id);
  for (const std::string& m : membersOf(ctx.model, ctx.id)) ctx.model.remove("snap", m);
  ctx.model.remove("snap", ctx.id);
  adjustSnapCount(ctx.model, srId, -1);
  return ActionResult::noContent();
}

// The array first snapshots the resource's current state (the backup), then rolls it back.
ActionResult restoreSnap(ActionContext& ctx) {
  const Json& snap = *ctx.model.get("snap", ctx.id);
  if (!refId(snap, "snapGroup").empty())
    invalidArgument("A member snapshot of a group cannot be restored on its own.");
  const std::string srId = refId(snap, "storageResource");
  const std::string name = argString(ctx.args, "copyName", "Restore_" + defaultName(ctx.now));
  checkUniqueName(ctx.model, srId, name, "");
  SnapOptions o;
  o.creatorType = kCreatorRestore;
  const std::string backup = snapshotResource(ctx, srId, name, o);
  return ActionResult::output(Json{{"backup", Json{{"id", backup}}}}, backup);
}

ActionResult replicateSnap(ActionContext& ctx) {
  Json& snap = *ctx.model.get("snap", ctx.id);
  const std::string srId = refId(snap, "storageResource");
  const Json* session = nullptr;
  ctx.model.forEach("replicationSession", [&](const Json& s) {
    if (s.value("srcResourceId", std::string()) == srId) session = &s;
    return session == nullptr;
  });
  if (session == nullptr)
    throw ApiError(422, code::kNotReplicated,
                   "The storage resource of the snapshot has no replication session.");
  if (hasArg(ctx.args, "snapRemoteRetentionPolicies")) {
    snap["snapRemoteRetentionPolicies"] = ctx.args["snapRemoteRetentionPolicies"];
  } else {
    Json policy = {{"isRemoteAutoDelete", argBool(ctx.args, "isRemoteAutoDelete", true)},
                   {"isRemoteRetentionSameAsSource", false}};
    if (session->contains("remoteSystem")) policy["remoteSystem"] = (*session)["remoteSystem"];
    snap["snapRemoteRetentionPolicies"] = Json::array({policy});
  }
  return ActionResult::noContent();
}

void requireBlock(const ObjectModel& model, const Json& snap, const char* what) {
  if (isFileResource(model, refId(snap, "storageResource")))
    invalidArgument(std::string(what) + " is supported for block snapshots only.");
}

// Host access lists of snapshots arrived with REST API version 5.0.
void requireHostAccessApi(const ObjectModel& model, const Json& args, const char* arg) {
  if (hasArg(args, arg) && !apiVersionAtLeast(model, 5))
    invalidArgument("Invalid argument '" + std::string(arg) + "' in the request body.");
}

ActionResult attachSnap(ActionContext& ctx) {
  requireBlock(ctx.model, *ctx.model.get("snap", ctx.id), "Attach");
  requireHostAccessApi(ctx.model, ctx.args, "hostAccess");
  const Json access = hasArg(ctx.args, "hostAccess")
                          ? checkedHostAccess(ctx.model, ctx.args["hostAccess"], "hostAccess")
                          : Json();
  std::string target = ctx.id;
  if (hasArg(ctx.args, "copyName")) {
    const std::string name = argString(ctx.args, "copyName");
    checkUniqueName(ctx.model, refId(*ctx.model.get("snap", ctx.id), "storageResource"), name, "");
    target = copyOne(ctx, ctx.id, name, true, "");
  }
  Json& snap = *ctx.model.get("snap", target);
  if (snap.contains("attachedWWN"))
    throw ApiError(409, code::kAlreadyAttached,
                   "The system was not able to promote a snapshot because it is already promoted.");
  snap["attachedWWN"] = mintWwn(target);
  snap["isModifiable"] = true;
  if (!access.is_null()) snap["hostAccess"] = access;
  syncSnapHostLuns(ctx.model, target);
  if (target == ctx.id) return ActionResult::noContent();
  return ActionResult::output(Json{{"copy", Json{{"id", target}}}}, target);
}

ActionResult detachSnap(ActionContext& ctx) {
  Json& snap = *ctx.model.get("snap", ctx.id);
  requireBlock(ctx.model, snap, "Detach");
  if (!snap.contains("attachedWWN"))
    throw ApiError(409, code::kNotAttached, "The snapshot is not attached.");
  for (const char* k : {"attachedWWN", "hostAccess"}) snap.erase(k);
  snap["isModifiable"] = false;
  syncSnapHostLuns(ctx.model, ctx.id);
  return ActionResult::noContent();
}

ActionResult modifySnap(ActionContext& ctx) {
  const Json& a = ctx.args;
  Json snap = *ctx.model.get("snap", ctx.id);
  const bool replace = hasArg(a, "hostAccess");
  const bool add = hasArg(a, "addHostAccess"), removeHosts = hasArg(a, "removeHostAccess");
  requireHostAccessApi(ctx.model, a, "hostAccess");
  if (replace && (add || removeHosts))
    invalidArgument("hostAccess cannot be combined with addHostAccess or removeHostAccess.");
  if (replace || add || removeHosts) {
    requireBlock(ctx.model, snap, "Host access");
    if (!snap.contains("attachedWWN"))
      throw ApiError(409, code::kHostAccessNeedsAttach,
                     "Host access can only be changed while the snapshot is attached.");
    Json list = replace ? checkedHostAccess(ctx.model, a["hostAccess"], "hostAccess")
                        : snap.value("hostAccess", Json::array());
    const auto drop = [&list](const std::string& hostId) {
      Json kept = Json::array();
      for (const Json& e : list)
        if (e["host"]["id"] != hostId) kept.push_back(e);
      list = kept;
    };
    if (removeHosts)
      for (const Json& h : a["removeHostAccess"]) drop(h["id"].get<std::string>());
    if (add) {
      for (const Json& e : checkedHostAccess(ctx.model, a["addHostAccess"], "addHostAccess")) {
        drop(e["host"]["id"].get<std::string>());
        list.push_back(e);
      }
    }
    snap["hostAccess"] = list;
  }
  if (hasArg(a, "name")) {
    requireBlock(ctx.model, snap, "Renaming");
    checkUniqueName(ctx.model, refId(snap, "storageResource"), argString(a, "name"), ctx.id);
    snap["name"] = argString(a, "name");
  }
  if (hasArg(a, "description")) snap["description"] = argString(a, "description");
  if (hasArg(a, "isAutoDelete")) snap["isAutoDelete"] = argBool(a, "isAutoDelete", true);
  if (hasArg(a, "retentionDuration")) {
    if (snap.value("isAutoDelete", true))
      invalidArgument("The retention duration can only be set when auto-delete is off.");
    snap["expirationTime"] = isoTimeIn(ctx.now, argInt(a, "retentionDuration", 0));
  }
  *ctx.model.get("snap", ctx.id) = snap;
  syncSnapHostLuns(ctx.model, ctx.id);
  return ActionResult::noContent();
}

}  // namespace

void defineSnapType(ObjectModel& model) {
  TypeSpec t;
  t.name = "snap";
  t.byName = true;
  t.idFloor = kFirstSnapId;
  values(t, {"name", "description", "creationTime", "expirationTime", "lastRefreshTime",
             "creatorType", "isSystemSnap", "isModifiable", "attachedWWN", "accessType",
             "isReadOnly", "isModified", "isAutoDelete", "state", "size", "replicationStatus",
             "snapRemoteRetentionPolicies", "ioLimitPolicy"});
  reference(t, "storageResource", "storageResource");
  reference(t, "lun", "lun");
  reference(t, "snapGroup", "snap");
  reference(t, "parentSnap", "snap");
  reference(t, "familyBaseStorageResource", "storageResource");
  reference(t, "creatorUser", "user");
  reference(t, "creatorSchedule", "snapSchedule");
  embeddedList(t, "hostAccess", "snapHostAccess");

  const ArgKind B = ArgKind::Boolean, S = ArgKind::String, I = ArgKind::Integer;
  t.create = action({{"storageResource", ArgKind::Reference, true},
                     {"name", S},
                     {"description", S},
                     {"isAutoDelete", B},
                     {"retentionDuration", I},
                     {"isReadOnly", B},
                     {"filesystemAccessType", I},
                     {"markForReplication", B},
                     {"snapRemoteRetentionPolicies", ArgKind::Array}},
                    createSnap, "job.snapservice.job.Create");
  t.remove = action({{"overrideLock", B}, {"force", B}}, deleteSnap, "job.snapservice.job.Delete");
  t.actions["copy"] = action({{"copyName", S}, {"numCopies", I}, {"copyStartNum", I}, {"child", B}},
                             copySnap, "job.snapservice.job.Copy");
  t.actions["restore"] = action({{"copyName", S}}, restoreSnap, "job.snapservice.job.Restore");
  // The flat isRemoteAutoDelete is the older form of the retention policy list.
  t.actions["replicate"] = action(
      {{"snapRemoteRetentionPolicies", ArgKind::Array}, {"isRemoteAutoDelete", B}, {"force", B}},
      replicateSnap, "job.snapservice.job.Replicate");
  t.actions["attach"] = action({{"copyName", S}, {"hostAccess", ArgKind::Array}, {"force", B}},
                               attachSnap, "job.snapservice.job.Attach");
  t.actions["detach"] = action({}, detachSnap, "job.snapservice.job.Detach");
  t.actions["modify"] = action({{"name", S},
                                {"description", S},
                                {"isAutoDelete", B},
                                {"retentionDuration", I},
                                {"ioLimitParameters", ArgKind::Object},
                                {"force", B},
                                {"hostAccess", ArgKind::Array},
                                {"addHostAccess", ArgKind::Array},
                                {"removeHostAccess", ArgKind::ReferenceList}},
                               modifySnap, "job.snapservice.job.Modify");
  model.define(t);
}

}  // namespace unitysim
