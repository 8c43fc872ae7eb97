// The compact writer; written documents reading back equal is the JSON fuzzer's check.
#include <cstdio>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace {

using jsondoc::Array;
using jsondoc::Null;
using jsondoc::Number;
using jsondoc::Object;
using jsondoc::String;
using jsondoc::Value;
using jsondoc_test::Write;

// Key order and nested objects show in every request body the integration tests check.
TEST(JsonWrite, CompactObjectsAndArrays) {
  Value null;
  null.import(Null());
  Array list(Value(1));
  list << null << Value(true) << Value(String("")) << Value(Object()) << Value(Array());
  EXPECT_EQ(Write(Object("list", Value(list))), "{\"list\": [1, null, true, \"\", {}, []]}");
  EXPECT_EQ(Write(Object()), "{}");
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

TEST(JsonWriteNumber, ExactAndIndependentOfStreamFormat) {
  const NumberCase rows[] = {{"NegativeZero", -0.0L, "-0"},
                             {"MaxUnsigned64", 18446744073709551615.0L, "18446744073709551615"},
                             {"TwoTo64", 18446744073709551616.0L, "18446744073709551616"},
                             {"Large", 1e30L, "1e+30"},
                             {"DoubleTenth", static_cast<Number>(0.1), "0.10000000000000000555"},
                             {"Small", 1.5e-7L, "1.5e-07"},
                             {"NaN", std::numeric_limits<Number>::quiet_NaN(), "null"}};
  for (const NumberCase& c : rows) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Write(Value(c.value)), c.text);
    std::ostringstream odd;
    odd << std::hex << std::setprecision(2) << std::fixed << std::setw(30) << std::showpos;
    odd << Value(c.value);
    EXPECT_EQ(odd.str(), c.text);
  }
}

}  // namespace
