#include "sim/Control.h"

#include <httplib.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "sim/Console.h"
#include "sim/ControlCodec.h"
#include "sim/Simulator.h"

namespace unitysim {
namespace {

constexpr const char* kPrefix = "/_sim";
constexpr size_t kJournalPage = 1000;  // entries per journal answer at most

// Turned into {"error": text} with its status.
struct ControlError {
  int status;
  std::string text;
};

bool tokenMatches(const std::string& given, const std::string& token) {
  return given.size() == token.size() &&
         CRYPTO_memcmp(given.data(), token.data(), token.size()) == 0;
}

std::vector<std::string> segmentsAfter(const std::string& path, size_t offset) {
  std::vector<std::string> out;
  size_t begin = offset;
  while (begin < path.size()) {
    const size_t end = std::min(path.find('/', begin), path.size());
    if (end > begin) out.push_back(path.substr(begin, end - begin));
    begin = end + 1;
  }
  return out;
}

// The request body as a JSON object; an empty body is {}.
Json bodyObject(const httplib::Request& req) {
  if (req.body.find_first_not_of(" \t\r\n") == std::string::npos) return Json::object();
  Json j = Json::parse(req.body, nullptr, false);
  if (j.is_discarded() || !j.is_object()) throw ControlError{400, "the body is not a JSON object"};
  return j;
}

Json counts(Simulator& sim) {
  Json out = Json::object();
  for (const std::string& type : sim.model().typeNames())
    if (sim.model().typeDef(type)->resource) out[type] = sim.model().count(type);
  return out;
}

Json status(Simulator& sim) {
  return Json{{"now", isoTime(sim.now())},
              {"requests", sim.requestCount()},
              {"logins", sim.loginCount()},
              {"handshakes", sim.handshakeCount()},
              {"connections", sim.connectionCount()},
              {"activeSessions", sim.activeSessions()},
              {"journalNext", sim.journal().nextIndex()},
              {"pendingFaults", sim.faults().pending()}};
}

Json objectsOf(Simulator& sim, const std::string& type) {
  const TypeSpec* t = sim.model().typeDef(type);
  if (t == nullptr || !t->resource) throw ControlError{404, "unknown type '" + type + "'"};
  Json list = Json::array();
  for (Json& o : sim.model().list(type)) list.push_back(std::move(o));
  return Json{{"type", type}, {"count", list.size()}, {"objects", list}};
}

Json journalSince(Simulator& sim, const httplib::Request& req) {
  size_t since = 0;
  if (req.has_param("since")) {
    const std::string v = req.get_param_value("since");
    if (v.empty() || v.size() > 15 || v.find_first_not_of("0123456789") != std::string::npos)
      throw ControlError{400, "'since' must be a whole number"};
    since = std::stoull(v);
  }
  // Optional narrowing, as Journal::matching does: a method, and a prefix of the target.
  const std::string method = req.get_param_value("method");
  const std::string prefix = req.get_param_value("path");
  const Journal::Slice slice = sim.journal().since(since);
  Json list = Json::array();
  size_t index = slice.from;
  for (const JournalEntry& e : slice.entries) {
    if (list.size() == kJournalPage) break;  // the reader asks again from `next`
    if ((method.empty() || e.method == method) && e.target.compare(0, prefix.size(), prefix) == 0)
      list.push_back(journalEntryToJson(e, index));
    ++index;
  }
  return Json{{"first", slice.first}, {"next", index}, {"entries", list}};
}

Json faultList(Simulator& sim) {
  Json list = Json::array();
  for (const Fault& f : sim.faults().rules()) list.push_back(faultToJson(f));
  return Json{{"pending", sim.faults().pending()}, {"faults", list}};
}

Json jobSettings(Simulator& sim) {
  Json slow = Json::array();
  for (const auto& [key, polls] : sim.jobs().slowActions())
    slow.push_back(Json{{"type", key.first}, {"action", key.second}, {"polls", polls}});
  Json failNext = nullptr;
  if (auto f = sim.jobs().pendingFailure())
    failNext =
        Json{{"errorCode", f->errorCode}, {"message", f->message}, {"httpStatus", f->httpStatus}};
  return Json{{"slow", slow}, {"failNext", failNext}};
}

Json advanceClock(Simulator& sim, const Json& request) {
  const auto ms = request.find("ms");
  if (request.size() != 1 || ms == request.end() || !ms->is_number_integer() ||
      ms->get<long long>() < 0)
    throw ControlError{400, "the body is {\"ms\": <milliseconds, 0 or more>}"};
  sim.advanceClock(std::chrono::milliseconds(ms->get<long long>()));
  return Json{{"now", isoTime(sim.now())}};
}

// Answers one request under /_sim/api/; `s` holds the path segments after "api".
Json dispatch(Simulator& sim, const httplib::Request& req, const std::vector<std::string>& s) {
  const std::string& m = req.method;
  const std::string what = s.empty() ? std::string() : s[0];
  const auto methodNotAllowed = [] { return ControlError{405, "method not allowed"}; };
  if (what == "status" && s.size() == 1) {
    if (m == "GET") return status(sim);
    throw methodNotAllowed();
  }
  if (what == "types" && s.size() == 1) {
    if (m == "GET") return counts(sim);
    throw methodNotAllowed();
  }
  if (what == "objects" && s.size() <= 3) {
    if (m != "GET") throw methodNotAllowed();
    if (s.size() == 1) return sim.model().dump();
    Json list = objectsOf(sim, s[1]);
    if (s.size() == 2) return list;
    if (auto o = sim.model().find(s[1], s[2])) return *o;
    throw ControlError{404, "no " + s[1] + " with id '" + s[2] + "'"};
  }
  if (what == "reset" && s.size() == 1) {
    if (m != "POST") throw methodNotAllowed();
    sim.reset();
    return counts(sim);
  }
  if (what == "seed" && s.size() == 1) {
    if (m == "GET") return sim.seedDocument();
    if (m != "PUT") throw methodNotAllowed();
    sim.loadSeed(bodyObject(req));
    return counts(sim);
  }
  if (what == "journal" && s.size() == 1) {
    if (m == "GET") return journalSince(sim, req);
    if (m != "DELETE") throw methodNotAllowed();
    sim.journal().clear();
    return Json{{"first", sim.journal().firstIndex()}, {"next", sim.journal().nextIndex()}};
  }
  if (what == "faults" && s.size() == 1) {
    if (m == "GET") return faultList(sim);
    if (m == "DELETE") {
      sim.faults().clear();
    } else if (m == "POST") {
      sim.faults().add(faultFromJson(bodyObject(req)));
    } else {
      throw methodNotAllowed();
    }
    return faultList(sim);
  }
  if (what == "jobs" && s.size() <= 2) {
    const std::string sub = s.size() == 2 ? s[1] : std::string();
    if (sub.empty() && m == "GET") return jobSettings(sim);
    if (sub == "slow" && m == "POST") {
      applySlow(sim, slowFromJson(bodyObject(req)));
    } else if (sub == "slow" && m == "DELETE") {
      sim.jobs().clearSlow();
    } else if (sub == "fail-next" && m == "POST") {
      const JobFailure f = jobFailureFromJson(bodyObject(req));
      sim.failNextJob(f.errorCode, f.message, f.httpStatus);
    } else if (sub == "fail-next" && m == "DELETE") {
      sim.jobs().takeFailure();
    } else if (sub.empty() || sub == "slow" || sub == "fail-next") {
      throw methodNotAllowed();
    } else {
      throw ControlError{404, "no such control endpoint"};
    }
    return jobSettings(sim);
  }
  if (what == "clock" && s.size() == 2 && s[1] == "advance") {
    if (m != "POST") throw methodNotAllowed();
    return advanceClock(sim, bodyObject(req));
  }
  if (what == "sessions" && s.size() == 2 && s[1] == "expire") {
    if (m != "POST") throw methodNotAllowed();
    sim.expireSessions();
    return Json{{"activeSessions", sim.activeSessions()}};
  }
  throw ControlError{404, "no such control endpoint"};
}

void answer(httplib::Response& res, int status, const Json& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Content-Type-Options", "nosniff");
  res.set_content(dumpForAnswer(body), "application/json");
}

}  // namespace

Control::Control(Simulator& sim, std::string token) : sim_(sim), token_(std::move(token)) {}

bool Control::owns(const std::string& path) {
  const std::string prefix = kPrefix;
  return path.compare(0, prefix.size(), prefix) == 0 &&
         (path.size() == prefix.size() || path[prefix.size()] == '/');
}

void Control::handle(const httplib::Request& req, httplib::Response& res) {
  const std::string& path = req.path;
  if (path == "/_sim" || path == "/_sim/") {
    if (req.method != "GET") return answer(res, 405, Json{{"error", "method not allowed"}});
    // The page holds no state; it asks for the token and sends it on every API call.
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Content-Security-Policy", consoleSecurityPolicy());
    res.set_content(consolePage(), "text/html; charset=utf-8");
    return;
  }
  if (!tokenMatches(req.get_header_value(kTokenHeader), token_))
    return answer(res, 401,
                  Json{{"error", std::string("the control token is missing or wrong; send it in "
                                             "the ") +
                                     kTokenHeader + " header"}});
  const std::string api = "/_sim/api";
  if (path.compare(0, api.size(), api) != 0 ||
      (path.size() > api.size() && path[api.size()] != '/'))
    return answer(res, 404, Json{{"error", "no such control endpoint"}});
  try {
    answer(res, 200, dispatch(sim_, req, segmentsAfter(path, api.size())));
  } catch (const ControlError& e) {
    answer(res, e.status, Json{{"error", e.text}});
  } catch (const std::invalid_argument& e) {  // a body the codec or the seed loader refused
    answer(res, 400, Json{{"error", e.what()}});
  }
}

}  // namespace unitysim
