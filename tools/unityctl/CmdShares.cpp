// unityctl nfs and cifs: exports and shares of file snapshots, their host access and access
// control entries.
#include <exception>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "tools/unityctl/Resolve.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

struct ShareArgs {
  std::string id;
  std::string name;
  std::string nas;
  std::string path;
  std::string host;
  unsigned long long snap = 0;
  int access = 0;
  std::vector<std::string> aces;
  bool clear = false;
};

const Row kNfsHeader = {"id",    "name",       "path", "filesystem", "defaultAccess",
                        "hosts", "exportPaths"};
const Row kCifsHeader = {"id", "name", "path", "filesystem", "snap", "exportPaths"};
const Row kAceHeader = {"sid", "accessType", "accessLevel"};

Values NfsRow(const _UnityNfsExportInfo& e) {
  std::vector<std::string> hosts;
  for (const auto& h : e.nfsHostAccess.hosts)
    hosts.push_back(h.first + ":" + std::to_string(h.second));
  const std::string fs = e.filesystem.name.empty()
                             ? e.filesystem.id
                             : e.filesystem.id + " (" + e.filesystem.name + ")";
  return {e.id,  e.name,       e.path, fs, static_cast<int>(e.nfsHostAccess.defaultAccess),
          hosts, e.exportPaths};
}

Values CifsRow(const _UnityCifsShareInfo& c) {
  const std::string fs = c.filesystem.name.empty()
                             ? c.filesystem.id
                             : c.filesystem.id + " (" + c.filesystem.name + ")";
  return {c.id, c.name, c.path, fs, c.snapId, c.exportPaths};
}

void PrintRecord(const Output& out, const Row& header, const Values& row) {
  Fields fields;
  for (size_t i = 0; i < header.size(); ++i) fields.emplace_back(header[i], row[i]);
  out.record(fields);
}

// The options that find exactly one export: by name (and NAS server) or by snapshot (and path).
// Which one is missing is the library's refusal to report.
void AddLookupOptions(CLI::App* command, ShareArgs& args) {
  auto* byName = command->add_option("-n,--name", args.name, "Export name");
  command->add_option("--nas", args.nas, "NAS server id or name (when the name is not unique)")
      ->needs(byName);
  auto* bySnap =
      command->add_option("-s,--snap", args.snap, "Snapshot id")->check(SnapshotIdCheck());
  command->add_option("-p,--path", args.path, "Path of the export on the snapshot")->needs(bySnap);
  byName->excludes(bySnap);
}

// The NAS server named by --nas, as the library takes it (its name); empty when not given.
int NasName(ManageEMCUnity& s, const std::string& given, std::string& name) {
  _UnityNASServer nas;
  if (!given.empty())
    if (const int status = ResolveNas(s, given, nas)) return status;
  name = nas.name;
  return kExitOk;
}

int FindExport(ManageEMCUnity& s, const ShareArgs& args, _UnityNfsExportInfo& found,
               const char* what) {
  std::string nas;
  if (const int status = NasName(s, args.nas, nas)) return status;
  const bool ok = args.snap != 0 ? s.GetNfsExportForPath(found, args.snap, args.path)
                                 : s.GetNfsExportForName(found, args.name, nas);
  return ok ? static_cast<int>(kExitOk) : ReportFailure(s, what);
}

// A grant or withdrawal: the export's current default stays, the one host gets `access`.
int ChangeHostAccess(ManageEMCUnity& s, const Output& out, const ShareArgs& args, int access,
                     const char* what) {
  std::string host;
  if (const int status = ResolveHost(s, args.host, host)) return status;
  _UnityNfsExportInfo current;
  if (const int status = FindExport(s, args, current, what)) return status;
  _UnityNfsHostAccess required;
  required.defaultAccess = current.nfsHostAccess.defaultAccess;
  required.hosts[host] = static_cast<_UNITY_NFS_DEF_ACCESS>(access);
  bool resultFlag = false;
  if (!s.SetNfsHostAccess(resultFlag, current, required)) return ReportFailure(s, what);
  out.action(std::string(what) + ": host " + host + " has access " + std::to_string(access) +
                 " to export " + current.name,
             {{"action", what}, {"export", current.id}, {"host", host}, {"access", access}});
  return kExitOk;
}

