#include "sim/RandomFaults.h"

#include <algorithm>

#include "sim/Simulator.h"

namespace unitysim {
namespace {

// An array code that no operation lists as acceptable, so it always fails the operation.
constexpr std::uint32_t kBusyCode = 0x6000FFF;

enum class Kind {
  Status500,
  Status503,
  ArrayError,
  Storm401,
  Drop,
  DropAfterWork,
  Truncated,
  Malformed,
  NoCsrf,
  Stall,
  Delay,
  JobFailure,
  JobTooSlow,
};

const char* kindName(Kind k) {
  switch (k) {
    case Kind::Status500:
      return "status-500";
    case Kind::Status503:
      return "status-503";
    case Kind::ArrayError:
      return "array-error";
    case Kind::Storm401:
      return "401-storm";
    case Kind::Drop:
      return "drop";
    case Kind::DropAfterWork:
      return "drop-after-work";
    case Kind::Truncated:
      return "truncated";
    case Kind::Malformed:
      return "malformed";
    case Kind::NoCsrf:
      return "no-csrf";
    case Kind::Stall:
      return "stall";
    case Kind::Delay:
      return "delay";
    case Kind::JobFailure:
      return "job-failure";
    case Kind::JobTooSlow:
      return "job-too-slow";
  }
  return "";
}

// Splits "/api/instances/<type>/<id>[/action/<name>]".
std::vector<std::string> segments(const std::string& path) {
  std::vector<std::string> out;
  size_t pos = 1;
  while (pos <= path.size()) {
    const size_t end = std::min(path.find('/', pos), path.size());
    out.push_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

}  // namespace

RandomFaults::RandomFaults(Simulator& sim, RandomFaultOptions options)
    : sim_(sim), options_(options), random_(options.seed) {
  sim_.faults().setChooser(
      [this](const std::string& method, const std::string& path) { return choose(method, path); });
}

RandomFaults::~RandomFaults() {
  sim_.faults().setChooser(nullptr);
}

void RandomFaults::slowActions(std::vector<std::pair<std::string, std::string>> actions) {
  for (const auto& [type, action] : actions) sim_.setSlow(type, action, options_.jobPolls);
  std::lock_guard<std::mutex> g(mutex_);
  slow_ = std::move(actions);
}

void RandomFaults::setEnabled(bool on) {
  std::lock_guard<std::mutex> g(mutex_);
  enabled_ = on;
  if (on) return;
  // A job fault drawn last may still be pending: the next job runs normally.
  sim_.jobs().takeFailure();
  for (const auto& [type, action] : slow_) sim_.setSlow(type, action, options_.jobPolls);
}

std::map<std::string, long> RandomFaults::injected() const {
  std::lock_guard<std::mutex> g(mutex_);
  return injected_;
}

std::pair<std::string, std::string> RandomFaults::jobAction(const std::string& method,
                                                            const std::string& path) const {
  const std::vector<std::string> s = segments(path);
  if (s.size() < 4 || s[0] != "api" || s[1] != "instances") return {};
  std::pair<std::string, std::string> key;
  if (method == "DELETE" && s.size() == 4) key = {s[2], "delete"};
  if (method == "POST" && s.size() == 6 && s[4] == "action") key = {s[2], s[5]};
  if (std::find(slow_.begin(), slow_.end(), key) == slow_.end()) return {};
  return key;
}

std::optional<Fault> RandomFaults::choose(const std::string& method, const std::string& path) {
  std::lock_guard<std::mutex> g(mutex_);
  if (!enabled_) return std::nullopt;
  const auto job = jobAction(method, path);
  // Slowness is per action: a job fault drawn earlier is undone by the next request to it.
  if (!job.first.empty()) sim_.setSlow(job.first, job.second, options_.jobPolls);
  if (std::uniform_real_distribution<double>(0.0, 1.0)(random_) >= options_.rate)
    return std::nullopt;

  const int kinds = static_cast<int>(job.first.empty() ? Kind::Delay : Kind::JobTooSlow) + 1;
  const Kind kind = static_cast<Kind>(std::uniform_int_distribution<int>(0, kinds - 1)(random_));
  ++injected_[kindName(kind)];
  switch (kind) {
    case Kind::Status500:
      return Fault::error(500, 0, "");
    case Kind::Status503:
      return Fault::httpStatus(503, false);
    case Kind::ArrayError:
      return Fault::error(422, kBusyCode, "The system is busy. Try again later.");
    case Kind::Storm401:
      // The retries of the same request meet the storm too: the operation runs out of sends.
      sim_.faults().add(Fault::httpStatus(401, false).on(method, path).times(2));
      return Fault::httpStatus(401, false);
    case Kind::Drop:
      return Fault::drop();
    case Kind::DropAfterWork:
      return Fault::dropAfterWork();
    case Kind::Truncated:
      return Fault::truncated();
    case Kind::Malformed:
      return Fault::malformed();
    case Kind::NoCsrf:
      return Fault::noCsrf();
    case Kind::Stall: {
      Fault f = Fault::stall();
      f.delay = options_.stall;
      return f;
    }
    case Kind::Delay:
      return Fault::delayed(options_.delay);
    case Kind::JobFailure:
      sim_.failNextJob(kBusyCode, "The job failed: the system is busy.", 422);
      return std::nullopt;
    case Kind::JobTooSlow:
      sim_.setSlow(job.first, job.second, options_.tooSlowPolls);
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace unitysim
