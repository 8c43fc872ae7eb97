// The soak under faults: many jobs at once against one simulator that fails at random. Each job
// keeps a ledger of what it asked for and what it was told; the checks compare the ledgers with
// the simulator's model and journal once the run is over.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "sim/Journal.h"
#include "sim/Simulator.h"
#include "unity/ManageEMCUnity.h"

namespace unitysoak {

struct SoakOptions {
  int jobs = 16;
  long operations = 3000;  // in all, spread over the jobs
  int rounds = 5;          // memory is read after each
  double faultRate = 0.05;
  std::uint64_t seed = 20261207;
  // Bounds the library runs with (whole seconds, as the settings take them); job polls cost no
  // wall time in the soak, so the poll limit allows two polls.
  int connectTimeoutSec = 2, stallTimeoutSec = 1, jobPollLimitSec = 10;
};

// The longest an operation may take: every send of it may meet a stall that the stall time-out
// ends, and the connect time-out bounds a new connection.
double OperationBoundSec(const SoakOptions& options);

// What happened to one of a job's objects, as far as the job knows.
enum class State { Exists, Gone, Unknown };

struct Item {
  std::string id;  // empty until an answer names it
  State state = State::Unknown;
  bool attached = false;    // snapshots: attached to a host
  bool attachKnown = true;  // false once an attach or detach failed
  bool replicated = false;  // snapshots: marked for replication
  // A request on it timed out at the client: the array may still carry it out after any lookup,
  // so it is settled from the model once the simulator has stopped.
  bool late = false;
  std::string history;  // the operations on it and their outcomes, for failure messages

  // Settles an unknown outcome once a lookup has found the object (with its id) or not.
  void resolve(bool found, const std::string& foundId) {
    state = found ? State::Exists : State::Gone;
    if (found) id = foundId;
    attachKnown = false;
  }
};

struct OpStats {
  long calls = 0, failed = 0;
  double slowestSec = 0;
};

// One job's ledger. Objects are keyed by name; every name carries the job's prefix.
struct Ledger {
  int job = 0;
  std::string prefix;       // "soak<job>_"
  std::string resource;     // the job's block storage resource
  std::string replication;  // its replication session
  std::string fileSnap;     // the job's snapshot of a file system (exports and shares)
  std::map<std::string, Item> snaps, exports, shares, hosts;
  // Deleted objects as (model type, name), moved out of the maps after each round so that the
  // ledger does not grow with the run.
  std::vector<std::pair<std::string, std::string>> gone;
  // The object maps by the model's type name.
  std::vector<std::pair<std::string, std::map<std::string, Item>*>> byType() {
    return {{"snap", &snaps}, {"nfsShare", &exports}, {"cifsShare", &shares}, {"host", &hosts}};
  }
  long restoresTried = 0, restoresOk = 0;
  long backupsRemoved = 0;  // restore backups taken out of the model between rounds
  // Creating and changing requests the job asked for, by ChangeKey.
  std::map<std::string, long> changeCalls;
  std::map<std::string, OpStats> ops;
  std::map<std::string, long> failures;     // by error code and text
  long unknownOutcomes = 0;                 // failed creations and deletions, looked up later
  long foundExisting = 0, foundAbsent = 0;  // what those lookups found
  long settledLate = 0;                     // unknown outcomes settled from the model (Item::late)
  long clientTimeouts = 0;                  // failures by the client's own time-out
  // Broken invariants seen while running: failed without an error, too slow, reads that
  // contradict the ledger.
  std::vector<std::string> silentFailures, slowOps, wrongReads;
};

// One soak job: its own ManageEMCUnity, its own random generator and its own objects.
class SoakJob {
 public:
  SoakJob(Ledger& ledger, const SoakOptions& options, const std::string& arrayHost);
  void run(long n);  // n operations drawn from the job's generator
  void finish();     // with faults off: looks up every object whose outcome is unknown, logs out

