#include <algorithm>
#include <chrono>
#include <functional>
#include <list>
#include <random>

#include "platform/HttpTransport.h"
#include "tests/soak/Soak.h"
#include "tests/support/OperationTable.h"
#include "unity/ManageEMCUnity.h"

namespace unitysoak {
namespace {

constexpr unsigned long long kNotFound = 131149829;
constexpr size_t kMostSnaps = 8, kMostOthers = 3;  // live objects of each kind per job
const char kAttachHost[] = "Host_1";

bool Exists(const Item& i) {
  return i.state == State::Exists;
}

bool Exposable(const Item& i) {
  return Exists(i) && i.attachKnown;
}

size_t Live(const std::map<std::string, Item>& items) {
  return static_cast<size_t>(
      std::count_if(items.begin(), items.end(), [](const auto& e) { return Exists(e.second); }));
}

class Job : public SoakJob {
 public:
  Job(Ledger& ledger, const SoakOptions& options, const std::string& arrayHost)
      : ledger_(ledger),
        boundSec_(options.boundSec()),
        random_(options.seed * 1000003u + static_cast<unsigned>(ledger.job)),
        session_(static_cast<unsigned long long>(ledger.job)) {
    session_.userName = "admin";
    session_.SetPasswd("Password123!", false, false);
    session_.SetFileServer(arrayHost);
  }

  // Times and counts one operation and checks that a failure left a code and a text; a creating
  // or changing request is counted under its key first.
  bool op(const std::string& name, Item* item, const std::string& changeKey,
          const std::function<bool()>& call) {
    if (!changeKey.empty()) ++ledger_.changeCalls[changeKey];
    const auto start = std::chrono::steady_clock::now();
    const bool ok = call();
    const double sec =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++ledger_.calls;
    ++operations_;
    ledger_.slowestSec = std::max(ledger_.slowestSec, sec);
    if (sec > boundSec_) ledger_.slowOps.push_back(name + " took " + std::to_string(sec) + " s");
    const std::string reason = !ok && session_.errorCode == 1 && session_.transport
                                   ? session_.transport->lastTransportError()
                                   : "";
    bool timedOut = false;
    for (const char* mark : {"too slow", "timed out", "Timeout", "timeout"})
      timedOut = timedOut || reason.find(mark) != std::string::npos;
    if (!ok) {
      ++ledger_.failed;
      ledger_.clientTimeouts += timedOut;
      if (session_.errorCode == 0 || session_.errorText.empty())
        ledger_.silentFailures.push_back(name + ": code " + std::to_string(session_.errorCode) +
                                         ", text \"" + session_.errorText + "\"");
    }
    if (item != nullptr) item->late = item->late || timedOut;
    return ok;
  }

  bool op(const std::string& name, const std::function<bool()>& call) {
    return op(name, nullptr, "", call);
  }

  int draw(int most) { return std::uniform_int_distribution<int>(0, most)(random_); }

  // A name from the ledger that fits, drawn at random; empty when there is none.
  std::string pick(const std::map<std::string, Item>& items, bool (*fits)(const Item&)) {
    std::vector<const std::string*> names;
    for (const auto& [name, item] : items)
      if (fits(item)) names.push_back(&name);
    if (names.empty()) return {};
    return *names[std::uniform_int_distribution<size_t>(0, names.size() - 1)(random_)];
  }

  // The ledger after a creation or deletion: `done` when it succeeded, else unknown until a lookup.
  void settle(Item& item, bool ok, State done) {
    item.state = ok ? done : State::Unknown;
    ledger_.unknownOutcomes += !ok;
  }

  // A snapshot of the job's that fits, drawn at random; when there is none, one is created and
  // the caller does nothing more.
  std::pair<const std::string, Item>* someSnap(bool (*fits)(const Item&) = Exists) {
    const std::string name = pick(ledger_.snaps, fits);
    if (name.empty()) createSnap(false);
    return name.empty() ? nullptr : &*ledger_.snaps.find(name);
  }

  static SnapID Id(const Item& i) { return std::stoull(i.id); }
  static std::string SnapAction(const Item& i, const char* action) {
    return "POST /api/instances/snap/" + i.id + "/action/" + action;
  }

