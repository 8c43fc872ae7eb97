#include "sim/ObjectModel.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>

namespace unitysim {
namespace {

// Trailing decimal number of an id ("sv_12" -> 12, "38654705846" -> 38654705846), 0 if none.
unsigned long long trailingNumber(const std::string& id) {
  size_t start = id.size();
  while (start > 0 && std::isdigit(static_cast<unsigned char>(id[start - 1]))) --start;
  if (start == id.size() || id.size() - start > 19) return 0;
  return std::stoull(id.substr(start));
}

}  // namespace

void ObjectModel::define(TypeSpec typeDef) {
  auto guard = lock();
  if (typeDef.resource) typeDef.attributes.emplace("id", AttrSpec{});
  const std::string name = typeDef.name;
  specs_[name] = std::move(typeDef);
}

const TypeSpec* ObjectModel::typeDef(const std::string& type) const {
  auto guard = lock();
  auto it = specs_.find(type);
  return it == specs_.end() ? nullptr : &it->second;
}

std::vector<std::string> ObjectModel::typeNames() const {
  auto guard = lock();
  std::vector<std::string> names;
  for (const auto& [name, s] : specs_)
    if (s.resource) names.push_back(name);
  return names;
}

ObjectModel::Collection& ObjectModel::collection(const std::string& type) {
  return objects_[type];
}

const ObjectModel::Collection* ObjectModel::findCollection(const std::string& type) const {
  auto it = objects_.find(type);
  return it == objects_.end() ? nullptr : &it->second;
}

std::string ObjectModel::mint(const TypeSpec& typeDef, const Collection& c) const {
  return typeDef.idPrefix + std::to_string(std::max(c.highestNumber, typeDef.idFloor) + 1);
}

void ObjectModel::seed(const Json& doc) {
  if (!doc.is_object()) throw std::invalid_argument("a seed is a JSON object of type lists");
  auto guard = lock();
  for (const auto& [type, objects] : doc.items()) {
    const TypeSpec* s = typeDef(type);
    if (s == nullptr || !s->resource) throw std::invalid_argument("unknown type in seed: " + type);
    if (!objects.is_array()) throw std::invalid_argument("seed entry is not a list: " + type);
    objects_.erase(type);
    for (const Json& o : objects) add(type, o);
  }
}

Json ObjectModel::dump() const {
  auto guard = lock();
  Json doc = Json::object();
  for (const auto& [type, c] : objects_) {
    Json list = Json::array();
    for (const auto& [seq, o] : c.bySeq) list.push_back(o);
    doc[type] = std::move(list);
  }
  return doc;
}

void ObjectModel::clear() {
  auto guard = lock();
  objects_.clear();
}

std::string ObjectModel::add(const std::string& type, Json object) {
  auto guard = lock();
  const TypeSpec* s = typeDef(type);
  if (s == nullptr || !s->resource) throw std::invalid_argument("unknown type: " + type);
  if (!object.is_object()) throw std::invalid_argument(type + " object is not a JSON object");
  Collection& c = collection(type);
  if (!object.contains("id")) object["id"] = mint(*s, c);
  if (!object["id"].is_string()) throw std::invalid_argument(type + " id is not a string");
  const std::string id = object["id"].get<std::string>();
  if (c.byId.count(id)) throw std::invalid_argument("duplicate " + type + " id " + id);
  const std::uint64_t seq = c.nextSeq++;
  c.bySeq.emplace(seq, std::move(object));
  c.byId.emplace(id, seq);
  if (!c.byLowerId.emplace(toLower(id), seq).second) c.caseCollision = true;
  c.highestNumber = std::max(c.highestNumber, trailingNumber(id));
  return id;
}

bool ObjectModel::remove(const std::string& type, const std::string& id) {
  auto guard = lock();
  auto cit = objects_.find(type);
  if (cit == objects_.end()) return false;
  Collection& c = cit->second;
  auto it = c.byId.find(id);
  if (it == c.byId.end()) return false;
  auto lower = c.byLowerId.find(toLower(id));
  if (lower != c.byLowerId.end() && lower->second == it->second) c.byLowerId.erase(lower);
  c.bySeq.erase(it->second);
  c.byId.erase(it);
  return true;
}

bool ObjectModel::update(const std::string& type, const std::string& id,
                         const std::function<void(Json&)>& fn) {
  auto guard = lock();
  Json* o = get(type, id);
  if (o == nullptr) return false;
  fn(*o);
  (*o)["id"] = id;  // the id is the key; keep them equal
  return true;
}

std::optional<Json> ObjectModel::find(const std::string& type, const std::string& id) const {
  auto guard = lock();
  const Json* o = get(type, id);
  return o ? std::optional<Json>(*o) : std::nullopt;
}

std::optional<Json> ObjectModel::findByName(const std::string& type,
                                            const std::string& name) const {
  auto guard = lock();
  const Json* o = getByName(type, name);
  return o ? std::optional<Json>(*o) : std::nullopt;
}

std::vector<Json> ObjectModel::list(const std::string& type) const {
  auto guard = lock();
  std::vector<Json> out;
  forEach(type, [&](const Json& o) {
    out.push_back(o);
    return true;
  });
  return out;
}

size_t ObjectModel::count(const std::string& type) const {
  auto guard = lock();
  const Collection* c = findCollection(type);
  return c ? c->bySeq.size() : 0;
}

std::string ObjectModel::nextId(const std::string& type) const {
  auto guard = lock();
  const TypeSpec* s = typeDef(type);
  if (s == nullptr) throw std::invalid_argument("unknown type: " + type);
  const Collection* c = findCollection(type);
  return c ? mint(*s, *c) : mint(*s, Collection{});
}

Json* ObjectModel::get(const std::string& type, const std::string& id) {
  return const_cast<Json*>(static_cast<const ObjectModel*>(this)->get(type, id));
}

const Json* ObjectModel::get(const std::string& type, const std::string& id) const {
  const Collection* c = findCollection(type);
  if (c == nullptr) return nullptr;
  auto it = c->byId.find(id);
  return it == c->byId.end() ? nullptr : &c->bySeq.at(it->second);
}

const Json* ObjectModel::getByName(const std::string& type, const std::string& name) const {
  const Json* found = nullptr;
  forEach(type, [&](const Json& o) {
    auto it = o.find("name");
    if (it != o.end() && it->is_string() && it->get_ref<const std::string&>() == name) {
      found = &o;
      return false;
    }
    return true;
  });
  return found;
}

void ObjectModel::forEach(const std::string& type,
                          const std::function<bool(const Json&)>& fn) const {
  const Collection* c = findCollection(type);
  if (c == nullptr) return;
  for (const auto& [seq, o] : c->bySeq)
    if (!fn(o)) return;
}

std::optional<std::vector<const Json*>> ObjectModel::getMany(
    const std::string& type, const std::vector<std::string>& ids) const {
  std::vector<const Json*> out;
  const Collection* c = findCollection(type);
  if (c == nullptr) return out;
  if (c->caseCollision) return std::nullopt;
  std::set<std::uint64_t> seqs;
  for (const auto& id : ids) {
    auto it = c->byLowerId.find(toLower(id));
    if (it != c->byLowerId.end()) seqs.insert(it->second);
  }
  for (std::uint64_t seq : seqs) out.push_back(&c->bySeq.at(seq));
  return out;
}

void ObjectModel::resolve(const std::string& type, const Json& object, const AttributePath& path,
                          std::vector<const Json*>& out) const {
  const TypeSpec* s = typeDef(type);
  if (s != nullptr && !path.empty()) resolveFrom(*s, object, path, 0, out);
}

void ObjectModel::resolveFrom(const TypeSpec& typeDef, const Json& object,
                              const AttributePath& path, size_t i,
                              std::vector<const Json*>& out) const {
  auto attr = typeDef.attributes.find(path[i]);
  if (attr == typeDef.attributes.end() || !object.is_object()) return;
  auto it = object.find(path[i]);
  if (it == object.end() || it->is_null()) return;
  const bool last = i + 1 == path.size();
  const AttrKind kind = attr->second.kind;
  const bool isList = kind == AttrKind::ReferenceList || kind == AttrKind::EmbeddedList ||
                      (kind == AttrKind::Value && it->is_array());
  if (last) {
    if (isList && it->is_array()) {
      for (const Json& e : *it) out.push_back(&e);
    } else {
      out.push_back(&*it);
    }
    return;
  }
  const auto step = [&](const Json& value) {
    if (kind == AttrKind::Reference || kind == AttrKind::ReferenceList) {
      if (!value.is_object()) return;
      auto idIt = value.find("id");
      if (idIt == value.end()) return;
      if (path[i + 1] == "id" && i + 2 == path.size()) {
        out.push_back(&*idIt);
        return;
      }
      const TypeSpec* target = this->typeDef(attr->second.type);
      const Json* referenced =
          idIt->is_string() ? get(attr->second.type, idIt->get<std::string>()) : nullptr;
      if (target != nullptr && referenced != nullptr)
        resolveFrom(*target, *referenced, path, i + 1, out);
    } else if (kind == AttrKind::Embedded || kind == AttrKind::EmbeddedList) {
      if (const TypeSpec* embedded = this->typeDef(attr->second.type))
        resolveFrom(*embedded, value, path, i + 1, out);
    }
  };
  if (isList && it->is_array()) {
    for (const Json& e : *it) step(e);
  } else {
    step(*it);
  }
}

std::optional<std::string> ObjectModel::invalidStep(const std::string& type,
                                                    const AttributePath& path) const {
  auto guard = lock();
  std::string dotted;
  for (const auto& p : path) dotted += (dotted.empty() ? "" : ".") + p;
  const TypeSpec* current = typeDef(type);
  for (size_t i = 0; i < path.size(); ++i) {
    if (current == nullptr) {
      // A reference to a type the simulator does not model: only its id is known.
      if (path[i] == "id" && i + 1 == path.size()) return std::nullopt;
      return dotted;
    }
    auto attr = current->attributes.find(path[i]);
    if (attr == current->attributes.end()) return dotted;
    if (i + 1 == path.size()) return std::nullopt;
    if (attr->second.kind == AttrKind::Value) return dotted;
    current = typeDef(attr->second.type);
  }
  return std::nullopt;
}

}  // namespace unitysim
