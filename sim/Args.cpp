#include "sim/Args.h"

#include "sim/Errors.h"
#include "sim/ObjectModel.h"

namespace unitysim {
namespace {

bool isReference(const Json& v) {
  return v.is_object() && v.contains("id") && v["id"].is_string();
}

bool hasKind(const Json& v, ArgKind kind) {
  switch (kind) {
    case ArgKind::Any:
      return true;
    case ArgKind::String:
      return v.is_string();
    case ArgKind::Boolean:
      return parseBoolean(v).has_value();
    case ArgKind::Integer:
      return v.is_number_integer();
    case ArgKind::Number:
      return v.is_number();
    case ArgKind::Reference:
      return isReference(v);
    case ArgKind::ReferenceList:
      if (!v.is_array()) return false;
      for (const Json& e : v)
        if (!isReference(e)) return false;
      return true;
    case ArgKind::Object:
      return v.is_object();
    case ArgKind::Array:
      return v.is_array();
  }
  return false;
}

}  // namespace

void requireBodyHost(const ObjectModel& model, const std::string& hostId) {
  if (model.typeDef("host") != nullptr && model.get("host", hostId) == nullptr)
    throw hostNotFound(hostId);
}

void invalidArgument(const std::string& text) {
  throw ApiError(422, code::kInvalidArgument, text);
}

Json validateArgs(const std::string& body, const std::vector<ArgSpec>& args) {
  Json parsed = Json::object();
  if (body.find_first_not_of(" \t\r\n") != std::string::npos) {
    parsed = Json::parse(body, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
      throw ApiError(400, code::kBadRequest, "The request body is not a valid JSON object.");
  }
  for (const auto& [name, value] : parsed.items()) {
    const ArgSpec* typeDef = nullptr;
    for (const auto& a : args)
      if (a.name == name) typeDef = &a;
    if (typeDef == nullptr) invalidArgument("Invalid argument '" + name + "' in the request body.");
    if (!value.is_null() && !hasKind(value, typeDef->kind))
      invalidArgument("The value of the argument '" + name + "' is not valid.");
  }
  for (const auto& a : args)
    if (a.required && (!parsed.contains(a.name) || parsed[a.name].is_null()))
      invalidArgument("The required argument '" + a.name + "' is missing.");
  return parsed;
}

bool hasArg(const Json& args, const std::string& name) {
  return args.contains(name) && !args[name].is_null();
}

bool argBool(const Json& args, const std::string& name, bool fallback) {
  if (!hasArg(args, name)) return fallback;
  return parseBoolean(args[name]).value_or(fallback);
}

std::string argString(const Json& args, const std::string& name, const std::string& fallback) {
  return hasArg(args, name) && args[name].is_string() ? args[name].get<std::string>() : fallback;
}

long long argInt(const Json& args, const std::string& name, long long fallback) {
  return hasArg(args, name) && args[name].is_number_integer() ? args[name].get<long long>()
                                                              : fallback;
}

std::string argRefId(const Json& args, const std::string& name) {
  return hasArg(args, name) && isReference(args[name]) ? args[name]["id"].get<std::string>() : "";
}

}  // namespace unitysim
