#pragma once
// A seeded random mix of every fault the simulator has, for soak runs: while installed, each
// request that no scripted rule matches meets a fault with the given probability, of a kind drawn
// uniformly from those that can apply to it:
//   status-500, status-503, array-error (422 with an array code no operation accepts), 401-storm
//   (the request and the next two of its method and path answer 401), drop, drop-after-work,
//   truncated, malformed, no-csrf, stall, delay; and for requests that run as background jobs
//   (the actions given to slowActions()) job-failure and job-too-slow.
// Which request meets which fault depends on the order requests arrive in; the seed fixes the
// sequence of draws. Thread-safe.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "sim/Faults.h"

namespace unitysim {

class Simulator;

struct RandomFaultOptions {
  std::uint64_t seed = 1;
  double rate = 0.05;                      // share of requests that meet a fault
  std::chrono::milliseconds stall{10000};  // a stall waits this long for the client to hang up
  std::chrono::milliseconds delay{20};     // a delayed answer waits this long
  int jobPolls = 1;                        // polls a background job answers "running"
  int tooSlowPolls = 1000;                 // ... when it meets job-too-slow
};

class RandomFaults {
 public:
  // Installs the mix as the simulator's fault chooser; the destructor removes it.
  RandomFaults(Simulator& sim, RandomFaultOptions options);
  ~RandomFaults();
  RandomFaults(const RandomFaults&) = delete;
  RandomFaults& operator=(const RandomFaults&) = delete;

  // Requests to these (type, action) pairs ("delete" for DELETE of an instance) run as
  // background jobs when they carry a time-out; they may meet the job faults.
  void slowActions(std::vector<std::pair<std::string, std::string>> actions);
  void setEnabled(bool on);
  // Faults injected so far, by kind name.
  std::map<std::string, long> injected() const;

 private:
  std::optional<Fault> choose(const std::string& method, const std::string& path);
  // The (type, action) of a request that runs as a background job; empty otherwise.
  std::pair<std::string, std::string> jobAction(const std::string& method,
                                                const std::string& path) const;

  Simulator& sim_;
  const RandomFaultOptions options_;
  mutable std::mutex mutex_;
  std::mt19937_64 random_;
  bool enabled_ = true;
  std::vector<std::pair<std::string, std::string>> slow_;
  std::map<std::string, long> injected_;
};

}  // namespace unitysim