void RegisterNfsCommands(CLI::App& app, const CommonOptions& options, Action& action,
                         ShareArgs& args) {
  CLI::App* nfs = app.add_subcommand("nfs",
                                     "NFS exports of snapshots: create, show, list, grant, "
                                     "withdraw, delete");
  nfs->require_subcommand(1);

  CLI::App* create = nfs->add_subcommand("create", "Export a path of a file snapshot over NFS");
  create->add_option("-s,--snap", args.snap, "Snapshot id")->required()->check(SnapshotIdCheck());
  create->add_option("-n,--name", args.name, "Export name")->required();
  create->add_option("-p,--path", args.path, "Path inside the snapshot, e.g. /")->required();
  create
      ->add_option("--access", args.access,
                   "Default access: 0 none, 1 read-only, 2 read-write, 3 root")
      ->check(CLI::Range(0, 3));
  OnSession(create, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string id;
    if (!s.CreateNfsExport(id, args.snap, args.name,
                           static_cast<_UNITY_NFS_DEF_ACCESS>(args.access), args.path))
      return ReportFailure(s, "nfs create");
    out.action("created NFS export " + id + " (" + args.name + ")",
               {{"action", "nfs create"}, {"id", id}, {"name", args.name}, {"snap", args.snap}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* show = nfs->add_subcommand(
      "show", "Show exactly one export, by name (and NAS server) or by snapshot (and path)");
  AddLookupOptions(show, args);
  OnSession(show, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityNfsExportInfo found;
    if (const int status = FindExport(s, args, found, "nfs show")) return status;
    PrintRecord(out, kNfsHeader, NfsRow(found));
    return static_cast<int>(kExitOk);
  });

  CLI::App* list = nfs->add_subcommand("list", "List every export, or those giving a host root");
  list->add_option("--host", args.host, "Host id or name: exports with root access for it");
  OnSession(list, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string host;
    if (!args.host.empty())
      if (const int status = ResolveHost(s, args.host, host)) return status;
    std::vector<_UnityNfsExportInfo> exports;
    const bool ok =
        host.empty() ? s.GetNfsExportList(exports) : s.GetNfsExportsForHost(exports, host);
    if (!ok) return ReportFailure(s, "nfs list");
    std::vector<Values> rows;
    for (const _UnityNfsExportInfo& e : exports) rows.push_back(NfsRow(e));
    out.table(kNfsHeader, rows);
    return static_cast<int>(kExitOk);
  });

  CLI::App* grant = nfs->add_subcommand(
      "grant", "Give a host access to an export; every other host keeps its access");
  AddLookupOptions(grant, args);
  grant->add_option("--host", args.host, "Host id or name")->required();
  grant->add_option("--access", args.access, "1 read-only, 2 read-write, 3 root (default)")
      ->check(CLI::Range(1, 3));
  OnSession(grant, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    return ChangeHostAccess(s, out, args, args.access == 0 ? 3 : args.access, "nfs grant");
  });

  CLI::App* withdraw = nfs->add_subcommand(
      "withdraw", "Put a host on an export's no-access list; every other host keeps its access");
  AddLookupOptions(withdraw, args);
  withdraw->add_option("--host", args.host, "Host id or name")->required();
  OnSession(withdraw, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    return ChangeHostAccess(s, out, args, UNITY_NFS_DEF_ACCESS_NO_ACCESS, "nfs withdraw");
  });

  CLI::App* del = nfs->add_subcommand("delete", "Delete an export");
  del->add_option("-i,--id", args.id, "Export id (NFSShare_N)")->required();
  OnSession(del, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    if (!s.DeleteNfsExport(args.id)) return ReportFailure(s, "nfs delete");
    out.action("deleted NFS export " + args.id, {{"action", "nfs delete"}, {"id", args.id}});
    return static_cast<int>(kExitOk);
  });
}

// "SID:TYPE:LEVEL", e.g. S-1-5-32-551:1:4 (grant full control to Backup Operators).
bool ParseAce(const std::string& text, _UnityCifsShareACE& ace) {
  const std::string::size_type level = text.rfind(':');
  const std::string::size_type type =
      level == std::string::npos ? level : text.rfind(':', level - 1);
  if (type == std::string::npos || type == 0) return false;
  try {
    size_t used = 0;
    ace.sid = text.substr(0, type);
    const std::string typeText = text.substr(type + 1, level - type - 1);
    const std::string levelText = text.substr(level + 1);
    ace.accessType = std::stoi(typeText, &used);
    if (used != typeText.size()) return false;
    ace.accessLevel = std::stoi(levelText, &used);
    return used == levelText.size();
  } catch (const std::exception&) {
    return false;
  }
}

