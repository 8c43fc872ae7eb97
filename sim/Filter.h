#pragma once
// The array's filter language: comparisons (eq ne lt le gt ge lk in) on dotted attribute paths,
// joined by AND (binding tighter) and OR, with NOT and parentheses. Keywords are matched without
// regard to case; string comparisons ignore case; an attribute holding a list matches when any
// element does. A parsed Filter is immutable and may be shared between threads.

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/Json.h"

namespace unitysim {

class FilterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using AttributePath = std::vector<std::string>;

class Filter {
 public:
  struct Node;

  // Throws FilterError on a syntax error. Nesting is limited to 64 levels.
  static Filter parse(const std::string& text);

  // Appends the values an attribute path has in the object under test; a list attribute yields
  // each of its elements, a reference its {"id": ...} object.
  using Resolver = std::function<void(const AttributePath&, std::vector<const Json*>&)>;
  bool matches(const Resolver& resolve) const;

  // Every attribute path the filter names, for validation against the type.
  std::vector<AttributePath> paths() const;

  // When every object the filter can match must have one of a known set of ids (an OR of
  // `id eq` / `id in` terms, possibly ANDed with other conditions), those ids; the caller looks
  // them up instead of scanning and still applies matches(). Otherwise nothing.
  std::optional<std::vector<std::string>> candidateIds() const;

 private:
  std::shared_ptr<const Node> root_;
};

// SQL LIKE as the array applies it: % any run, _ one character, backslash makes the next
// character literal; case is ignored.
bool likeMatch(const std::string& text, const std::string& pattern);

}  // namespace unitysim
