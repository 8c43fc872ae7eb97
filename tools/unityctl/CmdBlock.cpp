// Block exposure: LUNs and storage resources with their host access, host LUNs, and snapshot
// attach and detach for hosts.
#include <set>
#include <string>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "tools/unityctl/Resolve.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

struct BlockArgs {
  std::string wwn;
  std::string id;
  std::string name;
  int type = 8;
  std::string host;
  int mask = 1;
  bool group = false;
  SnapID snapId = 0;
  std::vector<std::string> hosts;
  std::vector<unsigned long long> snapIds;
};

// The access mask the array reports for a host whose access differs between a group's LUNs.
constexpr int kMixedAccess = 65535;

std::vector<std::string> AccessList(const std::vector<_UnityHostAccess>& list) {
  std::vector<std::string> entries;
  for (const _UnityHostAccess& entry : list)
    entries.push_back(entry.hostId + ":" + std::to_string(entry.accessMask));
  return entries;
}

std::string Joined(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& item : list) text += (text.empty() ? "" : ",") + item;
  return text;
}

void PrintResource(const _UnityStorageResource& r, const Output& out) {
  out.record({{"id", r.id},
              {"name", r.name},
              {"type", static_cast<int>(r.type)},
              {"hostAccess", AccessList(r.hostAccess)},
              {"luns", r.lunIds}});
}

// After a failed grant or withdrawal: the whole access list goes back to the array, and an entry
// of another host with mixed access (its LUNs differ) is a value the array may refuse. Names
// such hosts before the failure itself, so the refusal is not taken to be about the mask given.
// The session's error state stays the grant's.
void ExplainMixedAccess(ManageEMCUnity& s, const std::string& resourceId,
                        const std::string& hostId) {
  const unsigned long long code = s.errorCode;
  const std::string text = s.errorText;
  const long long status = s.httpStatus;
  _UnityStorageResource resource;
  if (s.GetStorageResourceInfo(resource, resourceId)) {
    for (const _UnityHostAccess& entry : resource.hostAccess) {
      if (entry.accessMask != kMixedAccess || entry.hostId == hostId) continue;
      Complain(kExitFailed,
               "host " + entry.hostId + " has mixed access (65535) on " + resourceId +
                   ", which the array may refuse when the access list is sent back",
               "set " + entry.hostId + "'s access on each LUN of " + resourceId +
                   " (lun grant -r LUN --host " + entry.hostId + "), then retry");
    }
  }
  s.errorCode = code;  // the failure reported is the grant's
  s.errorText = text;
  s.httpStatus = status;
}

// grant / withdraw: the same inputs, the bits added or cleared.
void AddAccessCommand(CLI::App* lun, const CommonOptions& options, Action& action, BlockArgs& args,
                      bool remove) {
  CLI::App* command =
      lun->add_subcommand(remove ? "withdraw" : "grant",
                          remove ? "Clear access bits of a host on a LUN or consistency group"
                                 : "Add access bits for a host on a LUN or consistency group");
  command->add_option("-r,--resource", args.id, "Storage resource id or name")->required();
  command->add_option("--host", args.host, "Host id or name (every listed host when omitted)");
  command->add_option("-m,--mask", args.mask, "Access bits: 1 production, 2 snapshots, 3 both")
      ->check(CLI::Range(1, 3));
  command->add_flag("-g,--group", args.group, "The resource is a consistency group");
  OnSession(command, options, action, [&args, remove](ManageEMCUnity& s, const Output& out) {
    const char* what = remove ? "lun withdraw" : "lun grant";
    std::string resourceId;
    std::string hostId;
    if (const int status =
            ResolveResource(s, args.id, {args.group ? kGroupResource : kLunResource}, resourceId))
      return status;
    if (!args.host.empty())
      if (const int status = ResolveHost(s, args.host, hostId)) return status;
    if (!s.LunAccessToHost(resourceId, hostId, args.group, args.mask, remove)) {
      if (s.errorCode != 2) ExplainMixedAccess(s, resourceId, hostId);
      return ReportFailure(s, what);
    }
    _UnityStorageResource resource;
    if (!s.GetStorageResourceInfo(resource, resourceId)) return ReportFailure(s, "lun resource");
    PrintResource(resource, out);
    return static_cast<int>(kExitOk);
  });
}

