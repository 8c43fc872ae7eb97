// One soak job: its own ManageEMCUnity, its own random generator and its own objects.
#pragma once

#include <functional>
#include <random>
#include <string>

#include "tests/soak/Soak.h"
#include "unity/ManageEMCUnity.h"

namespace unitysoak {

// The longest an operation may take: every send of it may meet a stall that the stall time-out
// ends, and the connect time-out bounds a new connection; background jobs cost no wall time.
double OperationBoundSec(const SoakOptions& options);

class SoakJob {
 public:
  SoakJob(Ledger& ledger, const SoakOptions& options, const std::string& arrayHost);

  // Runs n operations drawn from the job's generator.
  void run(long n);
  // With faults off: looks up every object whose outcome is unknown and logs out.
  void finish();

 private:
  // Times one operation, counts it, and checks that a failure left a code and a text.
  bool op(const std::string& name, const std::function<bool()>& call);
  // op() on one of the job's objects, written into the object's history.
  bool opOn(Item& item, const std::string& name, const std::function<bool()>& call);
  void counted(const std::string& key) { ++ledger_.changeCalls[key]; }
  // op() of a creating or changing request, counted under its journal key.
  bool change(const std::string& key, const std::string& name, const std::function<bool()>& call);
  // Checks a read of one of the job's objects: it exists, with the id the ledger holds.
  bool readBack(const std::string& name, const Item& item, bool ok, const std::string& id);
  // A name from the ledger in the given state, drawn at random; empty when there is none.
  std::string pick(const std::map<std::string, Item>& items,
                   const std::function<bool(const Item&)>& fits);
  std::string newName(const char* kind);
  // The ledger after a creation or deletion: `done` when it succeeded, else unknown until a lookup.
  void settle(Item& item, bool ok, State done);

  // One step on the job's objects of one kind (exports, shares, hosts): creates one (always when
  // none exists), deletes one, or returns the name of an existing one for the caller to read;
  // empty when it created or deleted.
  std::string createOrDelete(std::map<std::string, Item>& items, const std::string& type,
                             const char* letter, size_t most, const char* createOp,
                             const char* deleteOp,
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
  void reconnect();

  // Looks up one object whose outcome is unknown, as a backup server does before it goes on;
  // false when there is none. A lookup that fails for another reason than "does not exist"
  // leaves it unknown.
  bool lookUpUnknown();
  bool lookUp(const std::string& type, const std::string& name, std::string& id);

  Ledger& ledger_;
  const double boundSec_;
  std::mt19937_64 random_;
  long counter_ = 0;
  long operations_ = 0;
  std::string initiator_;      // the last host initiator the job created
  bool lastTimedOut_ = false;  // the last failed operation ended by the client's time-out
  ManageEMCUnity session_;
};

}  // namespace unitysoak
