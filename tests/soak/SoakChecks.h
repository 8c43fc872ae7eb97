// The invariants of a soak run, checked against the simulator once every job has ended.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sim/Journal.h"
#include "sim/Simulator.h"
#include "tests/soak/Soak.h"

namespace unitysoak {

// What the journal showed, gathered round by round (the journal is emptied after each).
class JournalTally {
 public:
  void add(const std::vector<unitysim::JournalEntry>& entries);
  // Takes the changes the jobs asked for since the last call (emptying their ledgers' lists) and
  // compares them with those carried out. A key whose calls are all carried out is dropped, so
  // the books stay small; one carried out again later shows as carried out beyond its calls.
  void reconcile(std::vector<Ledger>& ledgers);

  long requests = 0;
  long changesTotal = 0;
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

std::vector<CheckRow> CheckInvariants(unitysim::Simulator& sim, const std::vector<Ledger>& ledgers,
                                      const JournalTally& tally, double boundSec);

}  // namespace unitysoak
