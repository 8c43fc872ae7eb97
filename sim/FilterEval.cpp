#include <cctype>
#include <cstdlib>
#include <set>

#include "sim/FilterNode.h"

namespace unitysim {
namespace {

using Node = Filter::Node;
using Kind = FilterConstant::Kind;

// A reference {"id": ...} is compared through its id.
const Json& effective(const Json& v) {
  if (v.is_object()) {
    auto it = v.find("id");
    if (it != v.end()) return *it;
  }
  return v;
}

std::optional<double> textAsNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double d = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0') return std::nullopt;
  return d;
}

template <typename T>
bool ordered(const T& a, const T& b, Node::Cmp cmp) {
  switch (cmp) {
    case Node::Cmp::Eq:
      return a == b;
    case Node::Cmp::Ne:
      return !(a == b);
    case Node::Cmp::Lt:
      return a < b;
    case Node::Cmp::Le:
      return !(b < a);
    case Node::Cmp::Gt:
      return b < a;
    case Node::Cmp::Ge:
      return !(a < b);
  }
  return false;
}

bool isNull(const Json* v) {
  return v == nullptr || v->is_null();
}

bool compare(const Json* value, const FilterConstant& c, Node::Cmp cmp) {
  if (c.kind == Kind::Null || isNull(value)) {
    const bool bothNull = c.kind == Kind::Null && isNull(value);
    if (cmp == Node::Cmp::Eq) return bothNull;
    if (cmp == Node::Cmp::Ne) return !bothNull;
    return false;
  }
  const Json& v = effective(*value);
  if (v.is_string()) {
    const std::string& s = v.get_ref<const std::string&>();
    if (c.kind == Kind::Number && cmp != Node::Cmp::Eq && cmp != Node::Cmp::Ne) {
      const auto n = textAsNumber(s);
      return n && ordered(*n, c.number, cmp);
    }
    if (c.kind == Kind::Boolean) {
      const auto b = parseBooleanText(s);
      return b ? ordered(*b, c.boolean, cmp) : cmp == Node::Cmp::Ne;
    }
    return ordered(toLower(s), toLower(c.text), cmp);
  }
  if (v.is_boolean()) {
    bool b = false;
    if (c.kind == Kind::Boolean) {
      b = c.boolean;
    } else if (auto parsed = parseBooleanText(c.text)) {
      b = *parsed;
    } else {
      return cmp == Node::Cmp::Ne;
    }
    return ordered(v.get<bool>(), b, cmp);
  }
  if (v.is_number()) {
    if (c.kind == Kind::Boolean) return cmp == Node::Cmp::Ne;
    if (v.is_number_integer() && c.kind == Kind::Number &&
        c.text.find_first_of(".eExX") == std::string::npos) {
      // Exact for integers beyond 2^53, such as snapshot ids stored as numbers.
      char* end = nullptr;
      const long long n = std::strtoll(c.text.c_str(), &end, 10);
      if (*end == '\0') {
        if (v.is_number_unsigned()) {
          const auto u = v.get<unsigned long long>();
          if (n < 0) return ordered(1, 0, cmp);
          return ordered(u, static_cast<unsigned long long>(n), cmp);
        }
        return ordered(v.get<long long>(), n, cmp);
      }
    }
    const auto n = c.kind == Kind::Number ? std::optional<double>(c.number) : textAsNumber(c.text);
    if (!n) return cmp == Node::Cmp::Ne;
    return ordered(v.get<double>(), *n, cmp);
  }
  return cmp == Node::Cmp::Ne;  // objects and lists equal no constant
}

bool truthy(const Json& v) {
  const Json& e = effective(v);
  if (e.is_null()) return false;
  if (e.is_boolean()) return e.get<bool>();
  if (e.is_number()) return e.get<double>() != 0;
  if (e.is_array() || e.is_object()) return !e.empty();
  return true;
}

bool truthy(const FilterConstant& c) {
  switch (c.kind) {
    case Kind::Null:
      return false;
    case Kind::Boolean:
      return c.boolean;
    case Kind::Number:
      return c.number != 0;
    case Kind::String:
      return true;
  }
  return false;
}

bool evaluate(const Node& n, const Filter::Resolver& resolve, std::vector<const Json*>& scratch) {
  switch (n.op) {
    case Node::Op::Or:
      for (const auto& c : n.children)
        if (evaluate(*c, resolve, scratch)) return true;
      return false;
    case Node::Op::And:
      for (const auto& c : n.children)
        if (!evaluate(*c, resolve, scratch)) return false;
      return true;
    case Node::Op::Not:
      return !evaluate(*n.children.front(), resolve, scratch);
    case Node::Op::BareConstant:
      return truthy(n.constants.front());
    default:
      break;
  }
  scratch.clear();
  resolve(n.path, scratch);
  if (n.op == Node::Op::BareAttribute) {
    for (const Json* v : scratch)
      if (v != nullptr && truthy(*v)) return true;
    return false;
  }
  if (scratch.empty()) scratch.push_back(nullptr);  // an absent attribute compares as null
  const std::vector<const Json*> values = scratch;
  for (const Json* v : values) {
    if (n.op == Node::Op::Compare && compare(v, n.constants.front(), n.cmp)) return true;
    if (n.op == Node::Op::In) {
      for (const auto& c : n.constants)
        if (compare(v, c, Node::Cmp::Eq)) return true;
    }
    if (n.op == Node::Op::Like && !isNull(v)) {
      const Json& e = effective(*v);
      if ((e.is_string() || e.is_number()) && likeMatch(scalarText(e), n.constants.front().text))
        return true;
    }
  }
  return false;
}

void collectPaths(const Node& n, std::vector<AttributePath>& out) {
  if (!n.path.empty()) out.push_back(n.path);
  for (const auto& c : n.children) collectPaths(*c, out);
}

std::optional<std::set<std::string>> candidates(const Node& n) {
  switch (n.op) {
    case Node::Op::Or: {
      std::set<std::string> all;
      for (const auto& c : n.children) {
        auto ids = candidates(*c);
        if (!ids) return std::nullopt;
        all.insert(ids->begin(), ids->end());
      }
      return all;
    }
    case Node::Op::And:
      for (const auto& c : n.children)
        if (auto ids = candidates(*c)) return ids;
      return std::nullopt;
    case Node::Op::Compare:
    case Node::Op::In: {
      if (n.path.size() != 1 || n.path[0] != "id") return std::nullopt;
      if (n.op == Node::Op::Compare && n.cmp != Node::Cmp::Eq) return std::nullopt;
      std::set<std::string> ids;
      for (const auto& c : n.constants) {
        if (c.kind != Kind::String && c.kind != Kind::Number) return std::nullopt;
        ids.insert(c.text);
      }
      return ids;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

// Greedy wildcard matching with backtracking to the last %: linear in practice, O(n*m) at worst.
bool likeMatch(const std::string& text, const std::string& pattern) {
  enum class E { Any, One, Char };
  std::vector<std::pair<E, char>> p;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%') {
      p.emplace_back(E::Any, 0);
    } else if (c == '_') {
      p.emplace_back(E::One, 0);
    } else if (c == '\\' && i + 1 < pattern.size()) {
      p.emplace_back(E::Char, pattern[++i]);
    } else {
      p.emplace_back(E::Char, c);
    }
  }
  const auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  size_t t = 0, k = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (k < p.size() && p[k].first == E::Any) {
      star = k++;
      resume = t;
    } else if (k < p.size() && (p[k].first == E::One || same(p[k].second, text[t]))) {
      ++k;
      ++t;
    } else if (star != std::string::npos) {
      k = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (k < p.size() && p[k].first == E::Any) ++k;
  return k == p.size();
}

bool Filter::matches(const Resolver& resolve) const {
  std::vector<const Json*> scratch;
  return evaluate(*root_, resolve, scratch);
}

std::vector<AttributePath> Filter::paths() const {
  std::vector<AttributePath> out;
  collectPaths(*root_, out);
  return out;
}

std::optional<std::vector<std::string>> Filter::candidateIds() const {
  auto ids = candidates(*root_);
  if (!ids) return std::nullopt;
  return std::vector<std::string>(ids->begin(), ids->end());
}

}  // namespace unitysim
