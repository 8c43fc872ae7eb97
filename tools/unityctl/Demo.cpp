// unityctl demo: starts a simulated array in this process and walks a protection workflow on it
// through the library, printing each step. Nothing outside this process is touched.
#include <cstdio>
#include <ctime>
#include <list>
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "platform/PlatformSettings.h"
#include "sim/Simulator.h"
#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

class Walk {
 public:
  Walk(ManageEMCUnity& session, unitysim::Simulator& sim) : session_(session), sim_(sim) {}

  // Prints the step, runs it, and prints the outcome with the requests it cost.
  template <typename Step>
  bool step(const std::string& title, Step run) {
    std::printf("\n[%d] %s\n", ++count_, title.c_str());
    const long before = sim_.requestCount();
    const bool ok = run();
    const long requests = sim_.requestCount() - before;
    if (ok) {
      std::printf("    ok (%ld request%s)\n", requests, requests == 1 ? "" : "s");
    } else {
      std::printf("    FAILED: error %llu: %s\n",
                  static_cast<unsigned long long>(session_.errorCode), session_.errorText.c_str());
    }
    return ok;
  }

 private:
  ManageEMCUnity& session_;
  unitysim::Simulator& sim_;
  int count_ = 0;
};

void PrintSnaps(const std::vector<_UnitySnapInfo>& snaps) {
  std::vector<Row> rows;
  for (const _UnitySnapInfo& s : snaps)
    rows.push_back(
        {std::to_string(s.snapId), s.name, s.storageResourceId, s.isModifiable ? "yes" : "no"});
  Output(false).table({"id", "name", "resource", "modifiable"}, rows);
}

// Shows the snapshot to a backup host as a LUN, as a backup of a database on block storage
// does, then takes it away again.
bool ExposeToHost(Walk& walk, ManageEMCUnity& session, SnapID snapId) {
  const std::string host = "Host_2";
  return walk.step("Attach the snapshot to host " + host, [&] {
    return session.ExposeLunAccess(snapId, host, true);
  }) && walk.step("List the host LUN through which " + host + " sees it", [&] {
    std::vector<_UnityHostLun> hostLuns;
    if (!session.GetSnapHostLun(hostLuns, {snapId}, {host})) return false;
    for (const _UnityHostLun& h : hostLuns)
      std::printf("    host LUN %s: host %s, LUN %s, snapshot %llu\n", h.id.c_str(),
                  h.hostId.c_str(), h.lunId.c_str(), h.snapId);
    return !hostLuns.empty();
  }) && walk.step("Detach it from " + host, [&] {
    return session.ExposeLunAccess(snapId, host, false);
  });
}

// Registers a backup proxy as a host with its iSCSI initiator, the way a backup product prepares
// snapshot exposure, then removes it again with a safe delete.
bool HostStep(Walk& walk, ManageEMCUnity& session) {
  std::string hostId;
  bool ok = walk.step("Register backup host demo-proxy (reusing one of the name)", [&] {
    std::string initiatorId;
    if (!session.CreateHost(hostId, "demo-proxy", UNITY_HOST_TYPE_MANUAL, true, "Linux") ||
        !session.CreateHostInitiator(initiatorId, hostId, UNITY_HOSTINITIATOR_TYPE_ISCSI,
                                     "iqn.1994-05.com.redhat:demo-proxy")) {
      return false;
    }
    std::printf("    host %s, initiator %s\n", hostId.c_str(), initiatorId.c_str());
    return true;
  });
  ok = ok && walk.step("List the initiators logged in to the array", [&] {
    std::vector<std::string> initiators;
    if (!session.GetLoggedInInitiators(initiators)) return false;
    std::vector<Row> rows;
    for (const std::string& i : initiators) rows.push_back({i});
    Output(false).table({"initiator"}, rows);
    return true;
  });
  return ok && walk.step("Delete host " + hostId + " unless an NFS export still uses it",
                         [&] { return session.DeleteHost(hostId, true); });
}

