#include <algorithm>
#include <optional>
#include <set>
#include <sstream>

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

// A fault after which a sound client may leave its session behind: its login answer or its
// session was lost (401, a broken connection or answer), or its logout was refused.
bool MayEndSession(const unitysim::JournalEntry& e) {
  if (e.fault.empty() || e.fault == "delay") return false;
  if (e.fault == "status") return e.status == 401 || IsLogout(e);
  return true;
}

std::string Join(const std::vector<std::string>& items, size_t most = 3) {
  std::string out;
  for (size_t i = 0; i < items.size() && i < most; ++i) out += (i ? "; " : "") + items[i];
  if (items.size() > most) out += "; ... (" + std::to_string(items.size()) + " in all)";
  return out;
}

// A row of the table: held when no fault was found; the detail says what held, or the faults.
CheckRow Row(const char* invariant, const std::vector<std::string>& faults, const std::string& held,
             size_t most = 3) {
  return {invariant, faults.empty(), faults.empty() ? held : Join(faults, most)};
}

}  // namespace

std::string ChangeKey(const std::string& method, const std::string& target,
                      const std::string& body) {
  if (method != "POST" && method != "PUT") return {};
  const std::string path = PathOf(target);
  if (EndsWith(path, "/action/logout") || EndsWith(path, "/action/getACEs")) return {};
  if (path.rfind("/api/types/", 0) == 0 && EndsWith(path, "/instances")) {
    const Json b = Json::parse(body, nullptr, false);
    const std::string name = b.is_object() && b.contains("name") && b["name"].is_string()
                                 ? b["name"].get<std::string>()
                                 : "";
    return method + " " + path + " name=" + name;
  }
  if (path.rfind("/api/instances/snap/", 0) == 0) {
    for (const char* action : {"/action/attach", "/action/detach", "/action/modify"})
      if (EndsWith(path, action))
        return method + " " + path.substr(0, path.size() - std::string(action).size()) +
               "/action/expose";
  }
  return method + " " + path;
}

void JournalTally::add(const std::vector<unitysim::JournalEntry>& entries) {
  for (const unitysim::JournalEntry& e : entries) {
    ++requests;
    const std::string key = ChangeKey(e.method, e.target, e.body);
    if (!key.empty() && Done(e)) {
      ++changesDone[key];
      ++changesTotal;
    }
    const std::string cookie = unitysim::Sessions::cookieFrom(e.header("Cookie"));
    const bool login =
        e.method == "GET" && PathOf(e.target) == "/api/types/loginSessionInfo/instances";
    if (login && e.hasHeader("Authorization") &&
        (e.fault == "drop-after-work" || e.fault == "truncated" || e.fault == "malformed" ||
         e.fault == "no-csrf"))
      ++lostLoginAnswers;
    if (cookie.empty()) continue;
    CookieUse& use = cookies[cookie];
    if (IsLogout(e) && Done(e)) use.loggedOut = true;
    use.lastFaulted = MayEndSession(e);
  }
}

void SettleLateOutcomes(unitysim::Simulator& sim, std::vector<Ledger>& ledgers) {
  for (Ledger& l : ledgers) {
    for (const auto& [type, items] : l.byType()) {
      for (auto& [name, item] : *items) {
        if (item.state != State::Unknown || !item.late) continue;
        const std::optional<Json> found = sim.model().findByName(type, name);
        item.resolve(found.has_value(), found ? found->value("id", std::string()) : "");
        item.history += ", settled from the model";
        ++l.settledLate;
      }
    }
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
    if (it->second >= calls) {
      changeCalls.erase(it->first);
      it = changesDone.erase(it);
    } else {
      ++it;
    }
  }
}