void RegisterCifsCommands(CLI::App& app, const CommonOptions& options, Action& action,
                          ShareArgs& args) {
  CLI::App* cifs = app.add_subcommand("cifs",
                                      "CIFS shares of snapshots: create, show, list, "
                                      "acl show/set, delete");
  cifs->require_subcommand(1);

  CLI::App* create = cifs->add_subcommand("create", "Share a path of a file snapshot over CIFS");
  create->add_option("-s,--snap", args.snap, "Snapshot id")->required()->check(SnapshotIdCheck());
  create->add_option("-n,--name", args.name, "Share name")->required();
  create->add_option("-p,--path", args.path, "Path inside the snapshot, e.g. /")->required();
  OnSession(create, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string id;
    if (!s.CreateCifsShare(id, args.snap, args.name, args.path))
      return ReportFailure(s, "cifs create");
    out.action("created CIFS share " + id + " (" + args.name + ")",
               {{"action", "cifs create"}, {"id", id}, {"name", args.name}, {"snap", args.snap}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* show =
      cifs->add_subcommand("show", "Show exactly one share, by name (and NAS server or snapshot)");
  show->add_option("-n,--name", args.name, "Share name")->required();
  auto* nas = show->add_option("--nas", args.nas, "NAS server id or name");
  show->add_option("-s,--snap", args.snap, "Snapshot id")->excludes(nas)->check(SnapshotIdCheck());
  OnSession(show, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string nasName;
    if (const int status = NasName(s, args.nas, nasName)) return status;
    _UnityCifsShareInfo found;
    const bool ok = args.snap != 0 ? s.GetCifsShareForSnap(found, args.snap, args.name)
                                   : s.GetCifsShareForName(found, args.name, nasName);
    if (!ok) return ReportFailure(s, "cifs show");
    PrintRecord(out, kCifsHeader, CifsRow(found));
    return static_cast<int>(kExitOk);
  });

  CLI::App* list = cifs->add_subcommand("list", "List every CIFS share");
  OnSession(list, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnityCifsShareInfo> shares;
    if (!s.GetCifsShareList(shares)) return ReportFailure(s, "cifs list");
    std::vector<Values> rows;
    for (const _UnityCifsShareInfo& c : shares) rows.push_back(CifsRow(c));
    out.table(kCifsHeader, rows);
    return static_cast<int>(kExitOk);
  });

  CLI::App* acl = cifs->add_subcommand("acl", "A share's access control entries: show, set");
  acl->require_subcommand(1);
  CLI::App* aclShow = acl->add_subcommand("show", "Show the entries in the array's order");
  aclShow->add_option("-i,--id", args.id, "Share id")->required();
  OnSession(aclShow, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::list<_UnityCifsShareACE> aces;
    if (!s.GetCifsShareACE(aces, args.id)) return ReportFailure(s, "cifs acl show");
    std::vector<Values> rows;
    for (const _UnityCifsShareACE& a : aces) rows.push_back({a.sid, a.accessType, a.accessLevel});
    out.table(kAceHeader, rows);
    return static_cast<int>(kExitOk);
  });
  CLI::App* aclSet = acl->add_subcommand(
      "set", "Send entries in order (type 0 deny, 1 grant, 2 none; level 1 read, 2 write, 4 full)");
  aclSet->add_option("-i,--id", args.id, "Share id")->required();
  auto* ace = aclSet->add_option("--ace", args.aces, "Entry SID:TYPE:LEVEL (repeatable)");
  auto* clear = aclSet->add_flag("--clear", args.clear, "Send an empty list");
  ace->excludes(clear);
  OnSession(aclSet, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    if (args.aces.empty() && !args.clear)
      return Complain(kExitUsage, "cifs acl set: give --ace entries, or --clear for none");
    std::list<_UnityCifsShareACE> aces;
    for (const std::string& text : args.aces) {
      _UnityCifsShareACE entry;
      if (!ParseAce(text, entry))
        return Complain(kExitUsage, "cifs acl set: " + text + " is not SID:TYPE:LEVEL",
                        "give e.g. S-1-5-32-551:1:4 (type 1 grant, level 4 full control)");
      aces.push_back(entry);
    }
    if (!s.SetCifsShareACE(args.id, aces)) return ReportFailure(s, "cifs acl set");
    out.action("sent " + std::to_string(aces.size()) + " access entries to share " + args.id,
               {{"action", "cifs acl set"}, {"id", args.id}, {"entries", aces.size()}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* del = cifs->add_subcommand("delete", "Delete a share");
  del->add_option("-i,--id", args.id, "Share id")->required();
  OnSession(del, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    if (!s.DeleteCifsShare(args.id)) return ReportFailure(s, "cifs delete");
    out.action("deleted CIFS share " + args.id, {{"action", "cifs delete"}, {"id", args.id}});
    return static_cast<int>(kExitOk);
  });
}

}  // namespace

void RegisterNfs(CLI::App& app, const CommonOptions& options, Action& action) {
  static ShareArgs args;
  RegisterNfsCommands(app, options, action, args);
}

void RegisterCifs(CLI::App& app, const CommonOptions& options, Action& action) {
  static ShareArgs args;
  RegisterCifsCommands(app, options, action, args);
}

}  // namespace unityctl
