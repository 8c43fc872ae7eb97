#pragma once
// Request bodies checked against an action's arguments, as the array does before acting:
// a body that is not a JSON object is a 400, an unknown, missing or wrongly typed argument a 422.

#include <optional>
#include <string>
#include <vector>

#include "sim/Json.h"
#include "sim/TypeDefinition.h"

namespace unitysim {

// Returns the body as an object ({} for an empty body). Throws ApiError.
Json validateArgs(const std::string& body, const std::vector<ArgSpec>& args);

// Accessors for validated arguments; absent or null gives the default.
bool argBool(const Json& args, const std::string& name, bool fallback);
std::string argString(const Json& args, const std::string& name, const std::string& fallback = {});
long long argInt(const Json& args, const std::string& name, long long fallback);
std::string argRefId(const Json& args, const std::string& name);  // "" when absent
bool hasArg(const Json& args, const std::string& name);

class ObjectModel;

// Throws the array's 422 for a host reference in the body that names no host. Caller holds the
// model lock.
void requireBodyHost(const ObjectModel& model, const std::string& hostId);

// ApiError 422 code::kInvalidArgument with the array's wording for a bad argument.
[[noreturn]] void invalidArgument(const std::string& text);

}  // namespace unitysim