  // A read of one of the job's objects must find it, with the id the ledger holds.
  bool readBack(const std::string& name, const Item& item, bool ok, const std::string& id) {
    if (ok && id != item.id) ledger_.wrongReads.push_back(name + " read with id " + id);
    if (!ok && session_.errorCode == kNotFound) ledger_.wrongReads.push_back(name + " told absent");
    return ok;
  }

  void run(long n) override {
    using Step = void (*)(Job&);
    static const std::vector<std::pair<int, Step>> kMix = {
        {10, [](Job& j) { j.createSnap(false); }},
        {6, [](Job& j) { j.createSnap(true); }},
        {8, [](Job& j) { j.deleteSnap(); }},
        {10, [](Job& j) { j.readSnap(); }},
        {3, [](Job& j) { j.restoreSnap(); }},
        {6, [](Job& j) { j.exposeSnap(); }},
        {5, [](Job& j) { j.replicate(); }},
        {6, [](Job& j) { j.nfs(); }},
        {6, [](Job& j) { j.cifs(); }},
        {5, [](Job& j) { j.host(); }},
        {8, [](Job& j) { j.readArray(); }},
        {1, [](Job& j) {
           j.op("CloseConnection", [&j] { return j.session_.CloseConnection(false); });
           j.op("OpenConnection", [&j] { return j.session_.OpenConnection(true); });
         }}};
    std::vector<int> weights;
    for (const auto& step : kMix) weights.push_back(step.first);
    std::discrete_distribution<size_t> choose(weights.begin(), weights.end());
    for (const long end = operations_ + n; operations_ < end;) {
      if (lookUpUnknown()) continue;
      // Attach requests name hosts from API version 5.0 on: the version is read when not known.
      if (!session_.apiVersionKnown)
        op("OpenConnection", [&] { return session_.OpenConnection(true); });
      kMix[choose(random_)].second(*this);
    }
    for (const auto& [type, items] : ledger_.byType())
      for (auto it = items->begin(); it != items->end();) {
        const bool gone = it->second.state == State::Gone;
        if (gone) ledger_.gone.emplace_back(type, it->first);
        it = gone ? items->erase(it) : std::next(it);
      }
  }

  void createSnap(bool copy) {
    if (Live(ledger_.snaps) >= kMostSnaps) return deleteSnap();
    const std::string source = copy ? pick(ledger_.snaps, Exists) : "";
    if (copy && source.empty()) return createSnap(false);
    const std::string name = ledger_.prefix + (copy ? "c" : "s") + std::to_string(++counter_);
    const std::string key = copy ? SnapAction(ledger_.snaps[source], "copy")
                                 : "POST /api/types/snap/instances name=" + name;
    SnapID id = 0;
    Item& item = ledger_.snaps[name];
    settle(item,
           op(copy ? "CopySnapshot" : "CreateSnapShot", &item, key,
              [&] {
                return copy ? session_.CopySnapshot(id, Id(ledger_.snaps[source]), name)
                            : session_.CreateSnapShot(id, ledger_.resource, name, false);
              }),
           State::Exists);
    if (item.state == State::Exists) item.id = std::to_string(id);
  }

  void deleteSnap() {
    if (auto* s = someSnap())
      settle(s->second,
             op("DeleteSnapshot", &s->second, "",
                [&] { return session_.DeleteSnapshot(Id(s->second)); }),
             State::Gone);
  }

  void readSnap() {
    auto* s = someSnap();
    if (s == nullptr) return;
    const auto& [name, item] = *s;
    const SnapID id = Id(item);
    std::string wrong;  // what contradicts the ledger
    _UnitySnapInfo info;
    const bool ok = op("GetSnapShotInfo", [&] { return session_.GetSnapShotInfo(info, id); });
    if (ok && (info.name != name || info.storageResourceId != ledger_.resource))
      wrong = "read as " + info.name;
    if (ok && item.attachKnown && item.attached == info.attachedWWN.empty())
      wrong = "attachment differs";
    if (!ok && session_.errorCode == kNotFound) wrong = "told it does not exist";
    if (!wrong.empty()) ledger_.wrongReads.push_back(wrong + " of " + name + " (" + item.id + ")");
  }

  void restoreSnap() {
    auto* s = someSnap();
    if (s == nullptr) return;
    ++ledger_.restoresTried;
    ledger_.restoresOk += op("RestoreWithSnapshot", nullptr, SnapAction(s->second, "restore"),
                             [&] { return session_.RestoreWithSnapshot(Id(s->second)); });
  }