 private:
  using Call = std::function<bool()>;
  // Times one operation, counts it, and checks that a failure left a code and a text. On one of
  // the job's objects it goes into the object's history; a creating or changing request is
  // counted under its ChangeKey first.
  bool op(const std::string& name, Item* item, const std::string& changeKey, const Call& call);
  bool op(const std::string& name, const Call& call) { return op(name, nullptr, "", call); }
  // Checks a read of one of the job's objects: it exists, with the id the ledger holds.
  bool readBack(const std::string& name, const Item& item, bool ok, const std::string& id);
  // A name from the ledger that fits, drawn at random; empty when there is none.
  std::string pick(const std::map<std::string, Item>& items,
                   const std::function<bool(const Item&)>& fits);
  int draw(int most) { return std::uniform_int_distribution<int>(0, most)(random_); }
  // The ledger after a creation or deletion: `done` when it succeeded, else unknown until a lookup.
  void settle(Item& item, bool ok, State done);

  // One step on the job's exports, shares or hosts: creates one (always when none exists),
  // deletes one, or returns the name of an existing one for the caller to read; empty when it
  // created or deleted.
  std::string createOrDelete(std::map<std::string, Item>& items, const std::string& type,
                             const char* letter, const char* createOp, const char* deleteOp,
                             const std::function<bool(Item&, const std::string&)>& create,
                             const std::function<bool(Item&)>& remove);
  void createSnap(bool copy);
  void deleteSnap();
  void readSnap();
  void restoreSnap();
  void exposeSnap();
  void replicate();
  void nfs();
  void cifs();
  void host();
  void readArray();

  // Looks up one object whose outcome is unknown, as a backup server does before it goes on;
  // false when there is none. A lookup that fails for another reason than "does not exist"
  // leaves it unknown.
  bool lookUpUnknown();

  Ledger& ledger_;
  const double boundSec_;
  std::mt19937_64 random_;
  long counter_ = 0;
  long operations_ = 0;
  std::string initiator_;      // the last host initiator the job created
  bool lastTimedOut_ = false;  // the last failed operation ended by the client's time-out
  ManageEMCUnity session_;
};

// The key a creating or changing request is counted under: method and path, plus the name of
// what a collection POST creates; attach, detach and modify of a snapshot share one key (one
// call sends one of them). Empty for requests that change nothing (logout, the ACE query).
std::string ChangeKey(const std::string& method, const std::string& target,
                      const std::string& body);

// What the journal showed, gathered round by round (the journal is emptied after each).
class JournalTally {
 public:
  void add(const std::vector<unitysim::JournalEntry>& entries);
  // Takes the changes the jobs asked for since the last call (emptying their ledgers' lists) and
  // compares them with those carried out. A key whose calls are all carried out is dropped, so
  // the books stay small; one carried out again later shows as carried out beyond its calls.
  void reconcile(std::vector<Ledger>& ledgers);

  long requests = 0, changesTotal = 0;
  // By ChangeKey: calls the jobs made, and requests the array carried out (or may have: the
  // answer was lost), while the two differ.
  std::map<std::string, long> changeCalls, changesDone;
  std::vector<std::string> repeated;  // keys carried out more often than called
  long lostLoginAnswers = 0;  // logins the array answered but the answer never arrived whole
  struct CookieUse {
    bool loggedOut = false;    // a logout with this session was carried out
    bool lastFaulted = false;  // the session's last request met a fault that may end a session
  };
  std::map<std::string, CookieUse> cookies;
};

struct CheckRow {
  std::string invariant;
  bool held = true;
  std::string detail;
};

// Settles the outcomes the jobs could not look up safely (Item::late) from the model. The
// simulator must have stopped, so that no request is still being carried out.
void SettleLateOutcomes(unitysim::Simulator& sim, std::vector<Ledger>& ledgers);

std::vector<CheckRow> CheckInvariants(unitysim::Simulator& sim, std::vector<Ledger>& ledgers,
                                      const JournalTally& tally, double boundSec);

}  // namespace unitysoak
