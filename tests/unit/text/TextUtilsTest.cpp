#include <string>

#include <gtest/gtest.h>

#include "unity/ManageEMCUnityMisc.h"

namespace {

TEST(Base64Encode, Rfc4648Vectors) {
  const char* vectors[][2] = {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foobar", "Zm9vYmFy"}};
  for (const auto& v : vectors) EXPECT_EQ(base64_encode(v[0]), v[1]) << v[0];
}

TEST(UrlEncode, KeepsUnreservedAndEncodesEverythingElse) {
  const std::string cases[][2] = {{"a-b_c.d~eAZ09", "a-b_c.d~eAZ09"},
                                  {"a b", "a%20b"},
                                  {std::string("\0\x7f\xe9\xff", 4), "%00%7F%E9%FF"},
                                  {"+/%&=?", "%2B%2F%25%26%3D%3F"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    EXPECT_EQ(url_encode(c[0]), c[1]);
  }
}

TEST(ReplaceAll, ReplacesEveryHitOnce) {
  const char* cases[][4] = {
      // text, from, to, result
      {"aa", "a", "aa", "aaaa"},
      {"a b", "", "+", "a b"},
      {"ababa", "aba", "X", "Xba"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c[0]) + " / " + c[1]);
    std::string text = c[0];
    Replace_All(text, c[1], c[2]);
    EXPECT_EQ(text, c[3]);
  }
}

TEST(ApiVersionCompare, ComparesComponentsNumerically) {
  const struct {
    const char* left;
    const char* right;
    int result;
  } cases[] = {
      {"5", "5.0", 0},
      {"4.10", "4.9", 1},
      {"", "1", -1},
      {"5.0.1", "5.0", 1},
      {"5a.1", "5.1", 0},
      {"-1", "0", -1},
      {"99999999999", "2147483647", 0},  // out of int range: saturates instead of undefined atoi
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.left) + " vs " + c.right);
    EXPECT_EQ(apiVersionCompare(c.left, c.right), c.result);
    EXPECT_EQ(apiVersionCompare(c.right, c.left), -c.result);
  }
}

TEST(StringToValue, FirstExactMatchOrDefault) {
  const std::string table[] = {"a", "bb", "a"};
  EXPECT_EQ(stringToValue<int>("bb", table, 3, -7), 1);
  EXPECT_EQ(stringToValue<int>("bb", table, 1, -7), -7);
  EXPECT_EQ(stringToUnityOSTypeValue("none"), UnityOSTypeNone);
  for (const char* text : {"None", "", "none "}) {
    EXPECT_EQ(stringToUnityOSTypeValue(text), UnityOSTypeInvalid) << text;
  }
}

}  // namespace