std::vector<CheckRow> CheckInvariants(unitysim::Simulator& sim, std::vector<Ledger>& ledgers,
                                      const JournalTally& tally, double boundSec) {
  // The model by type and name.
  std::map<std::string, std::map<std::string, std::vector<Json>>> byName;
  for (const char* type : {"snap", "nfsShare", "cifsShare", "host"})
    for (const Json& o : sim.model().list(type))
      byName[type][o.value("name", std::string())].push_back(o);

  std::vector<std::string> seenFaults, onceFaults, silent, slow, wrong;
  long unknown = 0, existing = 0, absent = 0, settled = 0, timeouts = 0, objects = 0, failed = 0;
  double slowest = 0;
  for (Ledger& l : ledgers) {
    silent.insert(silent.end(), l.silentFailures.begin(), l.silentFailures.end());
    slow.insert(slow.end(), l.slowOps.begin(), l.slowOps.end());
    wrong.insert(wrong.end(), l.wrongReads.begin(), l.wrongReads.end());
    for (const auto& [name, s] : l.ops) {
      failed += s.failed;
      slowest = std::max(slowest, s.slowestSec);
    }
    unknown += l.unknownOutcomes;
    existing += l.foundExisting;
    absent += l.foundAbsent;
    settled += l.settledLate;
    timeouts += l.clientTimeouts;
    std::set<std::string> known;  // "type name" of every object in the ledger, deleted ones too
    for (const auto& [type, items] : l.byType()) {
      for (const auto& [name, item] : *items) {
        const std::vector<Json>& found = byName[type][name];
        const std::string what = std::string(type) + " " + name;
        known.insert(what);
        if (found.size() > 1)
          onceFaults.push_back(what + " exists " + std::to_string(found.size()) + " times");
        if (item.state == State::Unknown) onceFaults.push_back(what + " still unknown");
        if (item.state == State::Gone && !found.empty())
          seenFaults.push_back(what + " should be gone after: " + item.history);
        if (item.state != State::Exists) continue;
        ++objects;
        if (found.empty() || found[0].value("id", std::string()) != item.id) {
          seenFaults.push_back(
              what + " (id " + item.id + ") " +
              (found.empty() ? "missing" : "has id " + found[0].value("id", std::string())) +
              " after: " + item.history);
          continue;
        }
        const Json& o = found[0];
        if (std::string(type) == "snap") {
          if (o["storageResource"].value("id", std::string()) != l.resource)
            seenFaults.push_back(what + " on the wrong resource");
          if (item.attachKnown && item.attached != o.contains("attachedWWN"))
            seenFaults.push_back(what + " attachment differs after: " + item.history);
          if (item.replicated && !o.contains("snapRemoteRetentionPolicies"))
            seenFaults.push_back(what + " not marked for replication");
        } else if (std::string(type) == "host") {
          if (o.value("osType", std::string()) != "Linux") seenFaults.push_back(what + " osType");
        } else if (o["snap"].value("id", std::string()) != l.fileSnap ||
                   o.value("path", "") != (type == "nfsShare" ? "/" + name : "/")) {
          seenFaults.push_back(what + " not on the job's snapshot and path");
        }
      }
    }
    for (const auto& [type, name] : l.gone) {
      known.insert(type + " " + name);
      if (!byName[type][name].empty()) seenFaults.push_back(type + " " + name + " should be gone");
    }
    // Objects of the job's that the ledger does not know, and restore backups.
    long backups = l.backupsRemoved;
    for (const auto& [type, names] : byName) {
      for (const auto& [name, objs] : names) {
        for (const Json& o : objs) {
          const bool ours = name.rfind(l.prefix, 0) == 0;
          if (type == "snap" && !ours &&
              o["storageResource"].value("id", std::string()) == l.resource) {
            if (name.rfind("Restore_", 0) == 0) {
              ++backups;
            } else {
              seenFaults.push_back("snap " + name + " on " + l.resource + " unknown to the job");
            }
          }
          if (ours && known.count(type + " " + name) == 0)
            seenFaults.push_back(type + " " + name + " unknown to the job");
        }
      }
    }
    if (backups < l.restoresOk || backups > l.restoresTried)
      seenFaults.push_back(l.resource + ": " + std::to_string(backups) + " restore backups for " +
                           std::to_string(l.restoresOk) + " restores done of " +
                           std::to_string(l.restoresTried));
  }
  std::ostringstream bound;
  bound.precision(2);
  bound << std::fixed << "slowest " << slowest << " s, bound " << boundSec << " s";
  std::vector<CheckRow> rows = {
      Row("succeeded operations are in the model, and only they", seenFaults,
          std::to_string(objects) + " objects as the ledgers say"),
      Row("unknown outcomes resolved by lookup, each object at most once", onceFaults,
          std::to_string(unknown) + " failed creations and deletions looked up: " +
              std::to_string(existing) + " existed, " + std::to_string(absent) + " absent, " +
              std::to_string(settled) + " settled from the model after a client time-out"),
      Row("failed operations left a code and a text", silent,
          std::to_string(failed) + " failures, each with both", 40),
      Row("no creating or changing request carried out twice", tally.repeated,
          std::to_string(tally.changesTotal) + " changes carried out, none beyond its calls"),
      Row("no operation outlasted its bounds", slow, bound.str()),
      Row("reads agree with the ledger", wrong, "no read contradicted what the job was told")};

  // Sessions: each one the library held at its end was logged out. Sessions it lost through a
  // fault (a lost login answer, a 401, a broken connection, a refused logout) stay until the
  // array's idle time-out, as on a real array; they are counted, not excused silently.
  long loggedOut = 0, lostByFault = 0, leaked = 0;  // leaked: left after a normal answer
  for (const auto& [cookie, use] : tally.cookies)
    ++(use.loggedOut ? loggedOut : use.lastFaulted ? lostByFault : leaked);
  const long created = sim.loginCount();
  const long neverSeen = created - static_cast<long>(tally.cookies.size());
  const long active = static_cast<long>(sim.activeSessions());
  // A login the client gave up on (its time-out) may still have been carried out.
  const bool sessionsHeld = leaked == 0 && neverSeen <= tally.lostLoginAnswers + timeouts &&
                            active == neverSeen + lostByFault;
  rows.push_back({"every session logged out at the end", sessionsHeld,
                  std::to_string(created) + " logins, " + std::to_string(loggedOut) +
                      " logged out, " + std::to_string(lostByFault + neverSeen) +
                      " lost through faults (" + std::to_string(neverSeen) +
                      " login answers lost), " + std::to_string(leaked) +
                      " left behind; active at the end " + std::to_string(active)});
  return rows;
}

}  // namespace unitysoak
