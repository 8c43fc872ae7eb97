// NFS exports and CIFS shares of file snapshots: create, modify, delete, and the access control
// entries of CIFS shares. A share belongs to the file system of its snapshot's storage resource;
// its export paths name the file-interface addresses of that file system's NAS server.

#include <algorithm>
#include <set>

#include "sim/Args.h"
#include "sim/Errors.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {
namespace {

const char* const kNfsHostLists[] = {"noAccessHosts", "readOnlyHosts", "readWriteHosts",
                                     "readOnlyRootAccessHosts", "rootAccessHosts"};
constexpr int kNfsAccessMax = 4;  // NFSShareDefaultAccessEnum: NoAccess .. RoRoot
constexpr int kNfsShareType = 1;
constexpr int kCifsShareType = 1;
// Where the ACEs of a CIFS share are kept: not an attribute, so only getACEs shows them.
const char kAceStore[] = "cifsShareACEs";

std::string refId(const Json* o, const char* attr) {
  if (o == nullptr) return {};
  auto it = o->find(attr);
  return it != o->end() && it->is_object() ? it->value("id", std::string()) : std::string();
}

// The file-interface addresses of a NAS server, whether its interfaces are stored inline or as
// references to fileInterface objects.
std::vector<std::string> nasAddresses(const ObjectModel& model, const std::string& nasId) {
  std::vector<std::string> addresses;
  const Json* nas = model.get("nasServer", nasId);
  if (nas == nullptr || !nas->contains("fileInterface") || !(*nas)["fileInterface"].is_array())
    return addresses;
  for (const Json& entry : (*nas)["fileInterface"]) {
    const Json* iface = &entry;
    if (!entry.contains("ipAddress") && model.typeDef("fileInterface") != nullptr)
      iface = model.get("fileInterface", entry.value("id", std::string()));
    if (iface != nullptr && iface->contains("ipAddress") && (*iface)["ipAddress"].is_string())
      addresses.push_back((*iface)["ipAddress"].get<std::string>());
  }
  return addresses;
}

// The file system a share of snapshot `snapId` belongs to. Only snapshots of file resources can
// be shared.
std::string shareFilesystem(const ObjectModel& model, const std::string& snapId) {
  const Json* snap = model.get("snap", snapId);
  if (snap == nullptr) throw notFound();
  const Json* sr = model.get("storageResource", refId(snap, "storageResource"));
  const int type = sr ? sr->value("type", 0) : 0;
  if (type != 1 && type != 3 && type != 9)
    invalidArgument("Only snapshots of file systems can be shared.");
  return refId(sr, "filesystem");
}

std::string nasOf(const ObjectModel& model, const std::string& filesystemId) {
  return model.typeDef("filesystem") != nullptr
             ? refId(model.get("filesystem", filesystemId), "nasServer")
             : std::string();
}

// Share names are unique per NAS server and protocol.
void checkShareName(const ObjectModel& model, const std::string& type, const std::string& name,
                    const std::string& nasId) {
  if (name.empty() || name.size() > 80)
    invalidArgument("The share name must have 1 to 80 characters.");
  model.forEach(type, [&](const Json& s) {
    if (s.value("name", std::string()) == name && nasOf(model, refId(&s, "filesystem")) == nasId)
      throw ApiError(409, code::kDuplicateName,
                     "A share with the name '" + name + "' already exists on the NAS server.");
    return true;
  });
}

void checkSharePath(const std::string& path) {
  if (path.empty() || path.size() > 1023 || path[0] != '/')
    invalidArgument("The share path must be an absolute path of 1 to 1023 characters.");
}

// Common attributes of a new share on snapshot `snapId`.
Json newShare(ActionContext& ctx, int type, std::string& nasId) {
  const std::string snapId = argRefId(ctx.args, "snap");
  const std::string filesystemId = shareFilesystem(ctx.model, snapId);
  nasId = nasOf(ctx.model, filesystemId);
  const std::string path = argString(ctx.args, "path");
  checkSharePath(path);
  Json share = {
      {"type", type}, {"snap", Json{{"id", snapId}}},     {"name", argString(ctx.args, "name")},
      {"path", path}, {"creationTime", isoTime(ctx.now)}, {"modificationTime", isoTime(ctx.now)}};
  if (!filesystemId.empty()) share["filesystem"] = Json{{"id", filesystemId}};
  return share;
}

// --- NFS ---

// Replaces the host lists named in `args`; a host may be in one list only, and must exist.
void applyHostLists(const ObjectModel& model, const Json& args, Json& share) {
  for (const char* list : kNfsHostLists) {
    if (!hasArg(args, list)) continue;
    Json hosts = Json::array();
    for (const Json& h : args[list]) {
      const std::string id = h["id"].get<std::string>();
      requireBodyHost(model, id);
      hosts.push_back(Json{{"id", id}});
    }
    share[list] = hosts;
  }
  std::set<std::string> seen;
  for (const char* list : kNfsHostLists) {
    if (!share.contains(list)) continue;
    for (const Json& h : share[list])
      if (!seen.insert(h["id"].get<std::string>()).second)
        invalidArgument("A host can be in only one host access list of an NFS share.");
  }
}

void applyDefaultAccess(const Json& args, Json& share) {
  if (!hasArg(args, "defaultAccess")) return;
  const long long access = argInt(args, "defaultAccess", 0);
  if (access < 0 || access > kNfsAccessMax)
    invalidArgument("The value of the argument 'defaultAccess' is not valid.");
  share["defaultAccess"] = access;
}

void applyNfsOptions(const Json& args, Json& share) {
  for (const char* k :
       {"description", "minSecurity", "anonymousUID", "anonymousGID", "exportOption", "isReadOnly"})
    if (hasArg(args, k)) share[k] = args[k];
}

ActionResult createNfsShare(ActionContext& ctx) {
  std::string nasId;
  Json share = newShare(ctx, kNfsShareType, nasId);
  checkShareName(ctx.model, "nfsShare", share["name"].get<std::string>(), nasId);
  share["defaultAccess"] = 0;
  share["role"] = 0;
  applyDefaultAccess(ctx.args, share);
  applyNfsOptions(ctx.args, share);
  applyHostLists(ctx.model, ctx.args, share);
  Json paths = Json::array();
  for (const std::string& address : nasAddresses(ctx.model, nasId))
    paths.push_back(address + ":/" + share["name"].get<std::string>());
  share["exportPaths"] = paths;
  return ActionResult::created(ctx.model.add("nfsShare", share));
}

ActionResult modifyNfsShare(ActionContext& ctx) {
  Json share = *ctx.model.get("nfsShare", ctx.id);
  applyDefaultAccess(ctx.args, share);
  applyNfsOptions(ctx.args, share);
  applyHostLists(ctx.model, ctx.args, share);
  share["modificationTime"] = isoTime(ctx.now);
  *ctx.model.get("nfsShare", ctx.id) = share;
  return ActionResult::noContent();
}

// --- CIFS ---

ActionResult createCifsShare(ActionContext& ctx) {
  std::string nasId;
  Json share = newShare(ctx, kCifsShareType, nasId);
  checkShareName(ctx.model, "cifsShare", share["name"].get<std::string>(), nasId);
  for (const char* k :
       {"description", "isReadOnly", "isACEEnabled", "isABEEnabled", "isBranchCacheEnabled",
        "isContinuousAvailabilityEnabled", "isEncryptionEnabled", "offlineAvailability", "umask"})
    if (hasArg(ctx.args, k)) share[k] = ctx.args[k];
  Json paths = Json::array();
  for (const std::string& address : nasAddresses(ctx.model, nasId))
    paths.push_back("\\\\" + address + "\\" + share["name"].get<std::string>());
  share["exportPaths"] = paths;
  share[kAceStore] = Json::array();
  return ActionResult::created(ctx.model.add("cifsShare", share));
}

// 200 with the entries, or 204 when there are none.
ActionResult getAces(ActionContext& ctx) {
  const Json& share = *ctx.model.get("cifsShare", ctx.id);
  const Json aces = share.value(kAceStore, Json::array());
  if (aces.empty()) return ActionResult::noContent();
  return ActionResult::output(Json{{"cifsShareACEs", aces}}, ctx.id);
}

// Each entry sets the SID's entry of its access type; access type 2 (None) removes every entry
// of the SID. Entries keep the order in which they were first set.
ActionResult setAces(ActionContext& ctx) {
  Json aces = ctx.model.get("cifsShare", ctx.id)->value(kAceStore, Json::array());
  for (const Json& e : ctx.args["cifsShareACEs"]) {
    if (!e.is_object() || !e.contains("sid") || !e["sid"].is_string() ||
        e["sid"].get<std::string>().empty())
      invalidArgument("Each access control entry needs a SID.");
    for (const auto& [k, v] : e.items())
      if (k != "sid" && k != "accessType" && k != "accessLevel")
        invalidArgument("Invalid argument '" + k + "' in 'cifsShareACEs'.");
    const Json type = e.value("accessType", Json(1));
    const Json level = e.value("accessLevel", Json(4));
    if (!type.is_number_integer() || type.get<long long>() < 0 || type.get<long long>() > 2)
      invalidArgument("The value of the argument 'accessType' is not valid.");
    if (!level.is_number_integer() ||
        (level.get<long long>() != 1 && level.get<long long>() != 2 && level.get<long long>() != 4))
      invalidArgument("The value of the argument 'accessLevel' is not valid.");
    const std::string sid = e["sid"].get<std::string>();
    const Json entry = {{"sid", sid}, {"accessType", type}, {"accessLevel", level}};
    Json kept = Json::array();
    bool set = type == 2;  // None only removes
    for (const Json& a : aces) {
      if (a["sid"] != sid || (type != 2 && a["accessType"] != type)) {
        kept.push_back(a);
      } else if (!set) {
        kept.push_back(entry);
        set = true;
      }
    }
    if (!set) kept.push_back(entry);
    aces = kept;
  }
  (*ctx.model.get("cifsShare", ctx.id))[kAceStore] = aces;
  return ActionResult::noContent();
}

ActionResult deleteShare(ActionContext& ctx) {
  ctx.model.remove(ctx.type, ctx.id);
  return ActionResult::noContent();
}

ActionSpec action(std::vector<ArgSpec> args, ActionFn run) {
  ActionSpec s;
  s.args = std::move(args);
  s.run = std::move(run);
  return s;
}

void shareAttributes(TypeSpec& t) {
  values(t, {"name", "type", "description", "path", "exportPaths", "isReadOnly", "creationTime",
             "modificationTime"});
  reference(t, "filesystem", "filesystem");
  reference(t, "snap", "snap");
}

}  // namespace