// The file-side lookups a backup job starts with: where the array answers, and the file system
// behind a share.
bool DiscoverFileSide(Walk& walk, ManageEMCUnity& session) {
  bool ok = walk.step("Collect the names and addresses the array answers under", [&] {
    std::vector<std::string> aliases;
    if (!session.GetArrayAliases(aliases, "")) return false;
    for (const std::string& alias : aliases) std::printf("    %s\n", alias.c_str());
    return true;
  });
  return ok && walk.step("Find file system Projects on NAS server NAS_Dev", [&] {
    _UnityFSInfo fs;
    if (!session.GetFSInfoFromName(fs, "Projects", "NAS_Dev")) return false;
    std::printf("    %s, storage resource %s\n", fs.id.c_str(), fs.storageResource.id.c_str());
    return true;
  });
}

// A file-side backup: snapshot a file system, export the snapshot over NFS to the backup host and
// share it over CIFS with one access entry, find both again as the next run would, clean up.
bool ShareFileSnapshot(Walk& walk, ManageEMCUnity& session) {
  const std::string name = "demo_fs_" + std::to_string(std::time(nullptr));
  const std::string host = "Host_1";  // backup-srv-01
  SnapID snapId = 0;
  std::string exportId;
  std::string shareId;
  bool ok = walk.step("Snapshot file system FS_Home (res_1) for share access as " + name, [&] {
    if (!session.CreateSnapShot(snapId, "res_1", name, true)) return false;
    std::printf("    snapshot id %llu\n", snapId);
    return true;
  });
  ok = ok && walk.step("Export it over NFS with root access for " + host, [&] {
    _UnityNfsExportInfo created;
    bool resultFlag = false;
    if (!session.CreateNfsExport(exportId, snapId, name, UNITY_NFS_DEF_ACCESS_NO_ACCESS, "/") ||
        !session.GetNfsExportForPath(created, snapId, "/")) {
      return false;
    }
    _UnityNfsHostAccess required;
    required.defaultAccess = created.nfsHostAccess.defaultAccess;
    required.hosts[host] = UNITY_NFS_DEF_ACCESS_ROOT;
    if (!session.SetNfsHostAccess(resultFlag, created, required)) return false;
    for (const std::string& path : created.exportPaths) std::printf("    %s\n", path.c_str());
    return true;
  });
  ok = ok && walk.step("Share it over CIFS with full control for Backup Operators", [&] {
    const std::list<_UnityCifsShareACE> aces = {{"S-1-5-32-551", 1, 4}};
    return session.CreateCifsShare(shareId, snapId, name, "/") &&
           session.SetCifsShareACE(shareId, aces);
  });
  ok = ok && walk.step("Find both again as the next backup run would", [&] {
    std::vector<_UnityNfsExportInfo> exports;
    _UnityCifsShareInfo share;
    std::list<_UnityCifsShareACE> aces;
    if (!session.GetNfsExportsForHost(exports, host) ||
        !session.GetCifsShareForSnap(share, snapId, name) ||
        !session.GetCifsShareACE(aces, share.id)) {
      return false;
    }
    for (const _UnityNfsExportInfo& e : exports)
      std::printf("    NFS %s %s on %s\n", e.id.c_str(), e.name.c_str(), e.filesystem.id.c_str());
    std::printf("    CIFS %s %s on %s (%s), %zu access entr%s\n", share.id.c_str(),
                share.name.c_str(), share.filesystem.id.c_str(), share.filesystem.name.c_str(),
                aces.size(), aces.size() == 1 ? "y" : "ies");
    return true;
  });
  return ok && walk.step("Remove the share, the export and the snapshot", [&] {
    return session.DeleteCifsShare(shareId) && session.DeleteNfsExport(exportId) &&
           session.DeleteSnapshot(snapId);
  });
}

