#include <limits>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/messages/FieldExtraction.h"

namespace {

jsondoc::Object Parse(const std::string& text) {
  jsondoc::Object object;
  EXPECT_TRUE(object.parse(text)) << text;
  return object;
}

TEST(ParseJsonValue, ResolvesKeyPathsAndLogsFailures) {
  jsondoc::Object content = Parse(R"({"id": "sv_1", "storageResource": {"id": "res_1"},
      "name": "fs", "lun": null, "deep": {"a": {"b": true}}})");
  jsondoc::Value sentinel;
  for (const char* path : {"missing.id", "name.id", "lun.id", "deep.x.b"}) {
    jsondoc::Value* out = &sentinel;
    EXPECT_FALSE(ParseJsonValue(&content, path, out)) << path;
    EXPECT_EQ(out, &sentinel) << "untouched on failure";
  }
  jsondoc::Value* out = nullptr;
  ASSERT_TRUE(ParseJsonValue(&content, "lun", out));
  EXPECT_TRUE(out->is<jsondoc::Null>());

  DiagLogCapture capture;
  EXPECT_FALSE(ParseJsonValue(&content, "snap.id", out));
  EXPECT_FALSE(ParseJsonValue(&content, "name.id", out));
  EXPECT_TRUE(ParseJsonValue(&content, "", out));
  EXPECT_EQ(out, nullptr);
  const auto lines = capture.records();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "Failed to Get key [snap.id] at [snap].");
  EXPECT_EQ(lines[0].tag, "bool ParseJsonValue(jsondoc::Object*, const string&, jsondoc::Value*&)");
  EXPECT_FALSE(lines[0].hasJob);
  EXPECT_EQ(lines[1].text, "Failed to Get Object for key [name.id] at [name].");
  EXPECT_EQ(lines[1].level, -1);
  EXPECT_EQ(lines[2].text, "Warning: Got NULL value for key []");
}

// Required and nullable keys in records are the list readers' tests; here, a missing or null field.
TEST(GetFieldValue, MissingOrNullFieldIsLogged) {
  std::map<std::string, void*> fields = {{"id", nullptr}};
  std::string out;
  DiagLogCapture capture;
  EXPECT_FALSE(GetFieldValue<jsondoc::String>(fields, "name", out));
  EXPECT_TRUE(capture.contains("Failed to get value for key [name] from parsed json map"));
  EXPECT_FALSE(GetFieldValue<jsondoc::String>(fields, "id", out));
  EXPECT_TRUE(capture.contains("Null value", "bool ParseValue(void*, R&)"));
}

// Only a conversion's own JSON type converts; the rest fail and leave the field alone. (The integer
// widths share one type check; their ranges are below.)
TEST(ParseValue, OtherJsonTypesFail) {
  jsondoc::Object values = Parse(
      R"({"string": "7", "number": 7, "bool": true, "null": null, "array": [1], "object": {"a": 1}})");
  for (const auto& entry : values.kv_map()) {
    const std::string& type = entry.first;
    std::string s = "d";
    bool b = false;
    int i = -5;
    jsondoc::Array a;
    jsondoc::Object o;
    EXPECT_EQ((ParseValue<jsondoc::String, std::string>(entry.second, s)), type == "string");
    EXPECT_EQ((ParseValue<jsondoc::Boolean, bool>(entry.second, b)), type == "bool");
    EXPECT_EQ((ParseValue<jsondoc::Number, int>(entry.second, i)), type == "number");
    EXPECT_EQ((ParseValue<jsondoc::Array, jsondoc::Array>(entry.second, a)), type == "array");
    EXPECT_EQ((ParseValue<jsondoc::Object, jsondoc::Object>(entry.second, o)), type == "object");
    EXPECT_EQ(s, type == "string" ? "7" : "d");
    EXPECT_EQ(i, type == "number" ? 7 : -5);
    EXPECT_EQ(a.size() + o.size(), type == "array" || type == "object" ? 1u : 0u) << type;
  }
}

TEST(ParseValue, NumbersTruncateAndMustFitTheField) {
  const jsondoc::Number inf = std::numeric_limits<jsondoc::Number>::infinity();
  const struct {
    jsondoc::Number n;
    const char* expected;  // int, long, unsigned long long; "-" for a failed conversion
  } cases[] = {
      {2.9L, "2 2 2"},
      {-2.9L, "-2 -2 -"},
      {2147483648.0L, "- 2147483648 2147483648"},
      {-2147483648.7L, "-2147483648 -2147483648 -"},
      {0x1p63L, "- - 9223372036854775808"},
      {0x1p64L - 1, "- - 18446744073709551615"},
      {0x1p64L, "- - -"},
      {inf, "- - -"},
      {std::numeric_limits<jsondoc::Number>::quiet_NaN(), "- - -"},
  };
  for (const auto& c : cases) {
    jsondoc::Value value(c.n);
    SCOPED_TRACE(std::to_string(static_cast<double>(c.n)));
    int i = 0;
    long l = 0;
    unsigned long long u = 0;
    const std::string got =
        ((ParseValue<jsondoc::Number, int>(&value, i)) ? std::to_string(i) : "-") + " " +
        ((ParseValue<jsondoc::Number, long>(&value, l)) ? std::to_string(l) : "-") + " " +
        ((ParseValue<jsondoc::Number, unsigned long long>(&value, u)) ? std::to_string(u) : "-");
    EXPECT_EQ(got, c.expected);
  }
}

}  // namespace
