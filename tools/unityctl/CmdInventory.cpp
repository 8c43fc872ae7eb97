// Inventory listings: resource list, lun list, fs list and host list. Each lists every object of
// its kind (or those of one exact name) over all result pages.
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "tools/unityctl/Resolve.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

struct InventoryArgs {
  std::string name;
  std::string type;
  std::string nas;
};

// The array's storage-resource type numbers under the names the command takes.
const std::map<std::string, int> kResourceTypes = {
    {"fs", 1},  {"cg", 2},     {"vmwarefs", 3},   {"vmwareiscsi", 4},
    {"lun", 8}, {"vvolfs", 9}, {"vvoliscsi", 10},
};

std::string TypeName(int type) {
  for (const auto& entry : kResourceTypes) {
    if (entry.second == type) return entry.first;
  }
  return std::to_string(type);
}

// The items of `list` as texts: one cell that JSON carries as an array.
template <typename Item, typename Text>
std::vector<std::string> Texts(const std::vector<Item>& list, Text text) {
  std::vector<std::string> texts;
  for (const Item& item : list) texts.push_back(text(item));
  return texts;
}

// "--name" of every listing: an exact name, every object when omitted.
void AddNameOption(CLI::App* list, InventoryArgs& args, const char* what) {
  list->add_option("-n,--name", args.name,
                   std::string("Exact ") + what + " name (all when omitted)");
}

void RegisterResourceList(CLI::App& app, const CommonOptions& options, Action& action,
                          InventoryArgs& args) {
  CLI::App* resource = app.add_subcommand("resource", "Storage resources of every type: list");
  resource->require_subcommand(1);
  CLI::App* list = resource->add_subcommand(
      "list", "List storage resources with their LUNs and host access (host:accessMask)");
  AddNameOption(list, args, "resource");
  list->add_option("-t,--type", args.type,
                   "Only this type: fs, cg, vmwarefs, vmwareiscsi, lun, vvolfs, vvoliscsi or the "
                   "array's type number");
  list->footer("Example:\n  unityctl resource list --type cg");
  OnSession(list, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    int type = UNITY_STG_RES_TYPE_UNKNOWN;
    if (!args.type.empty()) {
      const auto named = kResourceTypes.find(args.type);
      char* end = nullptr;
      type = named != kResourceTypes.end()
                 ? named->second
                 : static_cast<int>(std::strtol(args.type.c_str(), &end, 10));
      if (named == kResourceTypes.end() && (*end != '\0' || type < 0)) {
        return Complain(kExitUsage, "resource list: unknown type '" + args.type + "'",
                        "give fs, cg, vmwarefs, vmwareiscsi, lun, vvolfs, vvoliscsi or a number");
      }
    }
    std::vector<_UnityStorageResource> resources;
    if (!s.ListStorageResources(resources, static_cast<_UNITY_STG_RES_TYPE>(type), args.name))
      return ReportFailure(s, "resource list");
    std::vector<Values> rows;
    rows.reserve(resources.size());
    for (const _UnityStorageResource& r : resources) {
      rows.push_back({r.id, r.name, TypeName(r.type), r.lunIds,
                      Texts(r.hostAccess, [](const _UnityHostAccess& a) {
                        return a.hostId + ":" + std::to_string(a.accessMask);
                      })});
    }
    out.table({"id", "name", "type", "luns", "hostAccess"}, rows);
    return static_cast<int>(kExitOk);
  });
}

void RegisterLunList(CLI::App& app, const CommonOptions& options, Action& action,
                     InventoryArgs& args) {
  CLI::App* list =
      app.get_subcommand("lun")->add_subcommand("list", "List LUNs with their sizes in bytes");
  AddNameOption(list, args, "LUN");
  list->footer("Example:\n  unityctl lun list --name Oracle_Data");
  OnSession(list, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnityLunListEntry> luns;
    if (!s.ListLuns(luns, args.name)) return ReportFailure(s, "lun list");
    std::vector<Values> rows;
    rows.reserve(luns.size());
    for (const _UnityLunListEntry& lun : luns) {
      rows.push_back(
          {lun.id, lun.name, lun.wwn, lun.storageResourceId, lun.sizeTotal, lun.sizeAllocated});
    }
    out.table({"id", "name", "wwn", "resource", "sizeTotal", "sizeAllocated"}, rows);
    return static_cast<int>(kExitOk);
  });
}

void RegisterFsList(CLI::App& app, const CommonOptions& options, Action& action,
                    InventoryArgs& args) {
  CLI::App* list = app.get_subcommand("fs")->add_subcommand(
      "list", "List file systems of every NAS server, or of one");
  AddNameOption(list, args, "file system");
  list->add_option("--nas", args.nas, "NAS server id or name (all NAS servers when omitted)");
  list->footer("Example:\n  unityctl fs list --nas NAS_Prod");
  OnSession(list, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityNASServer nas;
    if (!args.nas.empty())
      if (const int status = ResolveNas(s, args.nas, nas)) return status;
    std::vector<_UnityFSListEntry> fileSystems;
    if (!s.ListFileSystems(fileSystems, nas.name, args.name)) return ReportFailure(s, "fs list");
    std::vector<Values> rows;
    rows.reserve(fileSystems.size());
    for (const _UnityFSListEntry& entry : fileSystems) {
      const _UnityFSInfo& fs = entry.fs;
      rows.push_back({fs.id, fs.name, entry.nasServerId, entry.nasServerName, fs.storageResource.id,
                      static_cast<int>(fs.type), static_cast<int>(fs.supportedProtocols)});
    }
    out.table({"id", "name", "nas", "nasName", "resource", "type", "protocols"}, rows);
    return static_cast<int>(kExitOk);
  });
}

void RegisterHostList(CLI::App& app, const CommonOptions& options, Action& action,
                      InventoryArgs& args) {
  CLI::App* list = app.get_subcommand("host")->add_subcommand(
      "list", "List hosts with their initiators (id:type:WWN or IQN) and IP ports");
  AddNameOption(list, args, "host");
  list->footer("Example:\n  unityctl host list --name backup-srv-01");
  OnSession(list, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnityHostListEntry> hosts;
    if (!s.ListHosts(hosts, args.name)) return ReportFailure(s, "host list");
    std::vector<Values> rows;
    rows.reserve(hosts.size());
    for (const _UnityHostListEntry& host : hosts) {
      rows.push_back(
          {host.id, host.name, static_cast<int>(host.type), host.osType,
           Texts(host.initiators,
                 [](const _UnityHostInitiatorInfo& i) {
                   return i.id + ":" + std::to_string(i.type) + ":" + i.initiatorId;
                 }),
           Texts(host.ipPorts, [](const _UnityHostIPPort& p) { return p.id + ":" + p.address; })});
    }
    out.table({"id", "name", "type", "osType", "initiators", "ipPorts"}, rows);
    return static_cast<int>(kExitOk);
  });
}

}  // namespace

void RegisterInventory(CLI::App& app, const CommonOptions& options, Action& action) {
  static InventoryArgs args;
  RegisterResourceList(app, options, action, args);
  RegisterLunList(app, options, action, args);
  RegisterFsList(app, options, action, args);
  RegisterHostList(app, options, action, args);
}

}  // namespace unityctl
