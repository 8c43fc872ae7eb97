#pragma once
// The `fields` parameter: which attributes an answer carries, dotted names answered as nested
// objects, references rendered as {"id": ...} unless attributes of the referenced object are
// asked for. The id is always included.

#include <map>
#include <string>
#include <vector>

#include "sim/Json.h"

namespace unitysim {

class ObjectModel;

struct FieldTree {
  std::map<std::string, FieldTree> children;
};

struct FieldSelection {
  FieldTree tree;
  std::vector<std::string> echo;  // normalised list for @base: references as x.id, id appended
};

// Throws ApiError 422 (code::kInvalidField) naming the first attribute the type does not define.
FieldSelection parseFields(const ObjectModel& model, const std::string& type,
                           const std::string& text);

// Caller holds the model lock.
Json project(const ObjectModel& model, const std::string& type, const Json& object,
             const FieldTree& fields);

}  // namespace unitysim
