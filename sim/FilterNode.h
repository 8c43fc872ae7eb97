#pragma once
// Internal: the syntax tree shared by the filter parser and evaluator.

#include <memory>
#include <string>
#include <vector>

#include "sim/Filter.h"

namespace unitysim {

struct FilterConstant {
  enum class Kind { String, Number, Boolean, Null } kind = Kind::Null;
  std::string text;      // string value, or the number's source text
  double number = 0;     // Number
  bool boolean = false;  // Boolean
};

struct Filter::Node {
  enum class Op { Or, And, Not, Compare, In, Like, BareAttribute, BareConstant };
  enum class Cmp { Eq, Ne, Lt, Le, Gt, Ge };

  Op op = Op::BareConstant;
  Cmp cmp = Cmp::Eq;
  std::vector<std::shared_ptr<const Node>> children;  // Or, And, Not
  AttributePath path;                                 // Compare, In, Like, BareAttribute
  std::vector<FilterConstant> constants;              // Compare/Like: one; In: several
};

}  // namespace unitysim
