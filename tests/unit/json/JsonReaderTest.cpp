// The lenient reader; every read goes through both entry points, which must agree (ReadBoth).
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace {

using jsondoc::Array;
using jsondoc::Number;
using jsondoc::Object;
using jsondoc::String;
using jsondoc::Value;
using jsondoc_test::Outcome;
using jsondoc_test::ReadBoth;

struct ReadCase {
  const char* name;
  std::string text;
  bool ok;
  std::string written;  // how the document reads back when ok
};

TEST(JsonReadValue, ReadsAsExpected) {
  const ReadCase rows[] = {
      {"CommentsBetweenAllTokens", "// head\n[ // x\n 1 // y\n , // z\n 2 ] ", true, "[1, 2]"},
      {"CommentRunsToEnd", "[1 // never closed", false, ""},
      {"TrailingCommaArray", "[1,2,]", true, "[1, 2]"},
      {"EmptyMiddleElement", "[1,,2]", true, "[1, null, 2]"},
      {"EmptyMemberValue", "{\"a\":,\"b\":2}", true, "{\"a\": null, \"b\": 2}"},
      {"MissingLastValue", "{\"a\":}", true, "{}"},
      {"DuplicateKeyKeepsLater", "{\"a\":1,\"b\":0,\"a\":[2]}", true, "{\"a\": [2], \"b\": 0}"},
      // Entries of one shape: a key sequence seen in order before may come again in another
      // order or with a repeat.
      {"RepeatedShapes",
       "{\"l\":[{\"a\":1,\"b\":2,\"c\":3},{\"c\":4,\"a\":5,\"b\":6},"
       "{\"a\":7,\"b\":8,\"a\":9},{\"a\":10,\"b\":11,\"c\":12}]}",
       true,
       "{\"l\": [{\"a\": 1, \"b\": 2, \"c\": 3}, {\"a\": 5, \"b\": 6, \"c\": 4}, "
       "{\"a\": 9, \"b\": 8}, {\"a\": 10, \"b\": 11, \"c\": 12}]}"},
      // Escapes: unknown ones are kept, a lone high surrogate becomes U+FFFD.
      {"StandardEscapes", "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", true, "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\""},
      {"UnknownEscapeKept", "\"\\q\\x\"", true, "\"\\\\q\\\\x\""},
      // In a single-quoted string the quote escape is \' and \" is unknown.
      {"SingleQuotedEscapes", "'a\\'b\\\"c\\n'", true, "\"a'b\\\\\\\"c\\n\""},
      {"EscapeAtTheEnd", "\"ab\\", false, ""},
      {"SurrogatePair", "\"\\uD83D\\uDE00\"", true, "\"\xF0\x9F\x98\x80\""},
      {"LoneHighSurrogate", "\"\\uD800x\"", true, "\"\xEF\xBF\xBDx\""},
      {"NulByte", "\"a\\u0000b\"", true, "\"a\\u0000b\""},
      {"NotHexFails", "[\"\\uzzzz\", 1]", false, ""},
      {"HighThenUnknownEscapeFails", "[\"\\uD800\\x\", 1]", false, ""},
      // Numbers read like stream extraction.
      {"MaxUnsigned64", "18446744073709551615", true, "18446744073709551615"},
      {"HexStopsAfterZero", "0x1p3", true, "0"},
      {"Underflow", "1e-99999", true, "0"},
      {"FiveHundredDigits", std::string(500, '9'), true, "1e+500"},
      {"Overflow", "1e999999", false, ""},
      {"OverflowDigits", std::string(5000, '9'), false, ""}};
  for (const ReadCase& c : rows) {
    SCOPED_TRACE(c.name);
    Outcome got = ReadBoth<Value>(c.text);
    EXPECT_EQ(got.ok, c.ok);
    if (c.ok) {
      EXPECT_EQ(got.text, c.written);
    }
  }
}

// Each entry point reads only its own type; a failed read leaves nothing behind.
TEST(JsonRead, EntryPointsAndFailedReads) {
  EXPECT_FALSE(ReadBoth<Object>("[1]").ok);
  EXPECT_FALSE(ReadBoth<Array>("{}").ok);
  EXPECT_FALSE(ReadBoth<Object>("{\"size\": 1e99999}").ok);
  Object o;
  ASSERT_TRUE(o.parse(String("{\"old\": 1}")));
  ASSERT_TRUE(o.parse(String("{\"new\": 2}")));
  EXPECT_EQ(jsondoc_test::Write(o), "{\"new\": 2}");
  Value v(String("previous"));
  EXPECT_FALSE(v.parse(String("[1 2]")));
  EXPECT_TRUE(v.empty());
}

std::string Nested(int depth, const std::string& open, const std::string& close) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += open;
  text += "1";
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

TEST(JsonRead, NestingLimit) {
  EXPECT_TRUE(ReadBoth<Value>(Nested(jsondoc::kMaxDepth, "[", "]")).ok);
  EXPECT_FALSE(ReadBoth<Value>(Nested(jsondoc::kMaxDepth + 1, "[", "]")).ok);
  EXPECT_TRUE(
      ReadBoth<Object>("{\"a\":" + Nested(jsondoc::kMaxDepth - 1, "{\"a\":", "}") + "}").ok);
  EXPECT_FALSE(ReadBoth<Object>("{\"a\":" + Nested(jsondoc::kMaxDepth, "{\"a\":", "}") + "}").ok);
  // Hostile depth must neither exhaust the stack nor take long.
  EXPECT_FALSE(ReadBoth<Value>(std::string(100000, '[')).ok);
  EXPECT_FALSE(ReadBoth<Object>(Nested(100000, "{\"a\":[", "]}")).ok);
}

// A list answer as the array sends it, with every kind of value.
const char kAnswer[] =
    "{\"@base\": \"https://10.0.0.1/api/instances/snap\", \"updated\": "
    "\"2024-05-01T10:00:00.000Z\","
    " \"links\": [{\"rel\": \"self\", \"href\": \"&page=1\"}], \"entries\": [{\"content\": "
    "{\"id\": \"38654705846\", \"name\": \"snap_\\u00e9\\/1\", \"size\": 1.5e3, \"count\": -2,"
    " \"isModifiable\": true, \"parent\": null, \"tags\": [], \"storageResource\": {\"id\": "
    "\"sv_12\"}}}, ]}";

TEST(JsonRead, EveryPrefixOfAnAnswer) {
  const std::string answer(kAnswer);
  ASSERT_TRUE(ReadBoth<Object>(answer).ok);
  for (std::size_t n = 0; n < answer.size(); ++n) {
    EXPECT_FALSE(ReadBoth<Object>(answer.substr(0, n)).ok) << n;
  }
}

// Strings and keys are scanned eight bytes at a time: the closing quote and an escape are found
// at every offset, between bytes next to them in value and bytes above 0x7F.
TEST(JsonRead, StringEndAndEscapeAtEveryOffset) {
  const std::string filler =
      "!#[]\xA2\xDC\x7F"
      "ab";  // neighbours of '"' (0x22) and '\\' (0x5C)
  for (std::size_t n = 0; n <= 24; ++n) {
    std::string plain;
    for (std::size_t i = 0; i < n; ++i) plain += filler[i % filler.size()];
    for (std::size_t at = 0; at <= n; ++at) {
      const std::string expected = plain.substr(0, at) + "\n" + plain.substr(at);
      const std::string text =
          "{\"" + plain + "\": \"" + plain.substr(0, at) + "\\n" + plain.substr(at) + "\"}";
      Object doc;
      ASSERT_TRUE(ReadBoth<Object>(text, &doc).ok) << text;
      ASSERT_TRUE(doc.has<String>(plain)) << text;
      EXPECT_EQ(doc.get<String>(plain), expected);
    }
  }
}

// Keys repeat from element to element and are stored once: many distinct keys grow that store,
// and every element keeps its own values under them, written in key order.
TEST(JsonRead, ManyDistinctKeysSharedByElements) {
  std::string first = "\"k99\": 99";
  for (int i = 98; i >= 0; --i) first += ", \"k" + std::to_string(i) + "\": " + std::to_string(i);
  Object doc;
  ASSERT_TRUE(
      ReadBoth<Object>("{\"l\": [{" + first + "}, {\"k99\": \"x\", \"k0\": \"y\"}]}", &doc).ok);
  const Array& list = doc.get<Array>("l");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.get<Object>(0).size(), 100u);
  EXPECT_EQ(list.get<Object>(0).get<Number>("k57"), 57.0L);
  EXPECT_EQ(jsondoc_test::Write(list.get<Object>(1)), "{\"k0\": \"y\", \"k99\": \"x\"}");
}

// The stream grammar functions: a failed alternative gives its text back.
TEST(JsonRead, GrammarFunctionsOnAStream) {
  std::istringstream in("  // note\n  : 'quoted' 42 x");
  String s;
  Number n = 0;
  jsondoc::Boolean b = false;
  EXPECT_TRUE(!jsondoc::match("::", in) && jsondoc::match(":", in));
  EXPECT_TRUE(jsondoc::parse_string(in, s) && !jsondoc::parse_bool(in, b));
  EXPECT_TRUE(jsondoc::parse_number(in, n) && !jsondoc::parse_null(in));
  EXPECT_FALSE(jsondoc::parse_comment(in));
  EXPECT_EQ(s + std::to_string(static_cast<int>(n)) + static_cast<char>(in.get()), "quoted42x");
  std::istringstream notes("// a\n// b\n/rest");
  EXPECT_TRUE(jsondoc::parse_comment(notes) && jsondoc::parse_comment(notes));
  EXPECT_FALSE(jsondoc::parse_comment(notes));
  EXPECT_EQ(notes.get(), '/');
  Value v;
  std::istringstream value("[1, {\"a\": 'b'}]");
  EXPECT_TRUE(jsondoc::parse_value(value, v) && v.is<Array>());
}

}  // namespace
