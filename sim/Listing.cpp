#include "sim/Listing.h"

#include <algorithm>
#include <cctype>

#include "sim/Errors.h"
#include "sim/Filter.h"
#include "sim/ObjectModel.h"
#include "sim/Projection.h"

namespace unitysim {
namespace {

size_t positiveParam(const RequestTarget& t, const std::string& name, size_t fallback) {
  auto it = t.params.find(name);
  if (it == t.params.end()) return fallback;
  const std::string& v = it->second;
  if (v.empty() || v.size() > 9 ||
      !std::all_of(v.begin(), v.end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
      std::stoul(v) == 0)
    throw ApiError(400, code::kBadRequest,
                   "The value of the parameter '" + name + "' is not valid.");
  return std::stoul(v);
}

AttributePath splitDots(const std::string& s) {
  AttributePath p;
  size_t start = 0;
  for (;;) {
    const size_t dot = s.find('.', start);
    p.push_back(s.substr(start, dot - start));
    if (dot == std::string::npos) return p;
    start = dot + 1;
  }
}

struct OrderKey {
  AttributePath path;
  bool descending = false;
};

std::vector<OrderKey> parseOrder(const ObjectModel& model, const std::string& type,
                                 const std::string& text) {
  std::vector<OrderKey> keys;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    std::string item = text.substr(start, comma - start);
    start = comma + 1;
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    if (item.empty()) continue;
    OrderKey key;
    const size_t space = item.find(' ');
    if (space != std::string::npos) {
      const std::string dir = toLower(item.substr(space + 1));
      if (dir != "asc" && dir != "desc")
        throw ApiError(400, code::kBadRequest,
                       "The value of the parameter 'orderby' is not valid.");
      key.descending = dir == "desc";
      item = item.substr(0, space);
    }
    key.path = splitDots(item);
    if (model.invalidStep(type, key.path))
      throw ApiError(422, code::kInvalidField,
                     "The attribute '" + item + "' is not valid for the type '" + type + "'.");
    keys.push_back(key);
  }
  return keys;
}

// -1, 0, 1 over the first value of each side; absent values sort first.
int compareValues(const Json* a, const Json* b) {
  if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
  const Json& x = a->is_object() && a->contains("id") ? (*a)["id"] : *a;
  const Json& y = b->is_object() && b->contains("id") ? (*b)["id"] : *b;
  if (x.is_number() && y.is_number()) {
    const double dx = x.get<double>(), dy = y.get<double>();
    return (dx > dy) - (dx < dy);
  }
  const std::string sx = toLower(scalarText(x)), sy = toLower(scalarText(y));
  return sx.compare(sy) < 0 ? -1 : (sx == sy ? 0 : 1);
}

std::string joinEcho(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& i : items) out += (out.empty() ? "" : ",") + i;
  return out;
}

}  // namespace

bool flagParam(const RequestTarget& target, const std::string& name) {
  auto it = target.params.find(name);
  if (it == target.params.end()) return false;
  if (target.bare.count(name) && target.bare.at(name)) return true;
  return parseBooleanText(it->second).value_or(false);
}

Json instanceEnvelope(const std::string& base, const std::string& selfId, Json content,
                      const std::string& updated) {
  return Json{{"@base", base},
              {"updated", updated},
              {"links", Json::array({Json{{"rel", "self"}, {"href", "/" + selfId}}})},
              {"content", std::move(content)}};
}

Json getInstance(ObjectModel& model, const TypeSpec& typeDef, const Json& object,
                 const ApiRequest& req) {
  const auto& params = req.target.params;
  auto f = params.find("fields");
  const FieldSelection fields =
      parseFields(model, typeDef.name, f == params.end() ? std::string() : f->second);
  Json content = project(model, typeDef.name, object, fields.tree);
  if (flagParam(req.target, "compact")) return Json{{"content", std::move(content)}};
  return instanceEnvelope(req.baseUrl + "/api/instances/" + typeDef.name,
                          object.value("id", std::string()), std::move(content), isoTime(req.now));
}