  void exposeSnap() {
    auto* s = someSnap(Exposable);
    if (s == nullptr) return;
    Item& item = s->second;
    const bool attach = !item.attached;
    item.attachKnown = op(attach ? "ExposeLunAccess attach" : "ExposeLunAccess detach", &item,
                          SnapAction(item, "expose"),
                          [&] { return session_.ExposeLunAccess(Id(item), kAttachHost, attach); });
    if (item.attachKnown) item.attached = attach;
  }

  void replicate() {
    const std::string name = pick(ledger_.snaps, Exists);
    switch (name.empty() ? 1 : draw(4)) {
      case 0: {  // the job's LUN itself granted to a host, or the grant withdrawn
        const bool remove = draw(1) == 1;
        op("LunAccessToHost", nullptr,
           "POST /api/instances/storageResource/" + ledger_.resource + "/action/modifyLun", [&] {
             return session_.LunAccessToHost(ledger_.resource, kAttachHost, false, 1, remove);
           });
        return;
      }
      case 1:
      case 2:
        op("SyncReplicationSessionForResource", nullptr,
           "POST /api/instances/replicationSession/" + ledger_.replication + "/action/sync",
           [&] { return session_.SyncReplicationSessionForResource(ledger_.resource); });
        return;
      default: {
        Item& item = ledger_.snaps[name];
        item.replicated |= op("MarkSnapForReplication", &item, SnapAction(item, "replicate"),
                              [&] { return session_.MarkSnapForReplication(Id(item)); });
      }
    }
  }

  // Creates one of `type` (always when none exists) or deletes one; otherwise returns the name of
  // an existing one for the caller to read.
  std::string createOrDelete(std::map<std::string, Item>& items, const std::string& type,
                             const char* letter,
                             const std::function<bool(Item&, const std::string&)>& create,
                             const std::function<bool(Item&)>& remove) {
    const int what = draw(2);
    const std::string name = pick(items, Exists);
    if (name.empty() || (what == 0 && Live(items) < kMostOthers)) {
      const std::string fresh = ledger_.prefix + letter + std::to_string(++counter_);
      Item& item = items[fresh];
      settle(item,
             op("create " + type, &item, "POST /api/types/" + type + "/instances name=" + fresh,
                [&] { return create(item, fresh); }),
             State::Exists);
      return {};
    }
    if (what == 1) {
      Item& item = items[name];
      settle(item, op("delete " + type, &item, "", [&] { return remove(item); }), State::Gone);
      return {};
    }
    return name;
  }

  void nfs() {
    const SnapID snap = std::stoull(ledger_.fileSnap);
    const std::string name = createOrDelete(
        ledger_.exports, "nfsShare", "n",
        [&](Item& item, const std::string& fresh) {
          return session_.CreateNfsExport(item.id, snap, fresh, UNITY_NFS_DEF_ACCESS_READ_ONLY,
                                          "/" + fresh);
        },
        [&](Item& item) { return session_.DeleteNfsExport(item.id); });
    if (name.empty()) return;
    Item& item = ledger_.exports[name];
    _UnityNfsExportInfo info;
    const bool ok = op("GetNfsExportForPath",
                       [&] { return session_.GetNfsExportForPath(info, snap, "/" + name); });
    if (!readBack(name, item, ok, info.id)) return;
    _UnityNfsHostAccess access;
    access.defaultAccess = UNITY_NFS_DEF_ACCESS_READ_ONLY;
    access.hosts = {{kAttachHost, UNITY_NFS_DEF_ACCESS_ROOT}};
    bool result = true;
    op("SetNfsHostAccess", nullptr, "POST /api/instances/nfsShare/" + item.id + "/action/modify",
       [&] { return session_.SetNfsHostAccess(result, info, access); });
  }

  void cifs() {
    const SnapID snap = std::stoull(ledger_.fileSnap);
    const std::string name = createOrDelete(
        ledger_.shares, "cifsShare", "m",
        [&](Item& item, const std::string& fresh) {
          return session_.CreateCifsShare(item.id, snap, fresh, "/");
        },
        [&](Item& item) { return session_.DeleteCifsShare(item.id); });
    if (name.empty()) return;
    Item& item = ledger_.shares[name];
    _UnityCifsShareInfo info;
    const bool ok =
        op("GetCifsShareForSnap", [&] { return session_.GetCifsShareForSnap(info, snap, name); });
    if (!readBack(name, item, ok, info.id)) return;
    std::list<_UnityCifsShareACE> aces;
    if (draw(1) == 0) {
      op("GetCifsShareACE", [&] { return session_.GetCifsShareACE(aces, item.id); });
      return;
    }
    op("SetCifsShareACE", nullptr, "POST /api/instances/cifsShare/" + item.id + "/action/setACEs",
       [&] {
         return session_.SetCifsShareACE(item.id, {{"S-1-5-21-1-2-3-1001", 1, 4}});
       });
  }

