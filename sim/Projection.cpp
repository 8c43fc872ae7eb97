#include "sim/Projection.h"

#include <algorithm>

#include "sim/Errors.h"
#include "sim/ObjectModel.h"

namespace unitysim {
namespace {

Json render(const ObjectModel& model, const TypeSpec& typeDef, const Json& object,
            const FieldTree& tree, bool withId);

Json renderReference(const ObjectModel& model, const std::string& type, const Json& ref,
                     const FieldTree& sub) {
  if (!ref.is_object() || !ref.contains("id")) return ref;
  const bool idOnly =
      sub.children.empty() || (sub.children.size() == 1 && sub.children.count("id"));
  if (!idOnly && ref["id"].is_string()) {
    const TypeSpec* typeDef = model.typeDef(type);
    const Json* target = model.get(type, ref["id"].get<std::string>());
    if (typeDef != nullptr && target != nullptr) return render(model, *typeDef, *target, sub, true);
  }
  return Json{{"id", ref["id"]}};
}

Json render(const ObjectModel& model, const TypeSpec& typeDef, const Json& object,
            const FieldTree& tree, bool withId) {
  Json out = Json::object();
  if (withId && object.contains("id")) out["id"] = object["id"];
  for (const auto& [name, sub] : tree.children) {
    auto attr = typeDef.attributes.find(name);
    auto it = object.find(name);
    if (attr == typeDef.attributes.end() || it == object.end() || it->is_null()) continue;
    const std::string& type = attr->second.type;
    const TypeSpec* embedded = model.typeDef(type);
    switch (attr->second.kind) {
      case AttrKind::Value:
        out[name] = *it;
        break;
      case AttrKind::Reference:
        out[name] = renderReference(model, type, *it, sub);
        break;
      case AttrKind::ReferenceList: {
        Json list = Json::array();
        if (it->is_array())
          for (const Json& e : *it) list.push_back(renderReference(model, type, e, sub));
        out[name] = std::move(list);
        break;
      }
      case AttrKind::Embedded:
        out[name] = sub.children.empty() || embedded == nullptr
                        ? *it
                        : render(model, *embedded, *it, sub, false);
        break;
      case AttrKind::EmbeddedList: {
        Json list = Json::array();
        if (it->is_array())
          for (const Json& e : *it)
            list.push_back(sub.children.empty() || embedded == nullptr
                               ? e
                               : render(model, *embedded, e, sub, false));
        out[name] = std::move(list);
        break;
      }
    }
  }
  return out;
}

}  // namespace

FieldSelection parseFields(const ObjectModel& model, const std::string& type,
                           const std::string& text) {
  FieldSelection sel;
  const TypeSpec* typeDef = model.typeDef(type);
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    std::string name = text.substr(start, comma - start);
    start = comma + 1;
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (name.empty()) continue;
    AttributePath path;
    size_t s = 0;
    for (;;) {
      const size_t dot = name.find('.', s);
      path.push_back(name.substr(s, dot - s));
      if (dot == std::string::npos) break;
      s = dot + 1;
    }
    if (std::any_of(path.begin(), path.end(), [](const std::string& p) { return p.empty(); }) ||
        model.invalidStep(type, path))
      throw ApiError(422, code::kNotOnPlatform,
                     "Requested element, property or action is not supported by current "
                     "platform:[" +
                         name + "].");
    FieldTree* node = &sel.tree;
    for (const auto& p : path) node = &node->children[p];
    if (path.size() == 1 && typeDef != nullptr) {
      const AttrKind kind = typeDef->attributes.at(path[0]).kind;
      if (kind == AttrKind::Reference || kind == AttrKind::ReferenceList) name += ".id";
    }
    if (std::find(sel.echo.begin(), sel.echo.end(), name) == sel.echo.end())
      sel.echo.push_back(name);
  }
  if (std::find(sel.echo.begin(), sel.echo.end(), "id") == sel.echo.end()) sel.echo.push_back("id");
  return sel;
}

Json project(const ObjectModel& model, const std::string& type, const Json& object,
             const FieldTree& fields) {
  const TypeSpec* typeDef = model.typeDef(type);
  if (typeDef == nullptr) return Json{{"id", object.value("id", Json())}};
  return render(model, *typeDef, object, fields, true);
}

}  // namespace unitysim
