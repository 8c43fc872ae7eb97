// The compact writer: exact text, string escapes, numbers, and writing then reading back.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace {

using jsondoc::Array;
using jsondoc::Boolean;
using jsondoc::Null;
using jsondoc::Number;
using jsondoc::Object;
using jsondoc::String;
using jsondoc::Value;
using jsondoc_test::ReadBoth;
using jsondoc_test::Write;

TEST(JsonWrite, CompactObjectsAndArrays) {
  Object body;
  body.import("name", Value("snap1"));
  body.import("isAutoDelete", Value(false));
  body.import("storageResource", Object("id", Value("sv_1")));
  body.import("tags", Value(Array()));
  body.import("none", Value(Object()));
  Array list(Value(1));
  Value null;
  null.import(Null());
  list << null << Value(true) << Value(String(""));
  body.import("list", Value(list));
  EXPECT_EQ(Write(body),
            "{\"isAutoDelete\": false, \"list\": [1, null, true, \"\"], \"name\": \"snap1\", "
            "\"none\": {}, \"storageResource\": {\"id\": \"sv_1\"}, \"tags\": []}");
  EXPECT_EQ(Write(Object()), "{}");
  EXPECT_EQ(Write(Array()), "[]");
  EXPECT_EQ(Write(Value()), "");
}

TEST(JsonWrite, StringEscapes) {
  std::ostringstream out;
  jsondoc::stream_string(out, String("/\"\\\t\x01"));
  EXPECT_EQ(out.str(), "\"\\/\\\"\\\\\\t\\u0001\"");
  EXPECT_EQ(Write(Value("/fs1")), "\"\\/fs1\"");

  // Every byte alone: named escapes, \u00xx for other control bytes and for 0x80..0xFF (no byte
  // from 0x80 up is valid UTF-8 on its own).
  const std::string named = "\b\t\n\f\r\"/\\", letters = "btnfr\"/\\";
  for (int b = 0; b < 256; ++b) {
    char expected[16];
    std::size_t at = named.find(static_cast<char>(b));
    if (at != std::string::npos) {
      std::snprintf(expected, sizeof expected, "\"\\%c\"", letters[at]);
    } else if (b < 0x20 || b >= 0x80) {
      std::snprintf(expected, sizeof expected, "\"\\u%04x\"", b);
    } else {
      std::snprintf(expected, sizeof expected, "\"%c\"", b);
    }
    EXPECT_EQ(Write(Value(String(1, static_cast<char>(b)))), expected) << "byte " << b;
  }

  // Valid UTF-8 goes out as it is; each byte of a malformed sequence (truncated, overlong,
  // surrogate, above U+10FFFF, stray continuation) is escaped.
  EXPECT_EQ(Write(Value("Sicherung_\xC3\xA4\xE2\x80\x93\xE6\x97\xA5\xF0\x9F\x98\x80")),
            "\"Sicherung_\xC3\xA4\xE2\x80\x93\xE6\x97\xA5\xF0\x9F\x98\x80\"");
  EXPECT_EQ(Write(Value("\xC3|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\x80\xE6\x97")),
            "\"\\u00c3|\\u00c0\\u00af|\\u00ed\\u00a0\\u0080|\\u00f4\\u0090\\u0080\\u0080|"
            "\\u0080\\u00e6\\u0097\"");
}

struct NumberCase {
  const char* name;
  Number value;
  std::string text;
};

class JsonWriteNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(JsonWriteNumber, ExactAndIndependentOfStreamFormat) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(Write(Value(c.value)), c.text);
  std::ostringstream odd;
  odd << std::hex << std::setprecision(2) << std::fixed << std::setw(30) << std::showpos;
  odd << Value(c.value);
  EXPECT_EQ(odd.str(), c.text);
}

