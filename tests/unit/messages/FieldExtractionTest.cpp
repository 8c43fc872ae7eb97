#include <limits>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/FieldExtraction.h"

namespace {

const char kParseJsonValueTag[] =
    "bool ParseJsonValue(jsondoc::Object*, const string&, jsondoc::Value*&)";

jsondoc::Object Parse(const std::string& text) {
  jsondoc::Object object;
  EXPECT_TRUE(object.parse(text)) << text;
  return object;
}

const char kContent[] = R"({"id": "sv_1", "storageResource": {"id": "res_1", "type": 2},
  "name": "fs", "lun": null, "deep": {"a": {"b": {"c": true}}}})";

TEST(ParseJsonValue, ResolvesKeyPaths) {
  jsondoc::Object content = Parse(kContent);
  const struct {
    const char* path;
    bool found;
  } cases[] = {
      {"id", true},          {"storageResource.id", true},
      {"deep.a.b.c", true},  {"storageResource", true},
      {"lun", true},         {"missing", false},
      {"missing.id", false}, {"storageResource.name", false},
      {"name.id", false},    {"lun.id", false},
      {"deep.a.x.c", false},
  };
  jsondoc::Value sentinel;
  for (const auto& c : cases) {
    jsondoc::Value* out = &sentinel;
    EXPECT_EQ(ParseJsonValue(&content, c.path, out), c.found) << c.path;
    if (!c.found) {
      EXPECT_EQ(out, &sentinel) << c.path;  // untouched on failure
    }
  }
  jsondoc::Value* out = nullptr;
  ASSERT_TRUE(ParseJsonValue(&content, "storageResource.id", out));
  EXPECT_EQ(out->get<jsondoc::String>(), "res_1");
  ASSERT_TRUE(ParseJsonValue(&content, "lun", out));
  EXPECT_TRUE(out->is<jsondoc::Null>());  // a null at the end of a path is found
}

TEST(ParseJsonValue, LogsWhyAPathFails) {
  jsondoc::Object content = Parse(kContent);
  jsondoc::Value* out = nullptr;
  DiagLogCapture capture;
  EXPECT_FALSE(ParseJsonValue(&content, "snap.id", out));
  EXPECT_FALSE(ParseJsonValue(&content, "name.id", out));
  EXPECT_TRUE(ParseJsonValue(&content, "", out));
  EXPECT_EQ(out, nullptr);
  const auto records = capture.records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].text, "Failed to Get key [snap.id] at [snap].");
  EXPECT_EQ(records[0].level, 5);
  EXPECT_EQ(records[0].tag, kParseJsonValueTag);
  EXPECT_FALSE(records[0].hasJob);
  EXPECT_EQ(records[1].text, "Failed to Get Object for key [name.id] at [name].");
  EXPECT_EQ(records[1].level, -1);
  EXPECT_EQ(records[2].text, "Warning: Got NULL value for key []");
}

TEST(GetJsonValues, RequiredAndNullableKeys) {
  const struct {
    const char* name;
    const char* content;
    bool result;
    bool lunFound;
  } cases[] = {
      {"Both", R"({"id": "1", "lun": {"id": "sv_2"}})", true, true},
      {"NullableAbsent", R"({"id": "1"})", true, false},
      {"NullableParentNotObject", R"({"id": "1", "lun": "x"})", true, false},
      {"RequiredAbsent", R"({"lun": {"id": "sv_2"}})", false, false},
  };
  for (const auto& c : cases) {
    jsondoc::Object content = Parse(c.content);
    std::map<std::string, void*> fields = {{"id", nullptr}, {"lun.id", nullableKey}};
    EXPECT_EQ(GetJsonValues(&content, fields), c.result) << c.name;
    if (!c.result) continue;
    EXPECT_NE(fields["id"], nullptr) << c.name;
    EXPECT_EQ(fields["lun.id"] != nullptr, c.lunFound) << c.name;
    std::string lun = "default";
    EXPECT_EQ(GetFieldValue<jsondoc::String>(fields, "lun.id", lun), c.lunFound) << c.name;
    EXPECT_EQ(lun, c.lunFound ? "sv_2" : "default") << c.name;
  }
}

TEST(GetJsonValues, MarkersMustBeRenewedForEveryEntry) {
  jsondoc::Object first = Parse(R"({"id": "1", "lun": {"id": "sv_2"}})");
  jsondoc::Object second = Parse(R"({"id": "2"})");
  std::map<std::string, void*> fields = {{"id", nullptr}, {"lun.id", nullableKey}};
  ASSERT_TRUE(GetJsonValues(&first, fields));
  // Without a renewed marker the absent nullable key of the next entry counts as required.
  EXPECT_FALSE(GetJsonValues(&second, fields));
  fields["lun.id"] = nullableKey;
  ASSERT_TRUE(GetJsonValues(&second, fields));
  EXPECT_EQ(fields["lun.id"], nullptr);
}

TEST(GetFieldValue, UnknownKeyIsLogged) {
  std::map<std::string, void*> fields = {{"id", nullptr}};
  std::string out;
  DiagLogCapture capture;
  EXPECT_FALSE(GetFieldValue<jsondoc::String>(fields, "name", out));
  EXPECT_TRUE(capture.contains("Failed to get value for key [name] from parsed json map",
                               "bool GetFieldValue(M, std::string, R&)"));
  capture.clear();
  EXPECT_FALSE(GetFieldValue<jsondoc::String>(fields, "id", out));  // null slot
  EXPECT_TRUE(capture.contains("Null value", "bool ParseValue(void*, R&)"));
}

