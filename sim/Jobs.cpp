#include "sim/Jobs.h"

#include "sim/Errors.h"
#include "sim/ObjectModel.h"

namespace unitysim {
namespace {

// Job state and task state numbers of the array.
constexpr int kJobRunning = 2;
constexpr int kJobCompleted = 4;
constexpr int kJobFailed = 5;
constexpr int kTaskRunning = 1;
constexpr int kTaskCompleted = 2;
constexpr int kTaskFailed = 3;

// Private bookkeeping kept in the stored job under a key no type defines, so it is never
// rendered or filtered on.
constexpr const char* kPrivate = "~sim";

// Task and job messages use the localised-message shape, unlike the error envelope.
Json localized(std::uint32_t errorCode, const std::string& text) {
  return Json{{"errorCode", errorCode},
              {"messages", Json::array({Json{{"locale", "en_US"}, {"message", text}}})}};
}

}  // namespace

void Jobs::setSlow(const std::string& type, const std::string& action, int pollsBeforeDone) {
  std::lock_guard<std::mutex> g(mutex_);
  slow_[{type, action}] = pollsBeforeDone < 0 ? 0 : pollsBeforeDone;
}

std::optional<int> Jobs::slow(const std::string& type, const std::string& action) const {
  std::lock_guard<std::mutex> g(mutex_);
  auto it = slow_.find({type, action});
  return it == slow_.end() ? std::nullopt : std::optional<int>(it->second);
}

void Jobs::clearSlow() {
  std::lock_guard<std::mutex> g(mutex_);
  slow_.clear();
}

std::map<std::pair<std::string, std::string>, int> Jobs::slowActions() const {
  std::lock_guard<std::mutex> g(mutex_);
  return slow_;
}

void Jobs::setDefaultPolls(int polls) {
  std::lock_guard<std::mutex> g(mutex_);
  defaultPolls_ = polls < 0 ? 0 : polls;
}

int Jobs::pollsFor(const std::string& type, const std::string& action) const {
  if (auto s = slow(type, action)) return *s;
  std::lock_guard<std::mutex> g(mutex_);
  return defaultPolls_;
}

void Jobs::failNextJob(std::uint32_t errorCode, std::string message, int httpStatus) {
  std::lock_guard<std::mutex> g(mutex_);
  JobOutcome o;
  o.ok = false;
  o.errorCode = errorCode;
  o.message = std::move(message);
  o.httpStatus = httpStatus;
  failNext_ = o;
}

std::optional<JobOutcome> Jobs::takeFailure() {
  std::lock_guard<std::mutex> g(mutex_);
  auto f = std::move(failNext_);
  failNext_.reset();
  return f;
}

std::optional<JobOutcome> Jobs::pendingFailure() const {
  std::lock_guard<std::mutex> g(mutex_);
  return failNext_;
}

Json Jobs::submit(ObjectModel& model, const std::string& methodName, const std::string& description,
                  int polls, const JobOutcome& outcome, SimClock::TimePoint now) {
  const std::string time = isoTime(now);
  Json job = {{"state", kJobRunning},
              {"description", description},
              {"methodName", methodName},
              {"progressPct", 0},
              {"submitTime", time},
              {"startTime", time},
              {"stateChangeTime", time},
              {"elapsedTime", "00:00:00.000"},
              {"estRemainTime", "00:00:05.000"},
              {"owner", "System"},
              {"requestId", ""},
              {"clientData", ""},
              {"parametersOut", Json::object()},
              {"isJobCancelable", false},
              {"isJobCancelled", false},
              {"tasks", Json::array({Json{{"name", description}, {"state", kTaskRunning}}})}};
  Json priv = {{"pollsLeft", polls},
               {"ok", outcome.ok},
               {"httpStatus", outcome.httpStatus},
               {"content", outcome.content},
               {"errorCode", outcome.errorCode},
               {"message", outcome.message},
               {"submitted", now.time_since_epoch().count()}};
  job[kPrivate] = priv;
  const std::string id = model.add("job", job);
  Json answer = *model.get("job", id);
  answer.erase(kPrivate);
  return answer;
}

void Jobs::advance(Json& job, SimClock::TimePoint now) {
  auto privIt = job.find(kPrivate);
  if (privIt == job.end() || job.value("state", 0) != kJobRunning) return;
  Json& priv = *privIt;
  const int left = priv.value("pollsLeft", 0);
  if (left > 0) {
    priv["pollsLeft"] = left - 1;
    return;
  }
  const std::string time = isoTime(now);
  const SimClock::TimePoint submitted{
      SimClock::TimePoint::duration(priv.value("submitted", static_cast<long long>(0)))};
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - submitted);
  const bool ok = priv.value("ok", true);
  const std::uint32_t errorCode = priv.value("errorCode", 0u);
  const int httpStatus = priv.value("httpStatus", 200);
  const std::string text =
      ok ? "Success" : messageWithCode(priv.value("message", std::string()), errorCode);
  Json message = localized(errorCode, text);
  message["httpStatusCode"] = httpStatus;
  message["created"] = time;

  job["state"] = ok ? kJobCompleted : kJobFailed;
  job["stateChangeTime"] = time;
  job["endTime"] = time;
  job["elapsedTime"] = intervalText(elapsed);
  job["estRemainTime"] = "00:00:00.000";
  if (ok) {
    job["progressPct"] = 100;
    job["parametersOut"] = priv.value("content", Json::object());
  }
  job["messageOut"] = message;
  for (Json& task : job["tasks"]) {
    task["state"] = ok ? kTaskCompleted : kTaskFailed;
    task["messages"] = Json::array({localized(errorCode, text)});
  }
  job.erase(kPrivate);
}

}  // namespace unitysim
