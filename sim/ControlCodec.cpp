#include "sim/ControlCodec.h"

#include <initializer_list>
#include <stdexcept>

#include "sim/Simulator.h"

namespace unitysim {
namespace {

[[noreturn]] void refuse(const std::string& text) {
  throw std::invalid_argument(text);
}

void onlyFields(const Json& request, std::initializer_list<const char*> allowed) {
  if (!request.is_object()) refuse("expected a JSON object");
  for (const auto& [key, value] : request.items()) {
    bool known = false;
    for (const char* a : allowed) known = known || key == a;
    if (!known) refuse("unknown field '" + key + "'");
  }
}

long long intField(const Json& request, const char* name, long long lo, long long hi,
                   long long fallback) {
  auto it = request.find(name);
  if (it == request.end()) return fallback;
  if (!it->is_number_integer() || it->get<long long>() < lo || it->get<long long>() > hi)
    refuse(std::string("'") + name + "' must be a whole number from " + std::to_string(lo) +
           " to " + std::to_string(hi));
  return it->get<long long>();
}

std::string stringField(const Json& request, const char* name, const std::string& fallback = {}) {
  auto it = request.find(name);
  if (it == request.end()) return fallback;
  if (!it->is_string()) refuse(std::string("'") + name + "' must be a string");
  return it->get<std::string>();
}

bool boolField(const Json& request, const char* name, bool fallback) {
  auto it = request.find(name);
  if (it == request.end()) return fallback;
  if (!it->is_boolean()) refuse(std::string("'") + name + "' must be true or false");
  return it->get<bool>();
}

constexpr long long kMaxCount = 1000000;
constexpr long long kMaxDelayMs = 10000;

}  // namespace

Fault faultFromJson(const Json& request) {
  if (!request.is_object()) refuse("a fault is a JSON object");
  const std::string kind = stringField(request, "kind");
  Fault f;
  if (kind == "status") {
    onlyFields(request, {"kind", "status", "withBody", "method", "path", "count"});
    f = Fault::httpStatus(static_cast<int>(intField(request, "status", 100, 599, 500)),
                          boolField(request, "withBody", true));
  } else if (kind == "error") {
    onlyFields(request, {"kind", "status", "errorCode", "text", "method", "path", "count"});
    f = Fault::error(static_cast<int>(intField(request, "status", 100, 599, 500)),
                     static_cast<std::uint32_t>(intField(request, "errorCode", 0, 0xFFFFFFFFLL, 0)),
                     stringField(request, "text"));
  } else if (kind == "body") {
    onlyFields(request, {"kind", "status", "body", "method", "path", "count"});
    f = Fault::body(static_cast<int>(intField(request, "status", 100, 599, 200)),
                    stringField(request, "body"));
    if (f.rawBody.empty()) refuse("'body' must be a non-empty string");
  } else if (kind == "delay" || kind == "stall") {
    onlyFields(request, {"kind", "delayMs", "method", "path", "count"});
    f = kind == "delay" ? Fault::delayed(std::chrono::milliseconds(
                              intField(request, "delayMs", 0, kMaxDelayMs, 1000)))
                        : Fault::stall();
    if (kind == "stall")
      f.delay =
          std::chrono::milliseconds(intField(request, "delayMs", 0, kMaxDelayMs, kMaxDelayMs));
  } else {
    onlyFields(request, {"kind", "method", "path", "count"});
    if (kind == "malformed") {
      f = Fault::malformed();
    } else if (kind == "truncated") {
      f = Fault::truncated();
    } else if (kind == "drop") {
      f = Fault::drop();
    } else if (kind == "drop-after-work") {
      f = Fault::dropAfterWork();
    } else if (kind == "no-csrf") {
      f = Fault::noCsrf();
    } else {
      refuse(
          "'kind' must be one of status, error, body, malformed, truncated, drop, "
          "drop-after-work, delay, no-csrf, stall");
    }
  }
  const std::string method = stringField(request, "method");
  if (!method.empty() && method != "GET" && method != "POST" && method != "DELETE")
    refuse("'method' must be GET, POST or DELETE");
  f.on(method, stringField(request, "path"));
  f.times(static_cast<int>(intField(request, "count", 1, kMaxCount, 1)));
  return f;
}

Json faultToJson(const Fault& f) {
  Json j = Json::object();
  if (f.kind == FaultKind::Status) {
    j["status"] = f.status;
    if (!f.rawBody.empty()) {
      j["kind"] = "body";
      j["body"] = f.rawBody;
    } else if (f.errorCode != 0 || !f.text.empty()) {
      j["kind"] = "error";
      j["errorCode"] = f.errorCode;
      j["text"] = f.text;
    } else {
      j["kind"] = "status";
      j["withBody"] = f.withBody;
    }
  } else {
    j["kind"] = faultName(f.kind);
    if (f.kind == FaultKind::Delay || f.kind == FaultKind::Stall) j["delayMs"] = f.delay.count();
  }
  j["method"] = f.method;
  j["path"] = f.pathPrefix;
  j["count"] = f.count;
  return j;
}

SlowAction slowFromJson(const Json& request) {
  onlyFields(request, {"type", "action", "polls"});
  SlowAction s{stringField(request, "type"), stringField(request, "action"),
               static_cast<int>(intField(request, "polls", 0, kMaxCount, 1))};
  if (s.type.empty() || s.action.empty()) refuse("'type' and 'action' are required");
  return s;
}

SlowAction slowFromText(const std::string& text) {
  const size_t first = text.find(':');
  const size_t last = text.rfind(':');
  if (first == std::string::npos || first == last)
    refuse("'" + text + "' is not of the form type:action:polls");
  const std::string polls = text.substr(last + 1);
  if (polls.empty() || polls.size() > 7 ||
      polls.find_first_not_of("0123456789") != std::string::npos)
    refuse("'" + polls + "' is not a number of polls");
  return slowFromJson(Json{{"type", text.substr(0, first)},
                           {"action", text.substr(first + 1, last - first - 1)},
                           {"polls", std::stoi(polls)}});
}

void applySlow(Simulator& sim, const SlowAction& slow) {
  const TypeSpec* t = sim.model().typeDef(slow.type);
  if (t == nullptr || !t->resource) refuse("unknown type '" + slow.type + "'");
  const bool known = slow.action == "create"   ? t->create.has_value()
                     : slow.action == "delete" ? t->remove.has_value()
                                               : t->actions.count(slow.action) != 0 ||
                                                     t->typeActions.count(slow.action) != 0;
  if (!known) refuse("the type '" + slow.type + "' has no action '" + slow.action + "'");
  sim.setSlow(slow.type, slow.action, slow.polls);
}

JobFailure jobFailureFromJson(const Json& request) {
  onlyFields(request, {"errorCode", "message", "httpStatus"});
  if (!request.contains("errorCode")) refuse("'errorCode' is required");
  return JobFailure{static_cast<std::uint32_t>(intField(request, "errorCode", 0, 0xFFFFFFFFLL, 0)),
                    stringField(request, "message"),
                    static_cast<int>(intField(request, "httpStatus", 100, 599, 422))};
}

Json journalEntryToJson(const JournalEntry& e, size_t index) {
  Json headers = Json::array();
  for (const auto& [k, v] : e.headers) headers.push_back(Json::array({k, maskedHeaderValue(k, v)}));
  return Json{{"index", index},     {"time", e.time},   {"method", e.method}, {"target", e.target},
              {"status", e.status}, {"fault", e.fault}, {"headers", headers}, {"body", e.body}};
}

std::string dumpForAnswer(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace unitysim
