// The soak under faults: each job keeps a ledger of what it asked and was told; the checks compare
// the ledgers with the simulator's model and journal once the run is over.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/Journal.h"
#include "sim/Simulator.h"

namespace unitysoak {

struct SoakOptions {
  int jobs = 16;
  long operations = 3000;  // in all, spread over the jobs
  int rounds = 5;          // memory is read after each
  double faultRate = 0.05;
  std::uint64_t seed = 20261207;
  // Whole seconds, as the settings take them; job polls cost no wall time here, so the poll
  // limit allows two polls.
  int connectTimeoutSec = 2, stallTimeoutSec = 1, jobPollLimitSec = 10;
  // The longest an operation may take: each of its (at most three) sends may meet a stall that
  // libcurl notices up to 2 s after the stall time-out, plus one new connection and a margin.
  double boundSec() const { return 3 * (stallTimeoutSec + 2.0) + connectTimeoutSec + 5; }
};

enum class State { Exists, Gone, Unknown };

// One of a job's objects, as far as the job knows.
struct Item {
  std::string id;  // empty until an answer names it
  State state = State::Unknown;
  bool attached = false, attachKnown = true;  // snapshots: attached to a host, known until it fails
  bool replicated = false;                    // snapshots: marked for replication
  // A request on it timed out at the client: the array may still carry it out after any lookup,
  // so it is settled from the model once the simulator has stopped.
  bool late = false;

  void resolve(bool found, const std::string& foundId) {
    state = found ? State::Exists : State::Gone;
    if (found) id = foundId;
    attachKnown = false;
  }
};

// One job's ledger. Objects are keyed by name; every name carries the job's prefix.
struct Ledger {
  explicit Ledger(int j)
      : job(j),
        prefix("soak" + std::to_string(j) + "_"),
        resource("res_soak" + std::to_string(j)),
        replication("rep_" + resource),
        fileSnap(std::to_string(90000000000LL + j)) {}
  int job;
  std::string prefix, resource, replication, fileSnap;  // fileSnap: exported and shared
  std::map<std::string, Item> snaps, exports, shares, hosts;
  std::vector<std::pair<std::string, std::string>> gone;  // (type, name), moved out each round
  std::vector<std::pair<std::string, std::map<std::string, Item>*>> byType() {
    return {{"snap", &snaps}, {"nfsShare", &exports}, {"cifsShare", &shares}, {"host", &hosts}};
  }
  long restoresTried = 0, restoresOk = 0, backupsRemoved = 0;  // backups: taken out between rounds
  // Creating and changing requests by key: method and path, plus the name of what a collection
  // POST creates; attach, detach and modify of a snapshot share the key ".../action/expose".
  std::map<std::string, long> changeCalls;
  long calls = 0, failed = 0, clientTimeouts = 0;
  // Failed creations and deletions, what their lookups found, and those settled from the model.
  long unknownOutcomes = 0, foundExisting = 0, foundAbsent = 0, settledLate = 0;
  double slowestSec = 0;
  std::vector<std::string> silentFailures, slowOps, wrongReads;  // broken while running
};

// One soak job: its own ManageEMCUnity, its own random generator and its own objects.
class SoakJob {
 public:
  static std::unique_ptr<SoakJob> make(Ledger& ledger, const SoakOptions& options,
                                       const std::string& arrayHost);
  virtual ~SoakJob() = default;
  virtual void run(long n) = 0;  // n operations drawn from the job's generator
  virtual void finish() = 0;     // faults off: looks up every unknown outcome, logs out
};

// What the journal showed, gathered round by round (the journal is emptied after each).
struct JournalTally {
  void add(const std::vector<unitysim::JournalEntry>& entries);
  // Compares the changes the jobs asked for since the last call with those carried out; a key
  // whose calls are all carried out is dropped, so the books stay small.
  void reconcile(std::vector<Ledger>& ledgers);

  long requests = 0, changesTotal = 0, lostLoginAnswers = 0;
  std::map<std::string, long> changeCalls, changesDone;  // by key, while the two differ
  std::vector<std::string> repeated;                     // carried out more often than called
  struct CookieUse {
    bool loggedOut = false, lastFaulted = false;  // lastFaulted: a fault that may end a session
  };
  std::map<std::string, CookieUse> cookies;
};

struct CheckRow {
  std::string invariant;
  bool held = true;
  std::string detail;
};

// Settles the outcomes left late from the model (the simulator must have stopped) and checks.
std::vector<CheckRow> CheckInvariants(unitysim::Simulator& sim, std::vector<Ledger>& ledgers,
                                      const JournalTally& tally, double boundSec);

}  // namespace unitysoak
