// Helpers shared by the jsondoc tests.
#ifndef TESTS_UNIT_JSON_JSONTESTUTIL_H_
#define TESTS_UNIT_JSON_JSONTESTUTIL_H_

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "json/jsondoc.h"

namespace jsondoc_test {

template <class T>
std::string Write(const T& doc) {
  std::stringstream out;
  out << doc;
  return out.str();
}

// The result of a read: whether it succeeded and what the document then writes as.
struct Outcome {
  bool ok;
  std::string text;
  bool operator==(const Outcome& o) const { return ok == o.ok && text == o.text; }
};

inline std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << (o.ok ? "ok " : "failed ") << o.text;
}

// Reads text as a T through parse(const String&) and through the std::istream entry point, and
// expects both to agree: the two share one grammar over different sources.
template <class T>
Outcome ReadBoth(const std::string& text, T* doc = nullptr) {
  T fast;
  bool fast_ok = fast.parse(text);
  std::istringstream in(text);
  T slow;
  bool slow_ok = T::parse(in, slow);
  Outcome a{fast_ok, Write(fast)};
  Outcome b{slow_ok, Write(slow)};
  EXPECT_EQ(a, b) << "text and stream readers disagree on: " << text.substr(0, 200);
  if (doc != nullptr) *doc = fast;
  return a;
}

}  // namespace jsondoc_test

#endif  // TESTS_UNIT_JSON_JSONTESTUTIL_H_