// Every conversion against every JSON type: only its own type converts; nothing aborts.
TEST(ParseValue, WrongJsonTypesFailAndLeaveTheFieldAlone) {
  jsondoc::Object values = Parse(
      R"({"string": "7", "number": 7, "bool": true, "null": null, "array": [1], "object": {"a": 1}})");
  for (const auto& entry : values.kv_map()) {
    const std::string& type = entry.first;
    void* value = entry.second;
    std::string s = "d";
    bool b = false;
    int i = -5;
    long l = -5;
    unsigned long long u = 5;
    jsondoc::Array a;
    jsondoc::Object o;
    EXPECT_EQ((ParseValue<jsondoc::String, std::string>(value, s)), type == "string") << type;
    EXPECT_EQ((ParseValue<jsondoc::Boolean, bool>(value, b)), type == "bool") << type;
    EXPECT_EQ((ParseValue<jsondoc::Number, int>(value, i)), type == "number") << type;
    EXPECT_EQ((ParseValue<jsondoc::Number, long>(value, l)), type == "number") << type;
    EXPECT_EQ((ParseValue<jsondoc::Number, unsigned long long>(value, u)), type == "number")
        << type;
    EXPECT_EQ((ParseValue<jsondoc::Array, jsondoc::Array>(value, a)), type == "array") << type;
    EXPECT_EQ((ParseValue<jsondoc::Object, jsondoc::Object>(value, o)), type == "object") << type;
    EXPECT_EQ(s, type == "string" ? "7" : "d");
    EXPECT_EQ(b, type == "bool");
    EXPECT_EQ(i, type == "number" ? 7 : -5);
    EXPECT_EQ(l, type == "number" ? 7 : -5);
    EXPECT_EQ(u, type == "number" ? 7u : 5u);
    EXPECT_EQ(a.size(), type == "array" ? 1u : 0u);
    EXPECT_EQ(o.size(), type == "object" ? 1u : 0u);
  }
  std::string s;
  EXPECT_FALSE((ParseValue<jsondoc::String, std::string>(nullptr, s)));
}

TEST(ParseValue, NumbersTruncateAndMustFitTheField) {
  const struct {
    const char* text;
    bool intOk;
    int intValue;
    bool longOk;
    long longValue;
    bool ullOk;
    unsigned long long ullValue;
  } cases[] = {
      {"2.9", true, 2, true, 2, true, 2},
      {"-2.9", true, -2, true, -2, false, 0},
      {"-0.5", true, 0, true, 0, true, 0},
      {"12345678901", false, 0, true, 12345678901L, true, 12345678901ULL},
      {"2147483647", true, 2147483647, true, 2147483647L, true, 2147483647ULL},
      {"2147483648", false, 0, true, 2147483648L, true, 2147483648ULL},
      {"-2147483648.7", true, -2147483647 - 1, true, -2147483648L, false, 0},
      {"-1", true, -1, true, -1, false, 0},
      {"9223372036854775807", false, 0, true, 9223372036854775807L, true, 9223372036854775807ULL},
      {"9223372036854775808", false, 0, false, 0, true, 9223372036854775808ULL},
      {"18446744073709551615", false, 0, false, 0, true, 18446744073709551615ULL},
      {"18446744073709551616", false, 0, false, 0, false, 0},
      {"-9223372036854775808", false, 0, true, -9223372036854775807L - 1, false, 0},
      {"1e30", false, 0, false, 0, false, 0},
      {"-1e30", false, 0, false, 0, false, 0},
  };
  for (const auto& c : cases) {
    jsondoc::Value value;
    ASSERT_TRUE(value.parse(std::string(c.text))) << c.text;
    int i = 0;
    long l = 0;
    unsigned long long u = 0;
    EXPECT_EQ((ParseValue<jsondoc::Number, int>(&value, i)), c.intOk) << c.text;
    EXPECT_EQ((ParseValue<jsondoc::Number, long>(&value, l)), c.longOk) << c.text;
    EXPECT_EQ((ParseValue<jsondoc::Number, unsigned long long>(&value, u)), c.ullOk) << c.text;
    EXPECT_EQ(i, c.intValue) << c.text;
    EXPECT_EQ(l, c.longValue) << c.text;
    EXPECT_EQ(u, c.ullValue) << c.text;
  }
}

TEST(ParseValue, NonFiniteNumbersFail) {
  for (const jsondoc::Number n : {std::numeric_limits<jsondoc::Number>::infinity(),
                                  -std::numeric_limits<jsondoc::Number>::infinity(),
                                  std::numeric_limits<jsondoc::Number>::quiet_NaN()}) {
    jsondoc::Value value(n);
    int i = 3;
    long l = 3;
    unsigned long long u = 3;
    EXPECT_FALSE((ParseValue<jsondoc::Number, int>(&value, i)));
    EXPECT_FALSE((ParseValue<jsondoc::Number, long>(&value, l)));
    EXPECT_FALSE((ParseValue<jsondoc::Number, unsigned long long>(&value, u)));
    EXPECT_EQ(i, 3);
    EXPECT_EQ(l, 3);
    EXPECT_EQ(u, 3u);
  }
}

}  // namespace
