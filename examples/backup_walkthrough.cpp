// A backup product's use of libManageEMCUnity, from login to clean-up, against a simulated array
// that this program starts itself: copy the steps you need into your own product.
//
// A real product points the session at its array instead of the simulator, and tells the library
// which certificate authority to trust through its settings file (UNITY_SETTINGS_FILE, section
// [~Tessaline], key UnityCAFile), exactly as done here for the simulator's own CA.
//
// Usage: backup_walkthrough   (no arguments; nothing outside this process is touched)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <list>
#include <string>
#include <vector>

#include "sim/Simulator.h"
#include "unity/ManageEMCUnity.h"

namespace {

// Prints the step, runs it, and prints its outcome: every operation returns a bool and leaves its
// error code and text on the session.
int stepCount = 0;

template <typename Run>
bool Step(ManageEMCUnity& session, const std::string& title, Run run) {
  std::printf("\n[%d] %s\n", ++stepCount, title.c_str());
  const bool ok = run();
  if (ok) {
    std::printf("    ok\n");
  } else {
    std::printf("    FAILED: error %llu: %s\n", session.errorCode, session.errorText.c_str());
  }
  return ok;
}

void PrintSnaps(const std::vector<_UnitySnapInfo>& snaps) {
  for (const _UnitySnapInfo& snap : snaps) {
    std::printf("    %llu %s (resource %s)\n", snap.snapId, snap.name.c_str(),
                snap.storageResourceId.c_str());
  }
}

// The library reads its settings file afresh on every request; this one trusts the simulator's
// CA. A product ships its own file with UnityCAFile naming its array's CA bundle.
bool TrustSimulator(const unitysim::Simulator& sim, std::string& path) {
  char name[] = "/tmp/backup_walkthrough_settings_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return false;
  const std::string text = "[~Tessaline]\nUnityCAFile = " + sim.caFile() + "\n";
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  path = name;
  return written && setenv("UNITY_SETTINGS_FILE", name, 1) == 0;
}

// A block backup: snapshot a storage resource, show the snapshot to a backup host as a LUN, copy
// it, and clean up.
bool BlockBackup(ManageEMCUnity& session) {
  const std::string resource = "sv_1";
  const std::string host = "Host_2";
  const std::string name = "backup_" + std::to_string(std::time(nullptr));
  SnapID snapId = 0;
  SnapID copyId = 0;
  bool ok = Step(session, "Snapshot storage resource " + resource + " as " + name, [&] {
    if (!session.CreateSnapShot(snapId, resource, name, false)) return false;
    std::printf("    snapshot id %llu\n", snapId);
    return true;
  });
  ok = ok && Step(session, "List the new snapshot by id", [&] {
         std::vector<_UnitySnapInfo> snaps;
         if (!session.GetSnapShotList(snaps, snapId, false)) return false;
         PrintSnaps(snaps);
         return true;
       });
  ok = ok && Step(session, "Attach it to backup host " + host + " as a LUN",
                  [&] { return session.ExposeLunAccess(snapId, {host}, true); });
  ok = ok && Step(session, "Find the host LUN through which " + host + " sees it", [&] {
         std::vector<_UnityHostLun> hostLuns;
         if (!session.GetSnapHostLun(hostLuns, {snapId}, {host})) return false;
         for (const _UnityHostLun& hostLun : hostLuns) {
           std::printf("    host LUN %s: host %s, LUN %s\n", hostLun.id.c_str(),
                       hostLun.hostId.c_str(), hostLun.lunId.c_str());
         }
         return !hostLuns.empty();
       });
  ok = ok && Step(session, "Detach it from " + host,
                  [&] { return session.ExposeLunAccess(snapId, {host}, false); });
  ok = ok && Step(session, "Copy it", [&] {
         if (!session.CopySnapshot(copyId, snapId, name + "_copy")) return false;
         std::printf("    copy id %llu\n", copyId);
         return true;
       });
  return ok && Step(session, "Delete the copy and the snapshot", [&] {
           return session.DeleteSnapshot(copyId) && session.DeleteSnapshot(snapId);
         });
}

// A file backup: snapshot a file system, export the snapshot over NFS to the backup host and
// share it over CIFS, find both again as the next run would, and clean up.
bool FileBackup(ManageEMCUnity& session) {
  const std::string host = "Host_1";
  const std::string name = "backup_fs_" + std::to_string(std::time(nullptr));
  _UnityFSInfo fs;
  SnapID snapId = 0;
  std::string exportId;
  std::string shareId;
  bool ok = Step(session, "Find file system Projects on NAS server NAS_Dev", [&] {
    if (!session.GetFSInfoFromName(fs, "Projects", "NAS_Dev")) return false;
    std::printf("    %s, storage resource %s\n", fs.id.c_str(), fs.storageResource.id.c_str());
    return true;
  });
  ok = ok && Step(session, "Snapshot it for share access as " + name, [&] {
         return session.CreateSnapShot(snapId, fs.storageResource.id, name, true);
       });
  ok =
      ok && Step(session, "Export the snapshot over NFS with root access for " + host, [&] {
        _UnityNfsExportInfo created;
        bool changed = false;
        if (!session.CreateNfsExport(exportId, snapId, name, UNITY_NFS_DEF_ACCESS_NO_ACCESS, "/") ||
            !session.GetNfsExportForPath(created, snapId, "/")) {
          return false;
        }
        _UnityNfsHostAccess required;
        required.defaultAccess = created.nfsHostAccess.defaultAccess;
        required.hosts[host] = UNITY_NFS_DEF_ACCESS_ROOT;
        return session.SetNfsHostAccess(changed, created, required);
      });
  ok = ok && Step(session, "Share it over CIFS with full control for Backup Operators", [&] {
         const std::list<_UnityCifsShareACE> aces = {{"S-1-5-32-551", 1, 4}};
         return session.CreateCifsShare(shareId, snapId, name, "/") &&
                session.SetCifsShareACE(shareId, aces);
       });
  ok = ok && Step(session, "Find both again as the next backup run would", [&] {
         std::vector<_UnityNfsExportInfo> exports;
         _UnityCifsShareInfo share;
         if (!session.GetNfsExportsForHost(exports, host) ||
             !session.GetCifsShareForSnap(share, snapId, name)) {
           return false;
         }
         for (const _UnityNfsExportInfo& nfs : exports) {
           std::printf("    NFS %s %s\n", nfs.id.c_str(), nfs.name.c_str());
         }
         std::printf("    CIFS %s %s on %s\n", share.id.c_str(), share.name.c_str(),
                     share.filesystem.name.c_str());
         return true;
       });
  return ok && Step(session, "Remove the share, the export and the snapshot", [&] {
           return session.DeleteCifsShare(shareId) && session.DeleteNfsExport(exportId) &&
                  session.DeleteSnapshot(snapId);
         });
}

}  // namespace

