#pragma once
// Background jobs. A request runs as a job when it carries timeout=0, or timeout=N for an action
// configured as slow. The request's effect is applied when the job is submitted; the job then
// reports state 2 (running) for the configured number of polls of its instance and moves to
// 4 (completed) with the direct answer's content as parametersOut, or 5 (failed) with the error
// in messageOut and in its task. Thread-safe; submit() and advance() run with the model locked.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "sim/Clock.h"
#include "sim/Json.h"

namespace unitysim {

class ObjectModel;

struct JobOutcome {
  bool ok = true;
  int httpStatus = 200;           // the status the direct answer would have had
  Json content = Json::object();  // the direct answer's content (out arguments or {"id"})
  std::uint32_t errorCode = 0;
  std::string message;  // error text without the code suffix
};

class Jobs {
 public:
  // Polls answered "running" before the final state, for a type and action ("create", "delete"
  // or the action's name). Requests with timeout=N>0 to a slow action run as jobs.
  void setSlow(const std::string& type, const std::string& action, int pollsBeforeDone);
  std::optional<int> slow(const std::string& type, const std::string& action) const;
  void clearSlow();
  // Every slow action: (type, action) -> polls.
  std::map<std::pair<std::string, std::string>, int> slowActions() const;
  // Polls in state 2 for jobs of actions not configured as slow (timeout=0). Default 0.
  void setDefaultPolls(int polls);
  int pollsFor(const std::string& type, const std::string& action) const;

  // The next job fails with this error instead of running its request.
  void failNextJob(std::uint32_t errorCode, std::string message, int httpStatus);
  std::optional<JobOutcome> takeFailure();
  std::optional<JobOutcome> pendingFailure() const;  // what takeFailure() would give, kept

  // Adds the job to the model and returns the 202 body (the bare job object).
  Json submit(ObjectModel& model, const std::string& methodName, const std::string& description,
              int polls, const JobOutcome& outcome, SimClock::TimePoint now);
  // One poll of a job instance.
  static void advance(Json& job, SimClock::TimePoint now);

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<std::string, std::string>, int> slow_;
  int defaultPolls_ = 0;
  std::optional<JobOutcome> failNext_;
};

}  // namespace unitysim