void defineShareTypes(ObjectModel& model) {
  const ArgKind B = ArgKind::Boolean, S = ArgKind::String, I = ArgKind::Integer;
  const ArgKind R = ArgKind::Reference, L = ArgKind::ReferenceList;

  TypeSpec nfs;
  nfs.name = "nfsShare";
  nfs.byName = true;
  nfs.idPrefix = "NFSShare_";
  shareAttributes(nfs);
  values(nfs, {"role", "defaultAccess", "minSecurity", "anonymousUID", "anonymousGID",
               "exportOption", "noAccessHostsString", "readOnlyHostsString", "readWriteHostsString",
               "readOnlyRootHostsString", "rootAccessHostsString"});
  for (const char* list : kNfsHostLists) references(nfs, list, "host");
  std::vector<ArgSpec> nfsArgs = {{"description", S},  {"defaultAccess", I}, {"minSecurity", I},
                                  {"anonymousUID", I}, {"anonymousGID", I},  {"exportOption", I},
                                  {"isReadOnly", B}};
  for (const char* list : kNfsHostLists) nfsArgs.push_back({list, L});
  std::vector<ArgSpec> nfsCreate = nfsArgs;
  nfsCreate.insert(nfsCreate.end(), {{"snap", R, true}, {"path", S, true}, {"name", S, true}});
  nfs.create = action(nfsCreate, createNfsShare);
  nfs.actions["modify"] = action(nfsArgs, modifyNfsShare);
  nfs.remove = action({}, deleteShare);
  model.define(nfs);

  TypeSpec cifs;
  cifs.name = "cifsShare";
  cifs.byName = true;
  cifs.idPrefix = "SMBShare_";
  shareAttributes(cifs);
  values(cifs,
         {"isACEEnabled", "isABEEnabled", "isBranchCacheEnabled", "isContinuousAvailabilityEnabled",
          "isEncryptionEnabled", "offlineAvailability", "umask"});
  cifs.create = action({{"snap", R, true},
                        {"path", S, true},
                        {"name", S, true},
                        {"description", S},
                        {"isReadOnly", B},
                        {"isACEEnabled", B},
                        {"isABEEnabled", B},
                        {"isBranchCacheEnabled", B},
                        {"isContinuousAvailabilityEnabled", B},
                        {"isEncryptionEnabled", B},
                        {"offlineAvailability", I},
                        {"umask", S}},
                       createCifsShare);
  cifs.actions["getACEs"] = action({}, getAces);
  cifs.actions["setACEs"] = action({{"cifsShareACEs", ArgKind::Array, true}}, setAces);
  cifs.remove = action({}, deleteShare);
  model.define(cifs);
}

}  // namespace unitysim