int main() {
  // The library logs to standard error (or the file UNITY_LOG_FILE names) up to UNITY_LOG_LEVEL,
  // read at its first line; unless told otherwise the walkthrough shows only error lines.
  setenv("UNITY_LOG_LEVEL", "-1", 0);
  unitysim::SimOptions options;
  unitysim::Simulator sim(options);
  sim.start();
  std::string settingsFile;
  if (!TrustSimulator(sim, settingsFile)) {
    std::fprintf(stderr, "backup_walkthrough: cannot write the settings file\n");
    return 1;
  }
  std::printf("Simulated Unity array at %s\n", sim.baseUrl().c_str());

  // One session per array and job; the job id tags the library's diagnostic lines.
  ManageEMCUnity session(42);
  session.userName = options.user;
  session.SetPasswd(options.password, false, false);
  session.SetFileServer(sim.host());

  bool ok = Step(session, "Log in and adopt the array's API version", [&] {
    if (!session.OpenConnection(true)) return false;
    std::printf("    API version %s\n", session.apiVersion.c_str());
    return true;
  });
  ok = ok && Step(session, "Read the array's identity", [&] {
         _UnityBasicSystemInfo info;
         if (!session.GetBasicSystemInformation(info)) return false;
         std::printf("    %s \"%s\", software %s, serial %s\n", info.model.c_str(),
                     info.name.c_str(), info.softwareVersion.c_str(), info.serialNumber.c_str());
         return true;
       });
  ok = ok && BlockBackup(session);
  ok = ok && FileBackup(session);
  // When the array runs the synchronisation as a background job, the library follows the job to
  // its end (checking every 5 s) before it returns.
  ok = ok && Step(session, "Synchronise the replication session of sv_1",
                  [&] { return session.SyncReplicationSessionForResource("sv_1"); });
  ok = ok && Step(session, "Log out", [&] { return session.CloseConnection(false); });

  std::printf("\n%s: %ld requests, %ld TLS handshake%s\n",
              ok ? "Walkthrough complete" : "Walkthrough stopped", sim.requestCount(),
              sim.handshakeCount(), sim.handshakeCount() == 1 ? "" : "s");
  unlink(settingsFile.c_str());
  return ok ? 0 : 1;
}
