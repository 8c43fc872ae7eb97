// Block exposure: the host access lists of LUN and consistency-group storage resources
// (modifyLun, modifyConsistencyGroup) and the hostLUN objects through which hosts see attached
// snapshots.

#include <cstdlib>

#include "sim/Args.h"
#include "sim/Errors.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {
namespace {

constexpr int kResourceConsistencyGroup = 2;
constexpr int kResourceLun = 8;
constexpr int kHostLunSnap = 2;
constexpr long long kAccessBoth = 3;

std::string refId(const Json& o, const char* attr) {
  auto it = o.find(attr);
  return it != o.end() && it->is_object() ? it->value("id", std::string()) : std::string();
}

// A list of {host, accessMask, hlu?}; the mask is the two-bit HostLUNAccessEnum. "Mixed"
// (65535) is only ever reported, never accepted.
Json checkedBlockAccess(const ObjectModel& model, const Json& list) {
  if (!list.is_array()) invalidArgument("The host access must be a list.");
  Json out = Json::array();
  for (const Json& e : list) {
    if (!e.is_object() || !e.contains("host") || !e["host"].is_object() ||
        !e["host"].contains("id") || !e["host"]["id"].is_string())
      invalidArgument("Each host access entry needs a host.");
    const Json mask = e.value("accessMask", Json(0));
    if (!mask.is_number_integer() || mask.get<long long>() < 0 ||
        mask.get<long long>() > kAccessBoth)
      invalidArgument("The value of the argument 'accessMask' is not valid.");
    for (const auto& [k, v] : e.items())
      if (k != "host" && k != "accessMask" && k != "hlu")
        invalidArgument("Invalid argument '" + k + "' in the host access.");
    const std::string hostId = e["host"]["id"].get<std::string>();
    requireBodyHost(model, hostId);
    const long long m = mask.get<long long>();
    Json entry = {{"host", Json{{"id", hostId}}},
                  {"accessMask", m},
                  {"productionAccess", (m & 1) != 0 ? 1 : 0},
                  {"snapshotAccess", (m & 2) != 0 ? 1 : 0}};
    if (e.contains("hlu")) entry["hlu"] = e["hlu"];
    out.push_back(entry);
  }
  return out;
}

// The list replaces the resource's list and that of each of its LUNs.
void replaceBlockAccess(ActionContext& ctx, const Json& list) {
  Json& sr = *ctx.model.get("storageResource", ctx.id);
  sr["blockHostAccess"] = list;
  for (const Json& lun : sr.value("luns", Json::array())) {
    Json lunAccess = Json::array();
    for (const Json& e : list)
      lunAccess.push_back(Json{{"host", e["host"]}, {"accessMask", e["accessMask"]}});
    ctx.model.update("lun", lun.value("id", std::string()),
                     [&lunAccess](Json& l) { l["hostAccess"] = lunAccess; });
  }
}

void requireResourceType(const ActionContext& ctx, int type, const char* what) {
  if (ctx.model.get("storageResource", ctx.id)->value("type", 0) != type)
    invalidArgument(std::string("The storage resource is not a ") + what + ".");
}

ActionResult modifyLun(ActionContext& ctx) {
  requireResourceType(ctx, kResourceLun, "LUN");
  Json& sr = *ctx.model.get("storageResource", ctx.id);
  if (hasArg(ctx.args, "name")) sr["name"] = argString(ctx.args, "name");
  if (hasArg(ctx.args, "description")) sr["description"] = argString(ctx.args, "description");
  if (hasArg(ctx.args, "lunParameters")) {
    const Json& parameters = ctx.args["lunParameters"];
    if (parameters.contains("hostAccess"))
      replaceBlockAccess(ctx, checkedBlockAccess(ctx.model, parameters["hostAccess"]));
  }
  return ActionResult::noContent();
}

ActionResult modifyConsistencyGroup(ActionContext& ctx) {
  requireResourceType(ctx, kResourceConsistencyGroup, "consistency group");
  Json& sr = *ctx.model.get("storageResource", ctx.id);
  if (hasArg(ctx.args, "name")) sr["name"] = argString(ctx.args, "name");
  if (hasArg(ctx.args, "description")) sr["description"] = argString(ctx.args, "description");
  if (hasArg(ctx.args, "blockHostAccess"))
    replaceBlockAccess(ctx, checkedBlockAccess(ctx.model, ctx.args["blockHostAccess"]));
  return ActionResult::noContent();
}

// The LUN a snapshot shows when attached: its own for a member of a group snapshot, else the
// first LUN of its storage resource.
std::string lunOfSnap(const ObjectModel& model, const Json& snap) {
  const std::string lun = refId(snap, "lun");
  if (!lun.empty()) return lun;
  const Json* sr = model.get("storageResource", refId(snap, "storageResource"));
  if (sr == nullptr || !sr->contains("luns") || (*sr)["luns"].empty()) return std::string();
  return (*sr)["luns"][0].value("id", std::string());
}

}  // namespace

