#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "tools/unityctl/Resolve.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

struct SnapArgs {
  std::string resource;
  std::string name;
  bool fileAccess = false;
  bool yes = false;
  unsigned long long id = 0;
  std::vector<unsigned long long> ids;
  std::vector<std::string> names;
  bool group = false;
};

const Row kSnapHeader = {"id", "name", "resource", "modifiable", "lun", "wwn", "hostAccess"};

Values SnapRow(const _UnitySnapInfo& snap) {
  std::vector<std::string> access;
  for (const _UnityHostAccess& host : snap.hostAccess)
    access.push_back(host.hostId + ":" + std::to_string(host.accessMask));
  return {snap.snapId,      snap.name, snap.storageResourceId, snap.isModifiable, snap.lunId,
          snap.attachedWWN, access};
}

// The ids of the snapshots of `resourceId`, or false when the list cannot be read.
bool SnapshotsOf(ManageEMCUnity& s, const std::string& resourceId, std::set<SnapID>& ids) {
  std::vector<_UnitySnapInfo> all;
  if (!s.GetSnapShotList(all, std::vector<SnapID>(), false)) return false;
  for (const _UnitySnapInfo& snap : all)
    if (snap.storageResourceId == resourceId) ids.insert(snap.snapId);
  return true;
}

// Asks on the terminal; without one, only --yes confirms.
bool Confirmed(const std::string& question) {
  if (!isatty(STDIN_FILENO)) return false;
  std::fprintf(stderr, "%s [y/N] ", question.c_str());
  std::fflush(stderr);
  std::string answer;
  return std::getline(std::cin, answer) && (answer == "y" || answer == "Y" || answer == "yes");
}

int Restore(ManageEMCUnity& s, const Output& out, const SnapArgs& args) {
  _UnitySnapInfo snap;
  if (!s.GetSnapShotInfo(snap, args.id)) return ReportFailure(s, "snap restore");
  const std::string target = "storage resource " + snap.storageResourceId;
  if (!args.yes &&
      !Confirmed("Roll " + target + " back to snapshot " + std::to_string(args.id) + " (" +
                 snap.name + ")? Its current state is kept in a new backup snapshot.")) {
    return Complain(kExitUsage, "snap restore not confirmed: nothing was changed",
                    "answer y on a terminal, or give --yes");
  }
  // The array keeps the current state in a snapshot it makes before rolling back; it is the one
  // snapshot of the resource that was not there before.
  std::set<SnapID> before;
  if (!SnapshotsOf(s, snap.storageResourceId, before)) return ReportFailure(s, "snap restore");
  if (!s.RestoreWithSnapshot(args.id)) return ReportFailure(s, "snap restore");
  std::set<SnapID> after;
  if (!SnapshotsOf(s, snap.storageResourceId, after))
    return ReportFailure(s, "reading the backup snapshot after snap restore");
  std::vector<SnapID> made;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(made));
  const std::string backup = made.size() == 1 ? std::to_string(made.front()) : "unknown";
  Fields fields = {
      {"action", "snap restore"}, {"snapshot", args.id}, {"resource", snap.storageResourceId}};
  if (made.size() == 1) fields.emplace_back("backupSnapshot", made.front());
  out.action("restored " + target + " from snapshot " + std::to_string(args.id) +
                 "; its previous state is in backup snapshot " + backup,
             fields);
  return kExitOk;
}

}  // namespace