int RunDemo() {
  // Progress lines go to stderr; keep them in step with the steps on stdout.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  unitysim::SimOptions simOptions;
  unitysim::Simulator sim(simOptions);
  sim.start();
  // Background jobs finish after two polls; the demo waits a fiftieth of the real 5 s each time.
  sim.setSlow("replicationSession", "sync", 2);
  PlatformSettings::setOverride("~Tessaline", "UnityCAFile", sim.caFile());
  JobProgress progress(2);

  std::printf("Simulated Unity array at %s (CA certificate %s)\n", sim.baseUrl().c_str(),
              sim.caFile().c_str());

  ManageEMCUnity session;
  session.userName = simOptions.user;
  session.SetPasswd(simOptions.password, false, false);
  session.SetFileServer(sim.host());
  Walk walk(session, sim);

  bool ok = walk.step("Log in and adopt the array's API version", [&] {
    if (!session.OpenConnection(true)) return false;
    std::printf("    API version %s\n", session.apiVersion.c_str());
    return true;
  });
  ok = ok && walk.step("Read the array's identity", [&] {
    _UnityBasicSystemInfo info;
    if (!session.GetBasicSystemInformation(info)) return false;
    std::printf("    %s \"%s\", software %s, serial %s\n", info.model.c_str(), info.name.c_str(),
                info.softwareVersion.c_str(), info.serialNumber.c_str());
    return true;
  });

  ok = ok && DiscoverFileSide(walk, session);
  ok = ok && ShareFileSnapshot(walk, session);

  const std::string resource = "sv_1";
  const std::string name = "demo_backup_" + std::to_string(std::time(nullptr));
  SnapID snapId = 0;
  SnapID copyId = 0;
  ok = ok && walk.step("Snapshot storage resource " + resource + " as " + name, [&] {
    if (!session.CreateSnapShot(snapId, resource, name, false)) return false;
    std::printf("    snapshot id %llu\n", snapId);
    return true;
  });
  ok = ok && walk.step("List the new snapshot by id", [&] {
    std::vector<_UnitySnapInfo> snaps;
    if (!session.GetSnapShotList(snaps, snapId, false)) return false;
    PrintSnaps(snaps);
    return true;
  });
  ok = ok && ExposeToHost(walk, session, snapId);
  ok = ok && walk.step("Copy it", [&] {
    if (!session.CopySnapshot(copyId, snapId, name + "_copy")) return false;
    std::printf("    copy id %llu\n", copyId);
    return true;
  });
  ok = ok && walk.step("Restore " + resource + " from the snapshot",
                       [&] { return session.RestoreWithSnapshot(snapId); });
  ok = ok && walk.step("List every snapshot of the array", [&] {
    std::vector<_UnitySnapInfo> snaps;
    if (!session.GetSnapShotList(snaps, std::vector<SnapID>{}, false)) return false;
    PrintSnaps(snaps);
    return true;
  });
  ok = ok && walk.step("Delete the copy and the snapshot", [&] {
    return session.DeleteSnapshot(copyId) && session.DeleteSnapshot(snapId);
  });
  ok = ok && walk.step("Synchronise the replication session of " + resource + " (a background job)",
                       [&] { return session.SyncReplicationSessionForResource(resource); });
  ok = ok && HostStep(walk, session);
  ok = ok && walk.step("Log out", [&] { return session.CloseConnection(false); });

  std::printf("\n%s: %ld requests, %ld TLS handshake%s, %ld login%s\n",
              ok ? "Demo complete" : "Demo stopped", sim.requestCount(), sim.handshakeCount(),
              sim.handshakeCount() == 1 ? "" : "s", sim.loginCount(),
              sim.loginCount() == 1 ? "" : "s");
  PlatformSettings::removeOverride("~Tessaline", "UnityCAFile");
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void RegisterDemo(CLI::App& app, const CommonOptions& options, Action& action) {
  CLI::App* demo = app.add_subcommand(
      "demo", "Start a simulated array in this process and walk a protection workflow on it");
  demo->callback([&options, &action] {
    action = [&options] {
      ApplyLogOptions(options);
      return RunDemo();
    };
  });
}

}  // namespace unityctl