const Number kInf = std::numeric_limits<Number>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Numbers, JsonWriteNumber,
    ::testing::Values(NumberCase{"One", 1, "1"}, NumberCase{"Zero", 0, "0"},
                      NumberCase{"NegativeZero", -0.0L, "-0"}, NumberCase{"Minus5", -5, "-5"},
                      NumberCase{"Half", 2.5L, "2.5"}, NumberCase{"Million", 1234567, "1234567"},
                      NumberCase{"MaxUnsigned64", 18446744073709551615.0L, "18446744073709551615"},
                      NumberCase{"NegMaxUnsigned64", -18446744073709551615.0L,
                                 "-18446744073709551615"},
                      NumberCase{"TwoTo64", 18446744073709551616.0L, "18446744073709551616"},
                      NumberCase{"Large", 1e30L, "1e+30"}, NumberCase{"Tenth", 0.1L, "0.1"},
                      NumberCase{"DoubleTenth", static_cast<Number>(0.1), "0.10000000000000000555"},
                      NumberCase{"Small", 1.5e-7L, "1.5e-07"}, NumberCase{"Infinity", kInf, "null"},
                      NumberCase{"MinusInfinity", -kInf, "null"},
                      NumberCase{"NaN", std::numeric_limits<Number>::quiet_NaN(), "null"}),
    jsondoc_test::RowName<NumberCase>);

// Structural equality with exact numbers and bytes.
bool Same(const Value& a, const Value& b) {
  if (a.type_tag() != b.type_tag()) return false;
  if (a.is<Number>()) {
    return std::memcmp(&a.get<Number>(), &b.get<Number>(), 10) == 0;  // the 80 significant bits
  }
  if (a.is<String>()) return a.get<String>() == b.get<String>();
  if (a.is<Boolean>()) return a.get<Boolean>() == b.get<Boolean>();
  if (a.is<Array>()) {
    const Array::List& x = a.get<Array>().values();
    const Array::List& y = b.get<Array>().values();
    return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                      [](const auto& i, const auto& j) { return Same(*i, *j); });
  }
  if (a.is<Object>()) {
    const Object::Map& x = a.get<Object>().kv_map();
    const Object::Map& y = b.get<Object>().kv_map();
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const auto& i, const auto& j) {
      return i.first == j.first && Same(*i.second, *j.second);
    });
  }
  return true;
}

class Generator {
 public:
  explicit Generator(std::uint32_t seed) : rng_(seed) {}

  Object Document() {
    Object o;
    for (int n = Pick(6); n > 0; --n) o.import(Text(), Any(1));
    return o;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }

  // Printable ASCII half of the time, any byte otherwise.
  String Text() {
    String s;
    for (int n = Pick(12); n > 0; --n) {
      static const char* const kWide[] = {"\xC3\xA9", "\xE2\x80\x93", "\xE6\x97\xA5",
                                          "\xF0\x9F\x98\x80"};
      const int kind = Pick(4);
      if (kind == 0) {
        s += static_cast<char>(Pick(0x20));
      } else if (kind == 1) {
        s += kWide[Pick(4)];
      } else {
        s += static_cast<char>(0x20 + Pick(0x5F));
      }
    }
    return s;
  }

  Number AnyNumber() {
    const int kind = Pick(6);
    if (kind == 0) return Pick(2001) - 1000;
    if (kind == 1) return 18446744073709551615.0L;
    if (kind == 2) return -static_cast<Number>(rng64_() >> Pick(64));
    if (kind == 4) return std::ldexp(static_cast<Number>(rng64_() | (1ULL << 63)), Pick(400) - 263);
    if (kind == 5) return Pick(1000) / 8.0L;
    double d;  // any finite double
    do {
      std::uint64_t bits = rng64_();
      std::memcpy(&d, &bits, sizeof d);
    } while (!std::isfinite(d));
    return d;
  }

  Value Any(int depth) {
    const int kind = Pick(depth > 4 ? 4 : 6);
    if (kind == 0) return Value(Text());
    if (kind == 1) return Value(AnyNumber());
    if (kind == 2) return Value(Pick(2) == 0);
    Value v;
    if (kind == 3) {
      v.import(Null());
    } else if (kind == 4) {
      Array a;
      for (int n = Pick(5); n > 0; --n) a << Any(depth + 1);
      v = Value(a);
    } else {
      Object o;
      for (int n = Pick(5); n > 0; --n) o.import(Text(), Any(depth + 1));
      v = Value(o);
    }
    return v;
  }

  std::mt19937 rng_;
  std::mt19937_64 rng64_{7};
};

TEST(JsonWrite, WrittenDocumentsReadBackEqual) {
  Generator gen(20240501);
  for (int i = 0; i < 2000; ++i) {
    const Object doc = gen.Document();
    const std::string text = Write(doc);
    Object back;
    ASSERT_TRUE(ReadBoth<Object>(text, &back).ok) << text;
    EXPECT_EQ(Write(back), text);
    ASSERT_TRUE(Same(Value(doc), Value(back))) << text;
  }
}

}  // namespace