void RegisterSnap(CLI::App& app, const CommonOptions& options, Action& action) {
  static SnapArgs args;
  CLI::App* snapCmd =
      app.add_subcommand("snap", "Snapshots: create, copy, delete, restore, list, show");
  snapCmd->require_subcommand(1);

  CLI::App* create = snapCmd->add_subcommand("create", "Snapshot a storage resource");
  create->add_option("-r,--resource", args.resource, "Storage resource id (sv_N, res_N) or name")
      ->required();
  create->add_option("-n,--name", args.name, "Snapshot name")->required();
  create->add_flag("--file-access", args.fileAccess,
                   "Protocol (share) access type instead of checkpoint");
  OnSession(create, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::string resource;
    if (const int status = ResolveResource(s, args.resource, kAnyResource, resource)) return status;
    SnapID id = 0;
    if (!s.CreateSnapShot(id, resource, args.name, args.fileAccess))
      return ReportFailure(s, "snap create");
    out.action(
        "created snapshot " + std::to_string(id) + " of " + resource,
        {{"action", "snap create"}, {"id", id}, {"name", args.name}, {"resource", resource}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* copy = snapCmd->add_subcommand("copy", "Copy a snapshot under a new name");
  copy->add_option("-i,--id", args.id, "Snapshot id")->required()->check(SnapshotIdCheck());
  copy->add_option("-n,--name", args.name, "Name of the copy")->required();
  OnSession(copy, options, action, [](ManageEMCUnity& s, const Output& out) {
    SnapID copyId = 0;
    if (!s.CopySnapshot(copyId, args.id, args.name)) return ReportFailure(s, "snap copy");
    out.action("copied snapshot " + std::to_string(args.id) + " to " + std::to_string(copyId),
               {{"action", "snap copy"}, {"id", copyId}, {"name", args.name}, {"from", args.id}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* del =
      snapCmd->add_subcommand("delete", "Delete a snapshot (a missing one counts as deleted)");
  del->add_option("-i,--id", args.id, "Snapshot id")->required()->check(SnapshotIdCheck());
  OnSession(del, options, action, [](ManageEMCUnity& s, const Output& out) {
    if (!s.DeleteSnapshot(args.id)) return ReportFailure(s, "snap delete");
    out.action("deleted snapshot " + std::to_string(args.id),
               {{"action", "snap delete"}, {"id", args.id}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* restore = snapCmd->add_subcommand(
      "restore",
      "Roll a storage resource back to a snapshot; its current state goes into a new backup "
      "snapshot, whose id is printed");
  restore->add_option("-i,--id", args.id, "Snapshot id")->required()->check(SnapshotIdCheck());
  restore->add_flag("-y,--yes", args.yes, "Do not ask for confirmation");
  OnSession(restore, options, action,
            [](ManageEMCUnity& s, const Output& out) { return Restore(s, out, args); });

  CLI::App* replicate = snapCmd->add_subcommand("replicate", "Mark a snapshot for replication");
  replicate->add_option("-i,--id", args.id, "Snapshot id")->required()->check(SnapshotIdCheck());
  OnSession(replicate, options, action, [](ManageEMCUnity& s, const Output& out) {
    if (!s.MarkSnapForReplication(args.id)) return ReportFailure(s, "snap replicate");
    out.action("snapshot " + std::to_string(args.id) + " marked for replication",
               {{"action", "snap replicate"}, {"id", args.id}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* list =
      snapCmd->add_subcommand("list", "List snapshots by ids or names (all when none given)");
  auto* byId = list->add_option("-i,--id", args.ids, "Snapshot ids (or group ids with --group)")
                   ->check(SnapshotIdCheck());
  auto* byName =
      list->add_option("-n,--name", args.names, "Snapshot names (or group names with --group)");
  byId->excludes(byName);
  list->add_flag("-g,--group", args.group, "The ids or names are snapshot groups");
  OnSession(list, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnitySnapInfo> snaps;
    const bool ok = args.names.empty() ? s.GetSnapShotList(snaps, args.ids, args.group)
                                       : s.GetSnapShotList(snaps, args.names, args.group);
    if (!ok) return ReportFailure(s, "snap list");
    std::vector<Values> rows;
    for (const _UnitySnapInfo& snap : snaps) rows.push_back(SnapRow(snap));
    out.table(kSnapHeader, rows);
    return static_cast<int>(kExitOk);
  });

  CLI::App* show = snapCmd->add_subcommand("show", "Show exactly one snapshot, by id or by name");
  auto* showId = show->add_option("-i,--id", args.id, "Snapshot id")->check(SnapshotIdCheck());
  auto* showName = show->add_option("-n,--name", args.name, "Snapshot name");
  showId->excludes(showName);
  show->require_option(1);
  OnSession(show, options, action, [](ManageEMCUnity& s, const Output& out) {
    _UnitySnapInfo snap;
    const bool ok = args.name.empty() ? s.GetSnapShotInfo(snap, args.id)
                                      : s.GetSnapShotForName(snap, args.name);
    if (!ok) return ReportFailure(s, "snap show");
    const Values row = SnapRow(snap);
    Fields fields;
    for (size_t i = 0; i < kSnapHeader.size(); ++i)
      if (out.json() || !row[i].text().empty()) fields.emplace_back(kSnapHeader[i], row[i]);
    out.record(fields);
    return static_cast<int>(kExitOk);
  });
}

}  // namespace unityctl
