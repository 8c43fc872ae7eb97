#pragma once
// The array's objects, by type, and the type registry. Objects are JSON objects holding their
// attributes; references are stored as {"id": ...} and resolved on demand for dotted paths.
//
// Thread safety: every public member locks the model. Request handling holds lock() for a whole
// request so that checks and changes are atomic; the accessors returning pointers require the
// caller to hold it. Objects are listed in the order they were added.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/Filter.h"
#include "sim/Json.h"
#include "sim/TypeDefinition.h"

namespace unitysim {

class ObjectModel {
 public:
  ObjectModel() = default;
  ObjectModel(const ObjectModel&) = delete;
  ObjectModel& operator=(const ObjectModel&) = delete;

  std::unique_lock<std::recursive_mutex> lock() const {
    return std::unique_lock<std::recursive_mutex>(mutex_);
  }

  // Registry. define() replaces an earlier definition of the same name.
  void define(TypeSpec typeDef);
  const TypeSpec* typeDef(const std::string& type) const;
  std::vector<std::string> typeNames() const;

  // Replaces the objects of every type named in doc, {"<type>": [ {...}, ... ], ...}.
  // Throws std::invalid_argument for an unknown type or an object without a string id.
  void seed(const Json& doc);
  // The whole model in the seed format.
  Json dump() const;
  void clear();

  // Adds an object; mints an id when it has none. Returns the id. Throws std::invalid_argument
  // for an unknown type or a duplicate id.
  std::string add(const std::string& type, Json object);
  bool remove(const std::string& type, const std::string& id);
  // Applies fn to the stored object; false when there is no such object.
  bool update(const std::string& type, const std::string& id, const std::function<void(Json&)>& fn);

  std::optional<Json> find(const std::string& type, const std::string& id) const;
  std::optional<Json> findByName(const std::string& type, const std::string& name) const;
  std::vector<Json> list(const std::string& type) const;
  size_t count(const std::string& type) const;
  // The id the next add() without an id would get.
  std::string nextId(const std::string& type) const;

  // --- Caller holds lock() ---
  Json* get(const std::string& type, const std::string& id);
  const Json* get(const std::string& type, const std::string& id) const;
  const Json* getByName(const std::string& type, const std::string& name) const;
  // Visits objects in order until fn returns false.
  void forEach(const std::string& type, const std::function<bool(const Json&)>& fn) const;
  // Objects whose id equals one of ids, ignoring case, in model order.
  // Nothing when ids differing only in case exist, so the caller must scan instead.
  std::optional<std::vector<const Json*>> getMany(const std::string& type,
                                                  const std::vector<std::string>& ids) const;

  // Appends the values of a dotted attribute path of an object of `type` (see Filter::Resolver).
  // A path step into a reference looks the referenced object up when the next step is not "id".
  void resolve(const std::string& type, const Json& object, const AttributePath& path,
               std::vector<const Json*>& out) const;
  // Empty when the path names only defined attributes, else the first unknown step.
  std::optional<std::string> invalidStep(const std::string& type, const AttributePath& path) const;

 private:
  struct Collection {
    std::map<std::uint64_t, Json> bySeq;
    std::unordered_map<std::string, std::uint64_t> byId;
    std::unordered_map<std::string, std::uint64_t> byLowerId;
    bool caseCollision = false;
    std::uint64_t nextSeq = 1;
    unsigned long long highestNumber = 0;
  };

  void resolveFrom(const TypeSpec& typeDef, const Json& object, const AttributePath& path, size_t i,
                   std::vector<const Json*>& out) const;
  Collection& collection(const std::string& type);
  const Collection* findCollection(const std::string& type) const;
  std::string mint(const TypeSpec& typeDef, const Collection& c) const;

  mutable std::recursive_mutex mutex_;
  std::map<std::string, TypeSpec> specs_;
  std::map<std::string, Collection> objects_;
};

}  // namespace unitysim