void syncSnapHostLuns(ObjectModel& model, const std::string& snapId) {
  const Json* snap = model.get("snap", snapId);
  // The snapshots a host sees: the members of a group snapshot, else the snapshot itself.
  std::vector<const Json*> shown;
  model.forEach("snap", [&](const Json& s) {
    if (refId(s, "snapGroup") == snapId) shown.push_back(&s);
    return true;
  });
  if (shown.empty() && snap != nullptr) shown.push_back(snap);
  std::vector<std::string> stale;
  model.forEach("hostLUN", [&](const Json& h) {
    const std::string shownId = refId(h, "snap");
    if (shownId == snapId) stale.push_back(h.value("id", std::string()));
    for (const Json* s : shown)
      if (shownId == s->value("id", std::string())) stale.push_back(h.value("id", std::string()));
    return true;
  });
  for (const std::string& id : stale) model.remove("hostLUN", id);
  if (snap == nullptr || !snap->contains("attachedWWN")) return;
  const Json access = snap->value("hostAccess", Json::array());
  std::vector<Json> added;
  for (const Json& e : access) {
    long long hlu = 0;
    for (const Json* s : shown) {
      added.push_back(Json{{"host", e["host"]},
                           {"type", kHostLunSnap},
                           {"hlu", hlu++},
                           {"snap", Json{{"id", s->value("id", std::string())}}},
                           {"lun", Json{{"id", lunOfSnap(model, *s)}}},
                           {"isReadOnly", e.value("allowedAccess", 0) == 0},
                           {"isDefaultSnap", false}});
    }
  }
  for (Json& h : added) model.add("hostLUN", std::move(h));
}

bool apiVersionAtLeast(const ObjectModel& model, int major) {
  std::string version;
  model.forEach("basicSystemInfo", [&version](const Json& info) {
    version = info.value("apiVersion", std::string());
    return false;
  });
  return version.empty() || std::atoi(version.c_str()) >= major;
}

void setApiVersion(ObjectModel& model, const std::string& version) {
  auto guard = model.lock();
  std::vector<std::string> ids;
  model.forEach("basicSystemInfo", [&ids](const Json& info) {
    ids.push_back(info.value("id", std::string()));
    return true;
  });
  for (const std::string& id : ids)
    model.update("basicSystemInfo", id, [&version](Json& info) { info["apiVersion"] = version; });
}

void defineBlockTypes(ObjectModel& model) {
  TypeSpec hostLun;
  hostLun.name = "hostLUN";
  hostLun.idPrefix = "HostLUN_";
  values(hostLun, {"type", "hlu", "isReadOnly", "isDefaultSnap"});
  reference(hostLun, "host", "host");
  reference(hostLun, "lun", "lun");
  reference(hostLun, "snap", "snap");
  model.define(hostLun);

  // The storage resource's own definition gains the two host access actions.
  TypeSpec sr = *model.typeDef("storageResource");
  const ArgKind S = ArgKind::String, O = ArgKind::Object, A = ArgKind::Array;
  sr.actions["modifyLun"] = action({{"name", S},
                                    {"description", S},
                                    {"lunParameters", O},
                                    {"snapScheduleParameters", O},
                                    {"replicationParameters", O}},
                                   modifyLun, "job.applicationprovisioning.job.ModifyLun");
  sr.actions["modifyConsistencyGroup"] =
      action({{"name", S}, {"description", S}, {"blockHostAccess", A}}, modifyConsistencyGroup,
             "job.applicationprovisioning.job.ModifyConsistencyGroup");
  model.define(sr);
}

}  // namespace unitysim
