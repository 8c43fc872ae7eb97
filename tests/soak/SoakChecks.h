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

  long requests = 0;
  // Creating and changing requests the array carried out (or may have: its answer was lost), by
  // ChangeKey.
  std::map<std::string, long> changesDone;
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