// snap attach / detach: the host list decides between the plain and the host-specific form.
void AddExposeCommand(CLI::App* snap, const CommonOptions& options, Action& action, BlockArgs& args,
                      bool attach) {
  CLI::App* command = snap->add_subcommand(
      attach ? "attach" : "detach",
      attach ? "Attach a block snapshot, to the given hosts (API 5.0 on) or as it is"
             : "Detach a block snapshot from the given hosts, or entirely");
  command->add_option("-i,--id", args.snapId, "Snapshot id")->required()->check(SnapshotIdCheck());
  command->add_option("--host", args.hosts, "Host ids or names");
  OnSession(command, options, action, [&args, attach](ManageEMCUnity& s, const Output& out) {
    std::vector<std::string> hostIds;
    if (const int status = ResolveHosts(s, args.hosts, hostIds)) return status;
    // The request form depends on the array's API version, which only a login with the version
    // query reveals.
    if (!s.OpenConnection(true)) return ReportFailure(s, attach ? "snap attach" : "snap detach");
    JobProgress progress;
    const std::set<std::string> hosts(hostIds.begin(), hostIds.end());
    if (!s.ExposeLunAccess(args.snapId, hosts, attach))
      return ReportFailure(s, attach ? "snap attach" : "snap detach");
    std::string text =
        std::string(attach ? "attached" : "detached") + " snapshot " + std::to_string(args.snapId);
    if (!hosts.empty()) text += (attach ? " to " : " from ") + Joined(hostIds);
    out.action(text, {{"action", attach ? "snap attach" : "snap detach"},
                      {"id", args.snapId},
                      {"hosts", hostIds}});
    return static_cast<int>(kExitOk);
  });
}

}  // namespace

void RegisterBlock(CLI::App& app, const CommonOptions& options, Action& action) {
  static BlockArgs args;
  CLI::App* lun = app.add_subcommand(
      "lun", "LUNs and storage resources: show, resource, grant and withdraw host access");
  lun->require_subcommand(1);

  CLI::App* show = lun->add_subcommand("show", "Show the LUN with a WWN");
  show->add_option("-w,--wwn", args.wwn, "LUN WWN")->required();
  OnSession(show, options, action, [](ManageEMCUnity& s, const Output& out) {
    _UnityLunInfo info;
    if (!s.GetLunInfoFromWWN(info, args.wwn)) return ReportFailure(s, "lun show");
    out.record({{"id", info.id},
                {"name", info.name},
                {"wwn", info.wwn},
                {"snapWwn", info.snapWwn},
                {"resource", info.storageResource.id},
                {"resourceName", info.storageResource.name},
                {"resourceType", static_cast<int>(info.storageResource.type)}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* resource =
      lun->add_subcommand("resource", "Show a storage resource by id, or by name and type");
  auto* byId = resource->add_option("-i,--id", args.id, "Storage resource id");
  auto* byName = resource->add_option("-n,--name", args.name, "Storage resource name");
  byId->excludes(byName);
  resource->require_option(1, 2);
  resource->add_option("-t,--type", args.type, "Type with --name: 2 consistency group, 8 LUN")
      ->needs(byName);
  OnSession(resource, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::string id = args.id;
    if (!args.name.empty())
      if (const int status =
              ResolveResource(s, args.name, {static_cast<_UNITY_STG_RES_TYPE>(args.type)}, id))
        return status;
    _UnityStorageResource info;
    if (!s.GetStorageResourceInfo(info, id)) return ReportFailure(s, "lun resource");
    PrintResource(info, out);
    return static_cast<int>(kExitOk);
  });

  AddAccessCommand(lun, options, action, args, false);
  AddAccessCommand(lun, options, action, args, true);

  CLI::App* hostlun = app.add_subcommand("hostlun", "Host LUNs of snapshots");
  hostlun->require_subcommand(1);
  CLI::App* list =
      hostlun->add_subcommand("list", "List snapshot host LUNs, by snapshots and hosts");
  list->add_option("-s,--snap", args.snapIds, "Snapshot or snapshot group ids")
      ->check(SnapshotIdCheck());
  list->add_option("--host", args.hosts, "Host ids or names");
  OnSession(list, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::vector<std::string> hostIds;
    if (const int status = ResolveHosts(s, args.hosts, hostIds)) return status;
    std::vector<_UnityHostLun> found;
    if (!s.GetSnapHostLun(found, args.snapIds,
                          std::set<std::string>(hostIds.begin(), hostIds.end())))
      return ReportFailure(s, "hostlun list");
    std::vector<Values> rows;
    for (const _UnityHostLun& h : found)
      rows.push_back({h.id, h.hostId, static_cast<int>(h.type), h.snapId, h.lunId});
    out.table({"id", "host", "type", "snap", "lun"}, rows);
    return static_cast<int>(kExitOk);
  });

  CLI::App* snap = app.get_subcommand("snap");
  AddExposeCommand(snap, options, action, args, true);
  AddExposeCommand(snap, options, action, args, false);
}

}  // namespace unityctl
