// The document model: types, ownership, deep copies, merging and the builder.
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

TEST(JsonValue, ChangesTypeAndCopiesDeeply) {
  Value v(Object("a", Array(Value(1))));
  Value copy(v);
  copy.get<Object>().get<Array>("a") << Value(2);
  EXPECT_EQ(Write(v), "{\"a\": [1]}");
  EXPECT_EQ(Write(copy), "{\"a\": [1, 2]}");
  v = Value(7);
  EXPECT_TRUE(v.is<Number>());
  // A literal must become a string, not the Boolean true; only a value without payload is empty.
  EXPECT_TRUE(Value("x").is<String>());
  EXPECT_FALSE(Value(String("")).empty() || Value(Array()).empty() || Value(Object()).empty());
  Value null;
  null.import(Null());
  EXPECT_TRUE(null.is<Null>() && !null.empty());
  v.import(Value());
  v = v;
  EXPECT_TRUE(v.empty());
}

// Taking the value of one's own descendant must not read released memory.
TEST(JsonValue, ImportFromOwnDescendant) {
  Value v(Object("inner", Object("leaf", Value("x"))));
  Value inner = v.get<Object>().get<Value>("inner");
  v.import(v.get<Object>().get<Value>("inner"));
  EXPECT_EQ(Write(v), Write(inner));
  Object o("a", Object("a", Value(1)));
  o.import(o.get<Object>("a"));
  EXPECT_EQ(Write(o), "{\"a\": 1}");
  Array a;
  a << Value(Array(Value(3))) << Value(4);
  a = *a.values()[0];
  EXPECT_EQ(Write(a), "[[3]]");
}

TEST(JsonObject, ImportMergesInKeyOrderAndCopiesAreDeep) {
  Object target;
  target.import("keep", Value(1));
  target.import("shared", Value(2));
  Object other("shared", Value("new"));
  other.import("added", Value(true));
  target.import(other);
  target.import(target);  // self-import changes nothing
  EXPECT_EQ(Write(target), "{\"added\": true, \"keep\": 1, \"shared\": \"new\"}");
  target.import("keep", Value(Array()));
  EXPECT_TRUE(target.has<Array>("keep") && !target.has<Number>("keep"));
  EXPECT_FALSE(target.has<Value>("missing"));

  Object source("id", Object("name", Value("snap")));
  Object copy(source);
  copy.get<Object>("id").import("name", Value("changed"));
  Object assigned;
  assigned = source;
  assigned.reset();
  EXPECT_EQ(Write(source), "{\"id\": {\"name\": \"snap\"}}");
  EXPECT_EQ(Write(copy), "{\"id\": {\"name\": \"changed\"}}");
  EXPECT_TRUE(assigned.empty());
}

TEST(JsonObject, Builder) {
  Object o;
  o << Value("count") << Value(5);
  o << Object("id", Value("x"));  // a value without a pending key goes under ""
  EXPECT_EQ(Write(o), "{\"\": {\"id\": \"x\"}, \"count\": 5}");
  o << Value("dangling");  // a pending key is dropped by import
  o.import("z", Value(0));
  o << Value("k") << Value("v");
  EXPECT_TRUE(o.has<String>("k"));
  EXPECT_FALSE(o.has<Value>("dangling"));
}

// A parsed document lives in its own arena: changing, copying and re-reading it must neither lose
// data nor touch released memory (the sanitizer builds check the latter).
TEST(JsonObject, ParsedDocumentChangesLikeABuiltOne) {
  const char kText[] = R"({"a": {"b": [1, "long string beyond the short form", {"c": true}]},)"
                       R"( "d": "x", "e": [[]]})";
  Object copy;
  {
    Object doc;
    ASSERT_TRUE(doc.parse(kText));
    Object& a = doc.get<Object>("a");
    a.import("n", Value(2));  // new entry in a nested map
    Value& first = a.get<Array>("b").get<Value>(0);
    first = Value(1.5L);  // a number read into the arena, changed in place
    first.reset();        // leaves a number as it is
    a.get<Array>("b") << Value("appended") << Value(Object());  // nested list grows
    doc.get<Value>("d") = Value(Array(Value(3)));               // a member changes type
    doc.get<Array>("e") = Value(Object("k", Value("v")));
    Object replacement("z", Value(0));
    a.get<Array>("b").get<Object>(2) = replacement;  // assignment swaps the nested map out
    doc << Value("built") << Value(true);
    copy = doc;
    EXPECT_TRUE(a.parse(String(R"({"again": "inner read"})")));  // a part read on its own
    EXPECT_EQ(Write(doc.get<Object>("a")), R"({"again": "inner read"})");
  }
  EXPECT_EQ(Write(copy),
            R"({"a": {"b": [1.5, "long string beyond the short form", {"z": 0}, "appended", {}],)"
            R"( "n": 2}, "built": true, "d": [3], "e": [{"k": "v"}]})");
  Object doc;
  ASSERT_TRUE(doc.parse(kText));
  ASSERT_TRUE(doc.parse(Write(copy)));  // the previous document and its arena are released
  EXPECT_EQ(Write(doc), Write(copy));
  doc.reset();
  doc.import("after", Value("reset"));
  EXPECT_EQ(Write(doc), R"({"after": "reset"})");
}

TEST(JsonArray, ImportAppendsAndSelfImportDoubles) {
  Array a(Value(1));
  a << Value("two") << Array(Value(3));
  a.import(a);
  EXPECT_EQ(Write(a), "[1, \"two\", 3, 1, \"two\", 3]");
  a = Value(Array(Value(9)));
  Array copy(a);
  copy.get<Array>(0) << Value(10);
  EXPECT_EQ(Write(a), "[[9]]");
  a.reset();
  EXPECT_TRUE(a.empty());
}

}  // namespace
