#pragma once
// How a resource type is described to the simulator: its attributes (for fields, filters and
// dotted paths), whether it supports name lookup, and its create, delete and actions with their
// arguments. The router and the generic handlers know nothing else about a type.

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/Clock.h"
#include "sim/Json.h"

namespace unitysim {

class ObjectModel;

enum class AttrKind {
  Value,          // a scalar, or a structure without attributes of its own (e.g. health)
  Reference,      // {"id": ...} of an object of `type`
  ReferenceList,  // [{"id": ...}, ...]
  Embedded,       // an object of the embedded type `type`, stored inline
  EmbeddedList,   // a list of such objects
};

struct AttrSpec {
  AttrKind kind = AttrKind::Value;
  std::string type;  // referenced or embedded type
};

enum class ArgKind {
  Any,
  String,
  Boolean,
  Integer,
  Number,
  Reference,
  ReferenceList,
  Object,
  Array
};

struct ArgSpec {
  std::string name;
  ArgKind kind = ArgKind::Any;
  bool required = false;
};

// What an action sees. The model lock is held while it runs.
struct ActionContext {
  ObjectModel& model;
  const Json& args;  // the validated request body: an object, possibly empty
  std::string type;  // the type addressed
  std::string id;    // the instance addressed (instance actions and delete), else empty
  std::string user;  // the session's user
  SimClock::TimePoint now;
};

// 200 with content (out arguments), 201 with content {"id": ...}, or 204.
struct ActionResult {
  int status = 204;
  Json content;
  std::string selfId;       // id in the answer's self link; defaults to content.id or the instance
  bool endSession = false;  // logout: end the caller's session
  bool endAllSessions = false;  // logout of the whole single-sign-on session

  static ActionResult noContent() { return {}; }
  static ActionResult created(const std::string& id) { return {201, Json{{"id", id}}, id}; }
  static ActionResult output(Json content, std::string selfId = {}) {
    return {200, std::move(content), std::move(selfId)};
  }
};

// Actions report failures by throwing ApiError.
using ActionFn = std::function<ActionResult(ActionContext&)>;

struct ActionSpec {
  std::vector<ArgSpec> args;
  ActionFn run;
  std::string jobDescription;  // for the job that runs it in the background; defaulted if empty
};

struct TypeSpec {
  std::string name;
  std::map<std::string, AttrSpec> attributes;  // "id" is added when the type is defined
  bool resource = true;            // false: only embedded in other types, no URI of its own
  bool byName = false;             // instance URIs accept name:<name>
  bool anonymous = false;          // GET needs no credentials (basicSystemInfo)
  bool listable = true;            // GET of the collection is supported
  std::string idPrefix;            // new ids are idPrefix + the next number
  unsigned long long idFloor = 0;  // numbering continues above this

  std::optional<ActionSpec> create;               // POST /api/types/<t>/instances
  std::optional<ActionSpec> remove;               // DELETE /api/instances/<t>/<id>
  std::map<std::string, ActionSpec> actions;      // POST /api/instances/<t>/<id>/action/<a>
  std::map<std::string, ActionSpec> typeActions;  // POST /api/types/<t>/action/<a>

  // Called with the model locked before an instance GET is answered (a job advances when polled).
  std::function<void(ObjectModel&, Json& object, SimClock::TimePoint now)> onInstanceRead;
};

}  // namespace unitysim

namespace unitysim {

// Shorthands for describing attributes.
inline void values(TypeSpec& t, std::initializer_list<const char*> names) {
  for (const char* n : names) t.attributes[n] = AttrSpec{};
}
inline void reference(TypeSpec& t, const std::string& name, const std::string& type) {
  t.attributes[name] = AttrSpec{AttrKind::Reference, type};
}
inline void references(TypeSpec& t, const std::string& name, const std::string& type) {
  t.attributes[name] = AttrSpec{AttrKind::ReferenceList, type};
}
inline void embedded(TypeSpec& t, const std::string& name, const std::string& type) {
  t.attributes[name] = AttrSpec{AttrKind::Embedded, type};
}
inline void embeddedList(TypeSpec& t, const std::string& name, const std::string& type) {
  t.attributes[name] = AttrSpec{AttrKind::EmbeddedList, type};
}
// An operation with its arguments, its effect and the description of the job that runs it in the
// background.
inline ActionSpec action(std::vector<ArgSpec> args, ActionFn run, std::string description) {
  ActionSpec s;
  s.args = std::move(args);
  s.run = std::move(run);
  s.jobDescription = std::move(description);
  return s;
}

}  // namespace unitysim
