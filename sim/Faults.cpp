#include "sim/Faults.h"

#include <algorithm>

namespace unitysim {

Fault Fault::httpStatus(int status, bool withBody) {
  Fault f;
  f.status = status;
  f.withBody = withBody;
  return f;
}

Fault Fault::error(int status, std::uint32_t errorCode, std::string text) {
  Fault f;
  f.status = status;
  f.errorCode = errorCode;
  f.text = std::move(text);
  return f;
}

Fault Fault::body(int status, std::string rawBody) {
  Fault f;
  f.status = status;
  f.rawBody = std::move(rawBody);
  return f;
}

Fault Fault::malformed() {
  Fault f;
  f.kind = FaultKind::MalformedBody;
  return f;
}

Fault Fault::truncated() {
  Fault f;
  f.kind = FaultKind::TruncatedBody;
  return f;
}

Fault Fault::drop() {
  Fault f;
  f.kind = FaultKind::DropConnection;
  return f;
}

Fault Fault::dropAfterWork() {
  Fault f;
  f.kind = FaultKind::DropAfterWork;
  return f;
}

Fault Fault::delayed(std::chrono::milliseconds by) {
  Fault f;
  f.kind = FaultKind::Delay;
  f.delay = std::min(by, std::chrono::milliseconds(10000));
  return f;
}

Fault Fault::noCsrf() {
  Fault f;
  f.kind = FaultKind::NoCsrfHeader;
  return f;
}

Fault Fault::stall() {
  Fault f;
  f.kind = FaultKind::Stall;
  f.delay = std::chrono::milliseconds(10000);
  return f;
}

const char* faultName(FaultKind kind) {
  switch (kind) {
    case FaultKind::Status:
      return "status";
    case FaultKind::MalformedBody:
      return "malformed";
    case FaultKind::TruncatedBody:
      return "truncated";
    case FaultKind::DropConnection:
      return "drop";
    case FaultKind::DropAfterWork:
      return "drop-after-work";
    case FaultKind::Delay:
      return "delay";
    case FaultKind::NoCsrfHeader:
      return "no-csrf";
    case FaultKind::Stall:
      return "stall";
  }
  return "";
}

void Faults::add(Fault fault) {
  if (fault.count <= 0) return;
  fault.delay = std::min(fault.delay, std::chrono::milliseconds(10000));
  std::lock_guard<std::mutex> g(mutex_);
  rules_.push_back(std::move(fault));
}

void Faults::clear() {
  std::lock_guard<std::mutex> g(mutex_);
  rules_.clear();
}

size_t Faults::pending() const {
  std::lock_guard<std::mutex> g(mutex_);
  size_t n = 0;
  for (const auto& r : rules_) n += static_cast<size_t>(r.count);
  return n;
}

std::vector<Fault> Faults::rules() const {
  std::lock_guard<std::mutex> g(mutex_);
  return rules_;
}

void Faults::setChooser(Chooser chooser) {
  auto shared = chooser ? std::make_shared<const Chooser>(std::move(chooser)) : nullptr;
  std::lock_guard<std::mutex> g(mutex_);
  chooser_ = std::move(shared);
}

std::optional<Fault> Faults::take(const std::string& method, const std::string& path) {
  std::shared_ptr<const Chooser> chooser;
  {
    std::lock_guard<std::mutex> g(mutex_);
    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
      if (!it->method.empty() && it->method != method) continue;
      if (path.compare(0, it->pathPrefix.size(), it->pathPrefix) != 0) continue;
      Fault f = *it;
      if (--it->count <= 0) rules_.erase(it);
      return f;
    }
    chooser = chooser_;
  }
  if (!chooser) return std::nullopt;
  std::optional<Fault> f = (*chooser)(method, path);
  if (f) f->delay = std::min(f->delay, std::chrono::milliseconds(10000));
  return f;
}

}  // namespace unitysim