Json listCollection(ObjectModel& model, const TypeSpec& typeDef, const ApiRequest& req,
                    const ListingOptions& options) {
  const auto& params = req.target.params;
  const std::string& type = typeDef.name;
  auto fieldsIt = params.find("fields");
  const FieldSelection fields =
      parseFields(model, type, fieldsIt == params.end() ? std::string() : fieldsIt->second);

  std::optional<Filter> filter;
  std::string filterText;
  if (auto it = params.find("filter"); it != params.end()) {
    filterText = it->second;
    const bool blank = filterText.find_first_not_of(' ') == std::string::npos;
    if (!blank || options.rejectEmptyFilter) {
      try {
        filter = Filter::parse(filterText);
      } catch (const FilterError& e) {
        throw ApiError(400, code::kInvalidFilter, std::string("Invalid filter: ") + e.what() + ".");
      }
      for (const auto& path : filter->paths())
        if (auto bad = model.invalidStep(type, path))
          throw ApiError(422, code::kInvalidField,
                         "The attribute '" + *bad + "' is not valid for the type '" + type + "'.");
    } else {
      filterText.clear();
    }
  }
  const std::vector<OrderKey> order = params.count("orderby")
                                          ? parseOrder(model, type, params.at("orderby"))
                                          : std::vector<OrderKey>{};
  const size_t perPage =
      std::min(positiveParam(req.target, "per_page", options.defaultPerPage), options.maxPerPage);
  const size_t page = positiveParam(req.target, "page", 1);
  const bool compact = flagParam(req.target, "compact");
  const bool withCount = flagParam(req.target, "with_entrycount");

  std::vector<const Json*> matches;
  const auto consider = [&](const Json& o) {
    if (!filter || filter->matches([&](const AttributePath& p, std::vector<const Json*>& out) {
          model.resolve(type, o, p, out);
        }))
      matches.push_back(&o);
    return true;
  };
  std::optional<std::vector<const Json*>> candidates;
  if (filter)
    if (auto ids = filter->candidateIds()) candidates = model.getMany(type, *ids);
  if (candidates) {
    for (const Json* o : *candidates) consider(*o);
  } else {
    model.forEach(type, consider);
  }
  if (!order.empty()) {
    std::stable_sort(matches.begin(), matches.end(), [&](const Json* a, const Json* b) {
      for (const auto& key : order) {
        std::vector<const Json*> va, vb;
        model.resolve(type, *a, key.path, va);
        model.resolve(type, *b, key.path, vb);
        const int c = compareValues(va.empty() ? nullptr : va[0], vb.empty() ? nullptr : vb[0]);
        if (c != 0) return key.descending ? c > 0 : c < 0;
      }
      return false;
    });
  }

  // @base echoes the parameters in the array's normalised form.
  std::vector<std::string> echo;
  if (!filterText.empty()) echo.push_back("filter=" + filterText);
  if (fieldsIt != params.end()) echo.push_back("fields=" + joinEcho(fields.echo));
  if (!order.empty()) echo.push_back("orderby=" + params.at("orderby"));
  if (withCount) echo.push_back("with_entrycount=true");
  echo.push_back("per_page=" + std::to_string(perPage));
  if (compact) echo.push_back("compact=true");
  std::string base = req.baseUrl + "/api/types/" + type + "/instances?";
  for (size_t i = 0; i < echo.size(); ++i) base += (i ? "&" : "") + echo[i];

  const std::string updated = isoTime(req.now);
  const size_t total = matches.size();
  const size_t lastPage = total == 0 ? 1 : (total + perPage - 1) / perPage;
  Json links = Json::array();
  const auto link = [&](const char* rel, size_t n) {
    links.push_back(Json{{"rel", rel}, {"href", "&page=" + std::to_string(n)}});
  };
  link("self", page);
  if (page > 1) {
    link("first", 1);
    link("prev", std::min(page - 1, lastPage));
  }
  if (page < lastPage) link("next", page + 1);
  if (withCount) link("last", lastPage);

  Json entries = Json::array();
  const std::string entryBase = req.baseUrl + "/api/instances/" + type;
  for (size_t i = (page - 1) * perPage; i < total && i < page * perPage; ++i) {
    Json content = project(model, type, *matches[i], fields.tree);
    if (compact) {
      entries.push_back(Json{{"content", std::move(content)}});
    } else {
      const std::string id = matches[i]->value("id", std::string());
      entries.push_back(instanceEnvelope(entryBase, id, std::move(content), updated));
    }
  }
  Json answer = {{"@base", base}, {"updated", updated}, {"links", std::move(links)}};
  if (withCount) answer["entryCount"] = total;
  answer["entries"] = std::move(entries);
  return answer;
}

}  // namespace unitysim
