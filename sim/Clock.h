#pragma once
// Simulated time: the wall clock plus an offset tests can advance, so session expiry and job
// timestamps need no real waiting.

#include <atomic>
#include <chrono>
#include <string>

namespace unitysim {

class SimClock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  TimePoint now() const {
    return std::chrono::system_clock::now() + std::chrono::milliseconds(offsetMs_.load());
  }
  void advance(std::chrono::milliseconds by) { offsetMs_ += by.count(); }

 private:
  std::atomic<long long> offsetMs_{0};
};

// "2015-12-02T21:03:14.446Z"
std::string isoTime(SimClock::TimePoint t);
// The array's interval form "h+:mm:ss.sss", e.g. "00:01:40.000".
std::string intervalText(std::chrono::milliseconds d);

}  // namespace unitysim
