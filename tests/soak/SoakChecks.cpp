#include <algorithm>
#include <optional>
#include <set>

#include "sim/Json.h"
#include "sim/Sessions.h"
#include "tests/soak/Soak.h"

namespace unitysoak {
namespace {

using unitysim::Json;

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string PathOf(const std::string& target) {
  return target.substr(0, target.find('?'));
}

bool IsLogout(const unitysim::JournalEntry& e) {
  return e.method == "POST" && EndsWith(PathOf(e.target), "/loginSessionInfo/action/logout");
}

// The array carried the request out, or may have: its answer was lost after the work.
bool Done(const unitysim::JournalEntry& e) {
  return (e.status >= 200 && e.status < 300) || e.fault == "drop-after-work";
}

std::string IdOf(const Json& o, const char* ref = nullptr) {
  return (ref ? o[ref] : o).value("id", std::string());
}

// A row of the table: held when no fault was found; the detail says what held, or the faults.
CheckRow Row(const char* invariant, const std::vector<std::string>& faults, const std::string& held,
             size_t most = 3) {
  std::string out;
  for (size_t i = 0; i < faults.size() && i < most; ++i) out += (i ? "; " : "") + faults[i];
  if (faults.size() > most) out += "; ... (" + std::to_string(faults.size()) + " in all)";
  return {invariant, faults.empty(), faults.empty() ? held : out};
}

// The key a creating or changing request is counted under (Ledger::changeCalls); empty for
// requests that change nothing.
std::string ChangeKey(const std::string& method, const std::string& target,
                      const std::string& body) {
  if (method != "POST" && method != "PUT") return {};
  const std::string path = PathOf(target);
  if (EndsWith(path, "/action/logout") || EndsWith(path, "/action/getACEs")) return {};
  if (path.rfind("/api/types/", 0) == 0 && EndsWith(path, "/instances")) {
    const Json b = Json::parse(body, nullptr, false);
    const bool named = b.is_object() && b.contains("name") && b["name"].is_string();
    return method + " " + path + " name=" + (named ? b["name"].get<std::string>() : "");
  }
  if (path.rfind("/api/instances/snap/", 0) == 0)
    for (const std::string action : {"/action/attach", "/action/detach", "/action/modify"})
      if (EndsWith(path, action))
        return method + " " + path.substr(0, path.size() - action.size()) + "/action/expose";
  return method + " " + path;
}

}  // namespace

void JournalTally::add(const std::vector<unitysim::JournalEntry>& entries) {
  for (const unitysim::JournalEntry& e : entries) {
    ++requests;
    const std::string key = ChangeKey(e.method, e.target, e.body);
    if (!key.empty() && Done(e)) {
      ++changesDone[key];
      ++changesTotal;
    }
    const bool login =
        e.method == "GET" && PathOf(e.target) == "/api/types/loginSessionInfo/instances";
    lostLoginAnswers += login && e.hasHeader("Authorization") &&
                        (e.fault == "drop-after-work" || e.fault == "truncated" ||
                         e.fault == "malformed" || e.fault == "no-csrf");
    const std::string cookie = unitysim::Sessions::cookieFrom(e.header("Cookie"));
    if (cookie.empty()) continue;
    CookieUse& use = cookies[cookie];
    use.loggedOut = use.loggedOut || (IsLogout(e) && Done(e));
    // A sound client may leave its session behind after a lost answer or session (401, a broken
    // connection or answer) or a refused logout.
    use.lastFaulted = !e.fault.empty() && e.fault != "delay" &&
                      (e.fault != "status" || e.status == 401 || IsLogout(e));
  }
}

void JournalTally::reconcile(std::vector<Ledger>& ledgers) {
  for (Ledger& l : ledgers) {
    for (const auto& [key, n] : l.changeCalls) changeCalls[key] += n;
    l.changeCalls.clear();
  }
  for (auto it = changesDone.begin(); it != changesDone.end();) {
    const long calls = changeCalls[it->first];
    if (it->second > calls)
      repeated.push_back(it->first + ": carried out " + std::to_string(it->second) + " times for " +
                         std::to_string(calls) + " calls");
    if (it->second < calls) {
      ++it;
      continue;
    }
    changeCalls.erase(it->first);
    it = changesDone.erase(it);
  }
}

std::vector<CheckRow> CheckInvariants(unitysim::Simulator& sim, std::vector<Ledger>& ledgers,
                                      const JournalTally& tally, double boundSec) {
  for (Ledger& l : ledgers)
    for (const auto& [type, items] : l.byType())
      for (auto& [name, item] : *items) {
        if (item.state != State::Unknown || !item.late) continue;
        const std::optional<Json> found = sim.model().findByName(type, name);
        item.resolve(found.has_value(), found ? IdOf(*found) : "");
        ++l.settledLate;
      }
  std::map<std::string, std::map<std::string, std::vector<Json>>> byName;  // type, name
  for (const char* type : {"snap", "nfsShare", "cifsShare", "host"})
    for (const Json& o : sim.model().list(type)) byName[type][o.value("name", "")].push_back(o);

  std::vector<std::string> seen, once, silent, slow, wrong;
  long unknown = 0, existing = 0, absent = 0, settled = 0, timeouts = 0, objects = 0, failed = 0;
  double slowest = 0;
  for (Ledger& l : ledgers) {
    silent.insert(silent.end(), l.silentFailures.begin(), l.silentFailures.end());
    slow.insert(slow.end(), l.slowOps.begin(), l.slowOps.end());
    wrong.insert(wrong.end(), l.wrongReads.begin(), l.wrongReads.end());
    failed += l.failed;
    slowest = std::max(slowest, l.slowestSec);
    unknown += l.unknownOutcomes;
    existing += l.foundExisting;
    absent += l.foundAbsent;
    settled += l.settledLate;
    timeouts += l.clientTimeouts;
    std::set<std::string> known;  // "type name" of every object in the ledger, deleted ones too
    for (const auto& [type, items] : l.byType()) {
      for (const auto& [name, item] : *items) {
        const std::vector<Json>& found = byName[type][name];
        const std::string what = type + " " + name;
        known.insert(what);
        if (found.size() > 1)
          once.push_back(what + " exists " + std::to_string(found.size()) + "x");
        if (item.state == State::Unknown) once.push_back(what + " still unknown");
        if (item.state == State::Gone && !found.empty()) seen.push_back(what + " not gone");
        if (item.state != State::Exists) continue;
        ++objects;
        if (found.empty() || IdOf(found[0]) != item.id) {
          seen.push_back(what + " (id " + item.id + ") " +
                         (found.empty() ? "missing" : "has id " + IdOf(found[0])));
          continue;
        }
        const Json& o = found[0];
        if (type == "snap") {
          if (IdOf(o, "storageResource") != l.resource) seen.push_back(what + " resource");
          if (item.attachKnown && item.attached != o.contains("attachedWWN"))
            seen.push_back(what + " attachment differs");
          if (item.replicated && !o.contains("snapRemoteRetentionPolicies"))
            seen.push_back(what + " not marked for replication");
        } else if (type == "host") {
          if (o.value("osType", "") != "Linux") seen.push_back(what + " osType");
        } else if (IdOf(o, "snap") != l.fileSnap ||
                   o.value("path", "") != (type == "nfsShare" ? "/" + name : "/")) {
          seen.push_back(what + " not on the job's snapshot and path");
        }
      }
    }
    for (const auto& [type, name] : l.gone) {
      known.insert(type + " " + name);
      if (!byName[type][name].empty()) seen.push_back(type + " " + name + " should be gone");
    }
    // Objects of the job's that its ledger does not know; restore backups are counted.
    long backups = l.backupsRemoved;
    for (const auto& [type, names] : byName)
      for (const auto& [name, objs] : names)
        for (const Json& o : objs) {
          const bool ours = name.rfind(l.prefix, 0) == 0;
          if (type == "snap" && !ours && IdOf(o, "storageResource") == l.resource) {
            if (name.rfind("Restore_", 0) == 0)
              ++backups;
            else
              seen.push_back("snap " + name + " on " + l.resource + " unknown to the job");
          }
          if (ours && known.count(type + " " + name) == 0)
            seen.push_back(type + " " + name + " unknown to the job");
        }
    if (backups < l.restoresOk || backups > l.restoresTried)
      seen.push_back(l.resource + ": " + std::to_string(backups) + " restore backups for " +
                     std::to_string(l.restoresOk) + " of " + std::to_string(l.restoresTried) +
                     " restores done");
  }
  char bound[80];
  std::snprintf(bound, sizeof bound, "slowest %.2f s, bound %.2f s", slowest, boundSec);
  std::vector<CheckRow> rows = {
      Row("succeeded operations are in the model, and only they", seen,
          std::to_string(objects) + " objects as the ledgers say"),
      Row("unknown outcomes resolved by lookup, each object at most once", once,
          std::to_string(unknown) + " looked up: " + std::to_string(existing) + " existed, " +
              std::to_string(absent) + " absent, " + std::to_string(settled) +
              " settled from the model after a client time-out"),
      Row("failed operations left a code and a text", silent,
          std::to_string(failed) + " failures, each with both", 40),
      Row("no creating or changing request carried out twice", tally.repeated,
          std::to_string(tally.changesTotal) + " changes carried out, none beyond its calls"),
      Row("no operation outlasted its bounds", slow, bound),
      Row("reads agree with the ledger", wrong, "no read contradicted what the job was told")};

  // Each session the library held at its end was logged out. Sessions lost through a fault stay
  // until the array's idle time-out, as on a real array; they are counted, not excused silently.
  long loggedOut = 0, lostByFault = 0, leaked = 0;  // leaked: left after a normal answer
  for (const auto& [cookie, use] : tally.cookies)
    ++(use.loggedOut ? loggedOut : use.lastFaulted ? lostByFault : leaked);
  const long created = sim.loginCount();
  const long neverSeen = created - static_cast<long>(tally.cookies.size());
  const long active = static_cast<long>(sim.activeSessions());
  // A login the client gave up on (its time-out) may still have been carried out.
  const bool held = leaked == 0 && neverSeen <= tally.lostLoginAnswers + timeouts &&
                    active == neverSeen + lostByFault;
  rows.push_back({"every session logged out at the end", held,
                  std::to_string(created) + " logins, " + std::to_string(loggedOut) +
                      " logged out, " + std::to_string(lostByFault + neverSeen) +
                      " lost through faults (" + std::to_string(neverSeen) +
                      " login answers lost), " + std::to_string(leaked) +
                      " left behind; active at the end " + std::to_string(active)});
  return rows;
}

}  // namespace unitysoak
