#include <string>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

struct SnapArgs {
  std::string resource;
  std::string name;
  bool fileAccess = false;
  unsigned long long id = 0;
  std::vector<unsigned long long> ids;
  std::vector<std::string> names;
  bool group = false;
};

Row SnapRow(const _UnitySnapInfo& snap) {
  std::string access;
  for (const _UnityHostAccess& host : snap.hostAccess) {
    if (!access.empty()) access += ",";
    access += host.hostId + ":" + std::to_string(host.accessMask);
  }
  return {std::to_string(snap.snapId),
          snap.name,
          snap.storageResourceId,
          snap.isModifiable ? "yes" : "no",
          snap.lunId,
          snap.attachedWWN,
          access};
}

const Row kSnapHeader = {"id", "name", "resource", "modifiable", "lun", "wwn", "hostAccess"};

}  // namespace

void RegisterSnap(CLI::App& app, const CommonOptions& options, Action& action) {
  static SnapArgs args;
  CLI::App* snapCmd =
      app.add_subcommand("snap", "Snapshots: create, copy, delete, restore, list, show");
  snapCmd->require_subcommand(1);

  CLI::App* create = snapCmd->add_subcommand("create", "Snapshot a storage resource");
  create->add_option("-r,--resource", args.resource, "Storage resource id (sv_N)")->required();
  create->add_option("-n,--name", args.name, "Snapshot name")->required();
  create->add_flag("--file-access", args.fileAccess,
                   "Protocol (share) access type instead of checkpoint");
  RunOnSession(create, options, action, [](ManageEMCUnity& s, const Output& out) {
    SnapID id = 0;
    if (!s.CreateSnapShot(id, args.resource, args.name, args.fileAccess))
      return ReportFailure(s, "snap create");
    out.record({{"id", std::to_string(id)}, {"name", args.name}, {"resource", args.resource}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* copy = snapCmd->add_subcommand("copy", "Copy a snapshot under a new name");
  copy->add_option("-i,--id", args.id, "Snapshot id")->required();
  copy->add_option("-n,--name", args.name, "Name of the copy")->required();
  RunOnSession(copy, options, action, [](ManageEMCUnity& s, const Output& out) {
    SnapID copyId = 0;
    if (!s.CopySnapshot(copyId, args.id, args.name)) return ReportFailure(s, "snap copy");
    out.record({{"id", std::to_string(copyId)}, {"name", args.name}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* del =
      snapCmd->add_subcommand("delete", "Delete a snapshot (a missing one counts as deleted)");
  del->add_option("-i,--id", args.id, "Snapshot id")->required();
  RunOnSession(del, options, action, [](ManageEMCUnity& s, const Output& out) {
    if (!s.DeleteSnapshot(args.id)) return ReportFailure(s, "snap delete");
    out.message("deleted snapshot " + std::to_string(args.id));
    return static_cast<int>(kExitOk);
  });

  CLI::App* restore =
      snapCmd->add_subcommand("restore", "Restore a storage resource from a snapshot");
  restore->add_option("-i,--id", args.id, "Snapshot id")->required();
  RunOnSession(restore, options, action, [](ManageEMCUnity& s, const Output& out) {
    if (!s.RestoreWithSnapshot(args.id)) return ReportFailure(s, "snap restore");
    out.message("restored from snapshot " + std::to_string(args.id));
    return static_cast<int>(kExitOk);
  });

  CLI::App* replicate = snapCmd->add_subcommand("replicate", "Mark a snapshot for replication");
  replicate->add_option("-i,--id", args.id, "Snapshot id")->required();
  RunOnSession(replicate, options, action, [](ManageEMCUnity& s, const Output& out) {
    if (!s.MarkSnapForReplication(args.id)) return ReportFailure(s, "snap replicate");
    out.message("snapshot " + std::to_string(args.id) + " marked for replication");
    return static_cast<int>(kExitOk);
  });

  CLI::App* list =
      snapCmd->add_subcommand("list", "List snapshots by ids or names (all when none given)");
  auto* byId = list->add_option("-i,--id", args.ids, "Snapshot ids (or group ids with --group)");
  auto* byName =
      list->add_option("-n,--name", args.names, "Snapshot names (or group names with --group)");
  byId->excludes(byName);
  list->add_flag("-g,--group", args.group, "The ids or names are snapshot groups");
  RunOnSession(list, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnitySnapInfo> snaps;
    const bool ok = args.names.empty() ? s.GetSnapShotList(snaps, args.ids, args.group)
                                       : s.GetSnapShotList(snaps, args.names, args.group);
    if (!ok) return ReportFailure(s, "snap list");
    std::vector<Row> rows;
    for (const _UnitySnapInfo& snap : snaps) rows.push_back(SnapRow(snap));
    out.table(kSnapHeader, rows);
    return static_cast<int>(kExitOk);
  });

  CLI::App* show = snapCmd->add_subcommand("show", "Show exactly one snapshot, by id or by name");
  auto* showId = show->add_option("-i,--id", args.id, "Snapshot id");
  auto* showName = show->add_option("-n,--name", args.name, "Snapshot name");
  showId->excludes(showName);
  show->require_option(1);
  RunOnSession(show, options, action, [](ManageEMCUnity& s, const Output& out) {
    _UnitySnapInfo snap;
    const bool ok = args.name.empty() ? s.GetSnapShotInfo(snap, args.id)
                                      : s.GetSnapShotForName(snap, args.name);
    if (!ok) return ReportFailure(s, "snap show");
    const Row row = SnapRow(snap);
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t i = 0; i < kSnapHeader.size(); ++i) fields.emplace_back(kSnapHeader[i], row[i]);
    out.record(fields);
    return static_cast<int>(kExitOk);
  });
}

}  // namespace unityctl
