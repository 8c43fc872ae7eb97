// The soak under faults: many jobs at once against one simulator that fails at random. Each job
// keeps a ledger of what it asked for and what it was told; the checks compare the ledgers with
// the simulator's model and journal once the run is over.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace unitysoak {

struct SoakOptions {
  int jobs = 16;
  long operations = 3000;  // in all, spread over the jobs
  int rounds = 5;          // memory is read after each
  double faultRate = 0.05;
  std::uint64_t seed = 20261207;
  // Bounds the library runs with (whole seconds, as the settings take them).
  int connectTimeoutSec = 2;
  int stallTimeoutSec = 1;
  int jobPollLimitSec = 10;  // two polls; polls cost no wall time in the soak
};

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
  long calls = 0;
  long failed = 0;
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
  std::vector<std::pair<std::string, const std::map<std::string, Item>*>> byType() const {
    return {{"snap", &snaps}, {"nfsShare", &exports}, {"cifsShare", &shares}, {"host", &hosts}};
  }
  long restoresTried = 0, restoresOk = 0;
  long backupsRemoved = 0;  // restore backups taken out of the model between rounds
  // Creating and changing requests the job asked for, by journal key (see ChangeKey).
  std::map<std::string, long> changeCalls;
  std::map<std::string, OpStats> ops;
  // Failures by error code and text.
  std::map<std::string, long> failures;
  long unknownOutcomes = 0;                 // failed creations and deletions, looked up at the end
  long foundExisting = 0, foundAbsent = 0;  // what those lookups found
  long settledLate = 0;     // unknown outcomes settled from the model (see Item::late)
  long clientTimeouts = 0;  // failures by the client's own time-out
  // Broken invariants seen while running: failed without an error, too slow, reads that
  // contradict the ledger.
  std::vector<std::string> silentFailures, slowOps, wrongReads;
};

// The key a creating or changing request is counted under: method and path, plus the name of
// what a collection POST creates; attach, detach and modify of a snapshot share one key (one
// call sends one of them). Empty for requests that change nothing (logout, the ACE query).
std::string ChangeKey(const std::string& method, const std::string& target,
                      const std::string& body);

}  // namespace unitysoak