  void host() {
    const std::string name = createOrDelete(
        ledger_.hosts, "host", "h",
        [&](Item& item, const std::string& fresh) {
          return session_.CreateHost(item.id, fresh, UNITY_HOST_TYPE_MANUAL, false, "Linux");
        },
        [&](Item& item) { return session_.DeleteHost(item.id, draw(1) == 1); });
    if (name.empty()) return;
    Item& item = ledger_.hosts[name];
    std::string id;
    readBack(name, item, op("GetHostId", [&] { return session_.GetHostId(id, name); }), id);
    // An initiator or an IP port of the job's host, with a value no other job uses.
    const std::string job = std::to_string(ledger_.job), n = std::to_string(++counter_);
    std::string created;
    if (draw(1) == 0) {
      op("CreateHostInitiator", nullptr, "POST /api/types/hostInitiator/instances name=", [&] {
        return session_.CreateHostInitiator(created, item.id, UNITY_HOSTINITIATOR_TYPE_ISCSI,
                                            "iqn.2026-12.soak:" + job + "." + n);
      });
      return;
    }
    op("CreateHostIPPort", nullptr, "POST /api/types/hostIPPort/instances name=", [&] {
      return session_.CreateHostIPPort(created, item.id,
                                       "10.99." + job + "." + std::to_string(counter_ % 250 + 1));
    });
  }

  // The operation table's queries of the seeded objects: each must succeed or fail with an error.
  void readArray() {
    static const std::vector<unitytest::OperationRow> kReads = unitytest::ReadingOperations();
    const unitytest::OperationRow& read =
        kReads[std::uniform_int_distribution<size_t>(0, kReads.size() - 1)(random_)];
    op(read.name, [&] { return read.run(session_); });
  }

  // Looks up one object whose outcome is unknown, as a backup server does before it goes on; false
  // when there is none.
  bool lookUpUnknown() {
    for (const auto& [type, items] : ledger_.byType()) {
      for (auto& [name, item] : *items) {
        if (item.state != State::Unknown || item.late) continue;
        std::string id;
        const bool found = op("lookup " + type, &item, "", [&, type = type, name = name] {
          _UnitySnapInfo snap;
          _UnityNfsExportInfo nfs;
          _UnityCifsShareInfo cifs;
          if (type == "host") return session_.GetHostId(id, name);
          const bool ok = type == "snap"       ? session_.GetSnapShotForName(snap, name)
                          : type == "nfsShare" ? session_.GetNfsExportForName(nfs, name, "")
                                               : session_.GetCifsShareForName(cifs, name, "");
          id = type == "snap" ? std::to_string(snap.snapId) : type == "nfsShare" ? nfs.id : cifs.id;
          return ok;
        });
        // A lookup that fails for another reason than "does not exist" leaves it unknown.
        if (found || session_.errorCode == kNotFound) {
          item.resolve(found, id);
          ++(found ? ledger_.foundExisting : ledger_.foundAbsent);
        }
        return true;
      }
    }
    return false;
  }

  void finish() override {
    op("OpenConnection", [&] { return session_.OpenConnection(true); });
    // Faults are off: each lookup settles its object. The bound guards against one that does not.
    for (long left = 4 * (ledger_.unknownOutcomes + 1); left > 0 && lookUpUnknown(); --left) {
    }
    op("CloseConnection", [&] { return session_.CloseConnection(false); });
  }

 private:
  Ledger& ledger_;
  const double boundSec_;
  std::mt19937_64 random_;
  long counter_ = 0, operations_ = 0;
  ManageEMCUnity session_;
};

}  // namespace

std::unique_ptr<SoakJob> SoakJob::make(Ledger& ledger, const SoakOptions& options,
                                       const std::string& arrayHost) {
  return std::make_unique<Job>(ledger, options, arrayHost);
}

}  // namespace unitysoak
