#include "sim/Handlers.h"

#include <cctype>

#include "sim/Args.h"
#include "sim/Errors.h"
#include "sim/Jobs.h"
#include "sim/Listing.h"
#include "sim/ObjectModel.h"

namespace unitysim {
namespace {

ApiError notSupported() {
  return ApiError(405, code::kNotSupported,
                  "The requested operation is not supported by the resource.");
}

struct Route {
  enum Kind { Collection, TypeAction, Instance, InstanceAction } kind;
  std::string type, id, action;
};

std::optional<Route> route(const RequestTarget& t) {
  const auto& s = t.segments;
  if (s.size() < 4 || s[0] != "api") return std::nullopt;
  if (s[1] == "types") {
    if (s.size() == 4 && s[3] == "instances") return Route{Route::Collection, s[2], {}, {}};
    if (s.size() == 5 && s[3] == "action") return Route{Route::TypeAction, s[2], {}, s[4]};
  } else if (s[1] == "instances") {
    if (s.size() == 4) return Route{Route::Instance, s[2], s[3], {}};
    if (s.size() == 6 && s[4] == "action") return Route{Route::InstanceAction, s[2], s[3], s[5]};
  }
  return std::nullopt;
}

// timeout=<seconds> on a mutating request: absent -> nullopt. Not a whole number -> 400.
std::optional<long long> timeoutParam(const RequestTarget& t) {
  auto it = t.params.find("timeout");
  if (it == t.params.end()) return std::nullopt;
  const std::string& v = it->second;
  if (v.empty() || v.size() > 12 || v.find_first_not_of("0123456789") != std::string::npos)
    throw ApiError(400, code::kBadRequest, "The value of the parameter 'timeout' is not valid.");
  return std::stoll(v);
}

std::string errorBody(const ApiError& e, SimClock::TimePoint now) {
  return errorEnvelope(e.httpStatus(), e.errorCode(), e.what(), isoTime(now)).dump();
}

}  // namespace

std::string Handlers::typeOf(const RequestTarget& target) {
  auto r = route(target);
  return r ? r->type : std::string();
}

void Handlers::setOptions(const ListingOptions& o) {
  auto guard = model_.lock();
  options_ = o;
}

ListingOptions Handlers::options() const {
  auto guard = model_.lock();
  return options_;
}

ApiAnswer Handlers::handle(const ApiRequest& req) {
  auto guard = model_.lock();
  try {
    return dispatch(req);
  } catch (const ApiError& e) {
    return ApiAnswer{e.httpStatus(), errorBody(e, req.now)};
  } catch (const std::exception& e) {
    const ApiError internal(500, code::kInternal, std::string("Internal error: ") + e.what());
    return ApiAnswer{500, errorBody(internal, req.now)};
  }
}

ApiAnswer Handlers::dispatch(const ApiRequest& req) {
  const auto r = route(req.target);
  if (!r) throw notFound();
  const TypeSpec* typeDef = model_.typeDef(r->type);
  if (typeDef == nullptr || !typeDef->resource) throw notFound();

  // Resolve the instance first: a missing one is a 404 whatever the method or body.
  std::string id = r->id;
  if (r->kind == Route::Instance || r->kind == Route::InstanceAction) {
    const std::string prefix = "name:";
    Json* object = nullptr;
    if (id.compare(0, prefix.size(), prefix) == 0 && typeDef->byName) {
      const Json* named = model_.getByName(typeDef->name, id.substr(prefix.size()));
      if (named != nullptr) {
        id = named->value("id", std::string());
        object = model_.get(typeDef->name, id);
      }
    } else {
      object = model_.get(typeDef->name, id);
    }
    if (object == nullptr) throw notFound();
    if (r->kind == Route::Instance && req.method == "GET") {
      if (typeDef->onInstanceRead) typeDef->onInstanceRead(model_, *object, req.now);
      return ApiAnswer{200, getInstance(model_, *typeDef, *object, req).dump()};
    }
  }
  if (r->kind == Route::Collection && req.method == "GET") {
    if (!typeDef->listable) throw notSupported();
    return ApiAnswer{200, listCollection(model_, *typeDef, req, options_).dump()};
  }
  if (req.method == "GET") throw notSupported();

  const ActionSpec* action = nullptr;
  std::string actionKey;
  if (r->kind == Route::Collection && req.method == "POST") {
    action = typeDef->create ? &*typeDef->create : nullptr;
    actionKey = "create";
  } else if (r->kind == Route::Instance && req.method == "DELETE") {
    action = typeDef->remove ? &*typeDef->remove : nullptr;
    actionKey = "delete";
  } else if ((r->kind == Route::TypeAction || r->kind == Route::InstanceAction) &&
             req.method == "POST") {
    const auto& table = r->kind == Route::TypeAction ? typeDef->typeActions : typeDef->actions;
    auto it = table.find(r->action);
    if (it == table.end()) throw notFound();
    action = &it->second;
    actionKey = r->action;
  }
  if (action == nullptr) throw notSupported();

  const std::optional<long long> timeout = timeoutParam(req.target);
  const Json args = validateArgs(req.body, action->args);
  ActionContext ctx{model_, args, typeDef->name, id, req.user, req.now};
  const bool background = timeout && (*timeout == 0 || jobs_.slow(typeDef->name, actionKey));
  if (background) {
    JobOutcome outcome;
    if (auto failure = jobs_.takeFailure()) {
      outcome = *failure;
    } else {
      try {
        ActionResult result = action->run(ctx);
        outcome.httpStatus = result.status;
        if (result.content.is_object()) outcome.content = result.content;
      } catch (const ApiError& e) {
        if (*timeout > 0) throw;  // with time to spare the array reports a bad request at once
        outcome.ok = false;
        outcome.httpStatus = e.httpStatus();
        outcome.errorCode = e.errorCode();
        outcome.message = e.what();
      }
    }
    const std::string method = typeDef->name + "." + actionKey;
    const std::string description = action->jobDescription.empty()
                                        ? "job." + typeDef->name + ".job." + actionKey
                                        : action->jobDescription;
    const Json job = jobs_.submit(model_, method, description,
                                  jobs_.pollsFor(typeDef->name, actionKey), outcome, req.now);
    return ApiAnswer{202, job.dump()};
  }

  ActionResult result = action->run(ctx);
  ApiAnswer answer;
  answer.status = result.status;
  answer.endSession = result.endSession;
  answer.endAllSessions = result.endAllSessions;
  if (result.status == 204) return answer;
  std::string selfId = result.selfId;
  if (selfId.empty() && result.content.is_object() && result.content.contains("id") &&
      result.content["id"].is_string())
    selfId = result.content["id"].get<std::string>();
  if (selfId.empty()) selfId = id;
  const std::string base = result.status == 201 ? req.baseUrl + "/api/instances/" + typeDef->name
                                                : req.baseUrl + req.target.path;
  answer.body = instanceEnvelope(base, selfId, result.content, isoTime(req.now)).dump();
  return answer;
}

}  // namespace unitysim
