// unityctl demo: starts a simulated array in this process and walks a protection workflow on it
// through the library, printing each step. Nothing outside this process is touched.
#include <cstdio>
#include <ctime>
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
