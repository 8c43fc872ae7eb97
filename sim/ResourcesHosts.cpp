// Hosts and the identities through which they reach the array: host initiators (FC and iSCSI),
// their paths (which show whether an initiator is logged in), host IP ports, and the array's own
// iSCSI nodes.

#include "sim/Args.h"
#include "sim/Errors.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {
namespace {

constexpr long long kInitiatorFc = 1;
constexpr long long kInitiatorIscsi = 2;
constexpr size_t kMaxHostNameChars = 255;

// The array's rule for host names: 1 to 255 characters, no leading "-", no control characters
// (C0, DEL, C1) and none of / " %.
void checkHostName(const std::string& name) {
  size_t chars = 0;
  bool valid = !name.empty() && name.front() != '-';
  for (size_t i = 0; valid && i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if ((c & 0xC0) != 0x80) ++chars;
    if (c < 0x20 || c == 0x7F || c == '/' || c == '"' || c == '%') valid = false;
    // U+0080..U+009F in UTF-8: C2 80..C2 9F.
    if (c == 0xC2 && i + 1 < name.size()) {
      const unsigned char next = static_cast<unsigned char>(name[i + 1]);
      if (next >= 0x80 && next <= 0x9F) valid = false;
    }
  }
  if (!valid || chars > kMaxHostNameChars)
    invalidArgument("The value of the argument 'name' is not valid.");
}

std::string refId(const Json& o, const char* attr) {
  auto it = o.find(attr);
  return it != o.end() && it->is_object() ? it->value("id", std::string()) : std::string();
}

void checkUniqueHostName(const ObjectModel& model, const std::string& name,
                         const std::string& exceptId) {
  model.forEach("host", [&](const Json& h) {
    if (equalsIgnoreCase(h.value("name", std::string()), name) &&
        h.value("id", std::string()) != exceptId)
      throw ApiError(409, code::kDuplicateName,
                     "A host with the name '" + name + "' already exists.");
    return true;
  });
}

ActionResult createHost(ActionContext& ctx) {
  const long long type = argInt(ctx.args, "type", 0);
  if (type < 1 || (type > 5 && type != 255))
    invalidArgument("The value of the argument 'type' is not valid.");
  const std::string name = argString(ctx.args, "name");
  checkHostName(name);
  checkUniqueHostName(ctx.model, name, "");
  Json host = {{"name", name},
               {"type", type},
               {"description", argString(ctx.args, "description")},
               {"osType", argString(ctx.args, "osType")},
               {"health", Json{{"value", 5}}}};
  return ActionResult::created(ctx.model.add("host", host));
}

ActionResult modifyHost(ActionContext& ctx) {
  Json host = *ctx.model.get("host", ctx.id);
  if (hasArg(ctx.args, "name")) {
    const std::string name = argString(ctx.args, "name");
    checkHostName(name);
    checkUniqueHostName(ctx.model, name, ctx.id);
    host["name"] = name;
  }
  for (const char* k : {"description", "osType"})
    if (hasArg(ctx.args, k)) host[k] = argString(ctx.args, k);
  *ctx.model.get("host", ctx.id) = host;
  return ActionResult::noContent();
}

// True when `value` holds a reference to the host: a "host" attribute naming it, or an entry of a
// host list ("rootAccessHosts", "readWriteHosts", ...) naming it.
bool mentionsHost(const Json& value, const std::string& hostId, bool inHostList) {
  if (value.is_object()) {
    if (inHostList && value.value("id", std::string()) == hostId) return true;
    for (const auto& [key, inner] : value.items()) {
      if (key == "host" && inner.is_object() && inner.value("id", std::string()) == hostId)
        return true;
      const bool hostList = key.size() >= 5 && key.compare(key.size() - 5, 5, "Hosts") == 0;
      if ((inner.is_object() || inner.is_array()) && mentionsHost(inner, hostId, hostList))
        return true;
    }
  } else if (value.is_array()) {
    for (const Json& e : value)
      if (mentionsHost(e, hostId, inHostList)) return true;
  }
  return false;
}

// The array keeps a host while storage or shares still grant it access.
ActionResult deleteHost(ActionContext& ctx) {
  for (const char* type : {"storageResource", "lun", "snap", "hostLUN", "nfsShare"}) {
    if (ctx.model.typeDef(type) == nullptr) continue;
    bool used = false;
    ctx.model.forEach(type, [&](const Json& o) {
      used = mentionsHost(o, ctx.id, false);
      return !used;
    });
    if (used)
      throw ApiError(409, code::kHostInUse,
                     "The host cannot be deleted because storage resources or shares still grant "
                     "it access.");
  }
  // Initiators outlive their host (they can be registered again); its IP ports do not.
  std::vector<std::string> ports;
  std::vector<std::string> initiators;
  ctx.model.forEach("hostIPPort", [&](const Json& p) {
    if (refId(p, "host") == ctx.id) ports.push_back(p.value("id", std::string()));
    return true;
  });
  ctx.model.forEach("hostInitiator", [&](const Json& i) {
    if (refId(i, "parentHost") == ctx.id) initiators.push_back(i.value("id", std::string()));
    return true;
  });
  for (const std::string& id : ports) ctx.model.remove("hostIPPort", id);
  for (const std::string& id : initiators)
    ctx.model.update("hostInitiator", id, [](Json& i) { i.erase("parentHost"); });
  ctx.model.remove("host", ctx.id);
  return ActionResult::noContent();
}

ActionResult createInitiator(ActionContext& ctx) {
  const std::string hostId = argRefId(ctx.args, "host");
  requireBodyHost(ctx.model, hostId);
  const long long type = argInt(ctx.args, "initiatorType", 0);
  if (type != kInitiatorFc && type != kInitiatorIscsi)
    invalidArgument("The value of the argument 'initiatorType' is not valid.");
  const std::string wwnOrIqn = argString(ctx.args, "initiatorWWNorIqn");
  if (wwnOrIqn.empty())
    invalidArgument("The value of the argument 'initiatorWWNorIqn' is not valid.");
  ctx.model.forEach("hostInitiator", [&](const Json& i) {
    if (equalsIgnoreCase(i.value("initiatorId", std::string()), wwnOrIqn))
      throw ApiError(422, code::kHostInitiatorExists,
                     "The specified host initiator already exists.");
    return true;
  });
  Json initiator = {{"type", type},
                    {"initiatorId", wwnOrIqn},
                    {"parentHost", Json{{"id", hostId}}},
                    {"isIgnored", argBool(ctx.args, "isIgnored", false)},
                    {"initiatorSourceType", argInt(ctx.args, "initiatorSourceType", 0)},
                    {"paths", Json::array()}};
  // An FC initiator id is the node WWN followed by the port WWN, 8 bytes each.
  constexpr size_t kWwnText = 23;  // "20:00:00:25:B5:0A:00:01"
  if (type == kInitiatorFc && wwnOrIqn.size() == 2 * kWwnText + 1) {
    initiator["nodeWWN"] = wwnOrIqn.substr(0, kWwnText);
    initiator["portWWN"] = wwnOrIqn.substr(kWwnText + 1);
  }
  if (hasArg(ctx.args, "chapUser")) initiator["chapUserName"] = argString(ctx.args, "chapUser");
  initiator["isChapSecretEnabled"] = hasArg(ctx.args, "chapSecret");
  return ActionResult::created(ctx.model.add("hostInitiator", initiator));
}

ActionResult modifyInitiator(ActionContext& ctx) {
  Json initiator = *ctx.model.get("hostInitiator", ctx.id);
  if (hasArg(ctx.args, "host")) {
    const std::string hostId = argRefId(ctx.args, "host");
    requireBodyHost(ctx.model, hostId);
    initiator["parentHost"] = Json{{"id", hostId}};
  }
  if (hasArg(ctx.args, "isIgnored")) initiator["isIgnored"] = argBool(ctx.args, "isIgnored", false);
  if (hasArg(ctx.args, "chapUser")) initiator["chapUserName"] = argString(ctx.args, "chapUser");
  *ctx.model.get("hostInitiator", ctx.id) = initiator;
  return ActionResult::noContent();
}

// Initiators and IP ports go without further checks.
ActionResult removeInstance(ActionContext& ctx) {
  ctx.model.remove(ctx.type, ctx.id);
  return ActionResult::noContent();
}

ActionResult createIPPort(ActionContext& ctx) {
  const std::string hostId = argRefId(ctx.args, "host");
  requireBodyHost(ctx.model, hostId);
  const std::string address = argString(ctx.args, "address");
  if (address.empty()) invalidArgument("The value of the argument 'address' is not valid.");
  Json port = {{"address", address},
               {"host", Json{{"id", hostId}}},
               {"isIgnored", argBool(ctx.args, "isIgnored", false)}};
  if (hasArg(ctx.args, "netmask")) port["netmask"] = argString(ctx.args, "netmask");
  if (hasArg(ctx.args, "v6PrefixLength"))
    port["v6PrefixLength"] = argInt(ctx.args, "v6PrefixLength", 0);
  return ActionResult::created(ctx.model.add("hostIPPort", port));
}

const ArgKind B = ArgKind::Boolean, S = ArgKind::String, I = ArgKind::Integer,
              R = ArgKind::Reference;

void defineHost(ObjectModel& model) {
  TypeSpec t;
  t.name = "host";
  t.byName = true;
  t.idPrefix = "Host_";
  values(t, {"name", "description", "type", "osType", "autoManageType", "registrationType"});
  embedded(t, "health", "health");
  reference(t, "tenant", "tenant");
  t.create = ActionSpec{
      {{"type", I, true}, {"name", S, true}, {"description", S}, {"osType", S}, {"tenant", R}},
      createHost,
      "job.hostservice.job.Create"};
  t.remove = ActionSpec{{}, deleteHost, "job.hostservice.job.Delete"};
  t.actions["modify"] = ActionSpec{
      {{"name", S}, {"description", S}, {"osType", S}}, modifyHost, "job.hostservice.job.Modify"};
  model.define(t);
}

void defineInitiators(ObjectModel& model) {
  TypeSpec t;
  t.name = "hostInitiator";
  t.byName = true;
  t.idPrefix = "HostInitiator_";
  values(t, {"type", "initiatorId", "isIgnored", "nodeWWN", "portWWN", "chapUserName",
             "isChapSecretEnabled", "iscsiType", "isBound", "initiatorSourceType", "failoverMode",
             "isLunZEnabled"});
  embedded(t, "health", "health");
  reference(t, "parentHost", "host");
  references(t, "paths", "hostInitiatorPath");
  t.create = ActionSpec{{{"host", R, true},
                         {"initiatorType", I, true},
                         {"initiatorWWNorIqn", S, true},
                         {"chapUser", S},
                         {"chapSecret", S},
                         {"chapSecretType", I},
                         {"isIgnored", B},
                         {"initiatorSourceType", I},
                         {"failoverMode", I},
                         {"isLunZEnabled", B},
                         {"isArraySerialNumber", B}},
                        createInitiator,
                        "job.hostservice.job.CreateInitiator"};
  t.remove = ActionSpec{{{"force", B}}, removeInstance, "job.hostservice.job.DeleteInitiator"};
  t.actions["modify"] = ActionSpec{{{"host", R},
                                    {"isIgnored", B},
                                    {"chapUser", S},
                                    {"chapSecret", S},
                                    {"chapSecretType", I},
                                    {"addToAllowList", B}},
                                   modifyInitiator,
                                   "job.hostservice.job.ModifyInitiator"};
  model.define(t);

  TypeSpec path;
  path.name = "hostInitiatorPath";
  path.idPrefix = "HostInitiatorPath_";
  values(path, {"registrationType", "isLoggedIn", "hostPushName", "sessionIds"});
  reference(path, "initiator", "hostInitiator");
  reference(path, "fcPort", "fcPort");
  reference(path, "iscsiPortal", "iscsiPortal");
  model.define(path);
}

void defineIPPortsAndNodes(ObjectModel& model) {
  TypeSpec port;
  port.name = "hostIPPort";
  port.byName = true;
  port.idPrefix = "HostNetworkAddress_";
  values(port, {"name", "type", "address", "netmask", "v6PrefixLength", "isIgnored"});
  reference(port, "host", "host");
  port.create = ActionSpec{{{"host", R, true},
                            {"address", S, true},
                            {"netmask", S},
                            {"v6PrefixLength", I},
                            {"isIgnored", B}},
                           createIPPort,
                           "job.hostservice.job.CreateIPPort"};
  port.remove = ActionSpec{{}, removeInstance, "job.hostservice.job.DeleteIPPort"};
  model.define(port);

  TypeSpec node;
  node.name = "iscsiNode";
  node.byName = true;
  values(node, {"name", "alias"});
  reference(node, "ethernetPort", "ethernetPort");
  model.define(node);
}

}  // namespace

void defineHostTypes(ObjectModel& model) {
  defineHost(model);
  defineInitiators(model);
  defineIPPortsAndNodes(model);
}

}  // namespace unitysim
