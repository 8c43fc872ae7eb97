// unityctl nfs and cifs: exports and shares of file snapshots, their host access and access
// control entries.
#include <cstdio>
#include <exception>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
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

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
  return out;
}

const Row kNfsHeader = {"id",    "name",       "path", "filesystem", "defaultAccess",
                        "hosts", "exportPaths"};
const Row kCifsHeader = {"id", "name", "path", "filesystem", "snap", "exportPaths"};
const Row kAceHeader = {"sid", "accessType", "accessLevel"};

Row NfsRow(const _UnityNfsExportInfo& e) {
  std::vector<std::string> hosts;
  for (const auto& h : e.nfsHostAccess.hosts)
    hosts.push_back(h.first + ":" + std::to_string(h.second));
  const std::string fs = e.filesystem.name.empty()
                             ? e.filesystem.id
                             : e.filesystem.id + " (" + e.filesystem.name + ")";
  return {e.id,
          e.name,
          e.path,
          fs,
          std::to_string(e.nfsHostAccess.defaultAccess),
          Join(hosts),
          Join(e.exportPaths)};
}

Row CifsRow(const _UnityCifsShareInfo& c) {
  const std::string fs = c.filesystem.name.empty()
                             ? c.filesystem.id
                             : c.filesystem.id + " (" + c.filesystem.name + ")";
  return {c.id, c.name, c.path, fs, std::to_string(c.snapId), Join(c.exportPaths)};
}

void PrintRecord(const Output& out, const Row& header, const Row& row) {
  std::vector<std::pair<std::string, std::string>> fields;
  for (size_t i = 0; i < header.size(); ++i) fields.emplace_back(header[i], row[i]);
  out.record(fields);
}

// The options that find exactly one export: by name (and NAS server) or by snapshot (and path).
// Which one is missing is the library's refusal to report.
void AddLookupOptions(CLI::App* command, ShareArgs& args) {
  auto* byName = command->add_option("-n,--name", args.name, "Export name");
  command->add_option("--nas", args.nas, "NAS server name (when the name is not unique)")
      ->needs(byName);
  auto* bySnap = command->add_option("-s,--snap", args.snap, "Snapshot id");
  command->add_option("-p,--path", args.path, "Path of the export on the snapshot")->needs(bySnap);
  byName->excludes(bySnap);
}

bool FindExport(ManageEMCUnity& s, const ShareArgs& args, _UnityNfsExportInfo& found) {
  return args.snap != 0 ? s.GetNfsExportForPath(found, args.snap, args.path)
                        : s.GetNfsExportForName(found, args.name, args.nas);
}

// A grant or withdrawal: the export's current default stays, the one host gets `access`.
int ChangeHostAccess(ManageEMCUnity& s, const Output& out, const ShareArgs& args, int access,
                     const char* what) {
  _UnityNfsExportInfo current;
  if (!FindExport(s, args, current)) return ReportFailure(s, what);
  _UnityNfsHostAccess required;
  required.defaultAccess = current.nfsHostAccess.defaultAccess;
  required.hosts[args.host] = static_cast<_UNITY_NFS_DEF_ACCESS>(access);
  bool resultFlag = false;
  if (!s.SetNfsHostAccess(resultFlag, current, required)) return ReportFailure(s, what);
  out.message(std::string(what) + ": host " + args.host + " has access " + std::to_string(access) +
              " to export " + current.name);
  return kExitOk;
}

