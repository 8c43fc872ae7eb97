// Fixtures for tests that run the library against the simulator over verified HTTPS.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/Simulator.h"
#include "unity/ManageEMCUnity.h"

namespace unitytest {

// The array's "does not exist" code, and FS_Home_hourly, the default seed's snapshot of fs_1.
constexpr unsigned long long kNotFound = 131149829;
constexpr SnapID kFileSnap = 38654705849ULL;

// Replaces SleepMillis while alive: waits are counted, not slept. Process-wide, so one at a time.
class SleepCounter {
 public:
  SleepCounter();
  ~SleepCounter();
  SleepCounter(const SleepCounter&) = delete;
  SleepCounter& operator=(const SleepCounter&) = delete;

  int waits() const { return state_->waits.load(); }
  unsigned long long totalMillis() const { return state_->millis.load(); }

 private:
  struct State {
    std::atomic<int> waits{0};
    std::atomic<unsigned long long> millis{0};
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// A settings override for one scope; removed (not restored) when the scope ends.
class ScopedSetting {
 public:
  ScopedSetting(std::string section, std::string key, const std::string& value);
  ~ScopedSetting();
  ScopedSetting(const ScopedSetting&) = delete;
  ScopedSetting& operator=(const ScopedSetting&) = delete;

 private:
  std::string section_;
  std::string key_;
};

// A simulator per test whose certificate the library trusts, the sleep replaced by a counter,
// logging quiet. Sessions from makeSession must end before the test (they log out on the way).
class SimulatorTest : public ::testing::Test {
 protected:
  static constexpr const char* kUser = "admin";
  static constexpr const char* kPassword = "Password123!";

  virtual unitysim::SimOptions simOptions() const { return unitysim::SimOptions(); }

  void SetUp() override;
  void TearDown() override;

  // A session with the simulator chosen and the right credentials, not yet logged in.
  std::unique_ptr<ManageEMCUnity> makeSession(unsigned long long jobId = 1001) const;
  // The fixture's own session from makeSession(), made on first use and destroyed in TearDown.
  ManageEMCUnity& session();

  unitysim::Simulator& sim() { return *sim_; }
  SleepCounter& sleeps() { return *sleeps_; }
  // Journal entries whose method matches (empty = any) and whose path starts with prefix.
  std::vector<unitysim::JournalEntry> requests(const std::string& method,
                                               const std::string& prefix = "/api/") const;
  // GETs of the login-session collection carrying credentials, in the journal.
  size_t loginRequests() const;

 private:
  std::unique_ptr<unitysim::Simulator> sim_;
  std::unique_ptr<SleepCounter> sleeps_;
  std::unique_ptr<ManageEMCUnity> session_;
};

}  // namespace unitytest