void RegisterNfsCommands(CLI::App& app, const CommonOptions& options, Action& action,
                         ShareArgs& args) {
  CLI::App* nfs = app.add_subcommand("nfs",
                                     "NFS exports of snapshots: create, show, list, grant, "
                                     "withdraw, delete");
  nfs->require_subcommand(1);

  CLI::App* create = nfs->add_subcommand("create", "Export a path of a file snapshot over NFS");
  create->add_option("-s,--snap", args.snap, "Snapshot id")->required();
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
    out.record({{"id", id}, {"name", args.name}, {"snap", std::to_string(args.snap)}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* show = nfs->add_subcommand(
      "show", "Show exactly one export, by name (and NAS server) or by snapshot (and path)");
  AddLookupOptions(show, args);
  OnSession(show, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityNfsExportInfo found;
    if (!FindExport(s, args, found)) return ReportFailure(s, "nfs show");
    PrintRecord(out, kNfsHeader, NfsRow(found));
    return static_cast<int>(kExitOk);
  });

  CLI::App* list = nfs->add_subcommand("list", "List every export, or those giving a host root");
  list->add_option("--host", args.host, "Host id (Host_N): exports with root access for it");
  OnSession(list, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnityNfsExportInfo> exports;
    const bool ok = args.host.empty() ? s.GetNfsExportList(exports)
                                      : s.GetNfsExportsForHost(exports, args.host);
    if (!ok) return ReportFailure(s, "nfs list");
    std::vector<Row> rows;
    for (const _UnityNfsExportInfo& e : exports) rows.push_back(NfsRow(e));
    out.table(kNfsHeader, rows);
    return static_cast<int>(kExitOk);
  });

  CLI::App* grant = nfs->add_subcommand(
      "grant", "Give a host access to an export; every other host keeps its access");
  AddLookupOptions(grant, args);
  grant->add_option("--host", args.host, "Host id (Host_N)")->required();
  grant->add_option("--access", args.access, "1 read-only, 2 read-write, 3 root (default)")
      ->check(CLI::Range(1, 3));
  OnSession(grant, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    return ChangeHostAccess(s, out, args, args.access == 0 ? 3 : args.access, "nfs grant");
  });

  CLI::App* withdraw = nfs->add_subcommand(
      "withdraw", "Put a host on an export's no-access list; every other host keeps its access");
  AddLookupOptions(withdraw, args);
  withdraw->add_option("--host", args.host, "Host id (Host_N)")->required();
  OnSession(withdraw, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    return ChangeHostAccess(s, out, args, UNITY_NFS_DEF_ACCESS_NO_ACCESS, "nfs withdraw");
  });

  CLI::App* del = nfs->add_subcommand("delete", "Delete an export");
  del->add_option("-i,--id", args.id, "Export id (NFSShare_N)")->required();
  OnSession(del, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    if (!s.DeleteNfsExport(args.id)) return ReportFailure(s, "nfs delete");
    out.message("deleted NFS export " + args.id);
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
  create->add_option("-s,--snap", args.snap, "Snapshot id")->required();
  create->add_option("-n,--name", args.name, "Share name")->required();
  create->add_option("-p,--path", args.path, "Path inside the snapshot, e.g. /")->required();
  OnSession(create, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string id;
    if (!s.CreateCifsShare(id, args.snap, args.name, args.path))
      return ReportFailure(s, "cifs create");
    out.record({{"id", id}, {"name", args.name}, {"snap", std::to_string(args.snap)}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* show =
      cifs->add_subcommand("show", "Show exactly one share, by name (and NAS server or snapshot)");
  show->add_option("-n,--name", args.name, "Share name")->required();
  auto* nas = show->add_option("--nas", args.nas, "NAS server name");
  show->add_option("-s,--snap", args.snap, "Snapshot id")->excludes(nas);
  OnSession(show, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityCifsShareInfo found;
    const bool ok = args.snap != 0 ? s.GetCifsShareForSnap(found, args.snap, args.name)
                                   : s.GetCifsShareForName(found, args.name, args.nas);
    if (!ok) return ReportFailure(s, "cifs show");
    PrintRecord(out, kCifsHeader, CifsRow(found));
    return static_cast<int>(kExitOk);
  });

  CLI::App* list = cifs->add_subcommand("list", "List every CIFS share");
  OnSession(list, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnityCifsShareInfo> shares;
    if (!s.GetCifsShareList(shares)) return ReportFailure(s, "cifs list");
    std::vector<Row> rows;
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
    std::vector<Row> rows;
    for (const _UnityCifsShareACE& a : aces)
      rows.push_back({a.sid, std::to_string(a.accessType), std::to_string(a.accessLevel)});
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
    if (args.aces.empty() && !args.clear) {
      std::fprintf(stderr, "cifs acl set: give --ace entries, or --clear for none\n");
      return static_cast<int>(kExitUsage);
    }
    std::list<_UnityCifsShareACE> aces;
    for (const std::string& text : args.aces) {
      _UnityCifsShareACE entry;
      if (!ParseAce(text, entry)) {
        std::fprintf(stderr, "cifs acl set: %s is not SID:TYPE:LEVEL\n", text.c_str());
        return static_cast<int>(kExitUsage);
      }
      aces.push_back(entry);
    }
    if (!s.SetCifsShareACE(args.id, aces)) return ReportFailure(s, "cifs acl set");
    out.message("sent " + std::to_string(aces.size()) + " access entries to share " + args.id);
    return static_cast<int>(kExitOk);
  });

  CLI::App* del = cifs->add_subcommand("delete", "Delete a share");
  del->add_option("-i,--id", args.id, "Share id")->required();
  OnSession(del, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    if (!s.DeleteCifsShare(args.id)) return ReportFailure(s, "cifs delete");
    out.message("deleted CIFS share " + args.id);
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
