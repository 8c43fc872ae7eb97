#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "unity/ManageEMCUnityMisc.h"

namespace {

// Independent RFC 4648 decoder: strict about alphabet, length and padding.
bool DecodeBase64(const std::string& in, std::string& out) {
  static const std::string kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out.clear();
  if (in.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < in.size(); i += 4) {
    std::uint32_t group = 0;
    int padding = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      const char c = in[i + j];
      if (c == '=') {
        if (i + 4 != in.size() || j < 2) return false;
        ++padding;
        group <<= 6;
        continue;
      }
      if (padding > 0) return false;
      const std::size_t index = kAlphabet.find(c);
      if (index == std::string::npos) return false;
      group = group << 6 | static_cast<std::uint32_t>(index);
    }
    out += static_cast<char>(group >> 16 & 0xFF);
    if (padding < 2) out += static_cast<char>(group >> 8 & 0xFF);
    if (padding < 1) out += static_cast<char>(group & 0xFF);
  }
  return true;
}

TEST(Base64Encode, Rfc4648Vectors) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="},
               {"fooba", "Zm9vYmE="},
               {"foobar", "Zm9vYmFy"},
               {"admin:Passw0rd!", "YWRtaW46UGFzc3cwcmQh"}};
  for (const auto& c : cases) EXPECT_EQ(base64_encode(c.in), c.out) << c.in;
  EXPECT_EQ(base64_encode(std::string("\0\xff\xfe", 3)), "AP/+");
}

TEST(Base64Encode, RoundTripsRandomBytesOfEveryLength) {
  std::mt19937 random(20240501);
  for (std::size_t length = 0; length <= 64; ++length) {
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>(random() & 0xFF);
    const std::string encoded = base64_encode(bytes);
    SCOPED_TRACE(length);
    EXPECT_EQ(encoded.size(), (length + 2) / 3 * 4);
    const std::size_t padding = length % 3 == 0 ? 0 : 3 - length % 3;
    EXPECT_EQ(encoded.find('='), padding == 0 ? std::string::npos : encoded.size() - padding);
    std::string decoded;
    ASSERT_TRUE(DecodeBase64(encoded, decoded)) << encoded;
    EXPECT_EQ(decoded, bytes);
  }
}

TEST(UrlEncode, KeepsUnreservedAndEncodesEverythingElse) {
  const struct {
    std::string in;
    const char* out;
  } cases[] = {
      {"a-b_c.d~e", "a-b_c.d~e"},
      {"AZaz09", "AZaz09"},
      {"a b", "a%20b"},
      {"(id eq \"12\")", "%28id%20eq%20%2212%22%29"},
      {"\xe9", "%E9"},
      {std::string("\0\x7f\xff", 3), "%00%7F%FF"},
      {"+/%&=?", "%2B%2F%25%26%3D%3F"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(url_encode(c.in), c.out) << c.in;
}

TEST(ReplaceAll, ReplacesEveryHitOnce) {
  const struct {
    const char* text;
    const char* from;
    const char* to;
    const char* out;
  } cases[] = {
      {"a b c", " ", "+", "a+b+c"},
      {"aa", "a", "aa", "aaaa"},     // the inserted text is not searched again
      {"abcabc", "abc", "", ""},     // deletion
      {"xyz", "q", "r", "xyz"},      // no hit
      {"a b", "", "+", "a b"},       // empty search text: unchanged, and it ends
      {"  ", " ", "%20", "%20%20"},  // adjacent hits
      {"ababa", "aba", "X", "Xba"},  // hits do not overlap
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    Replace_All(text, c.from, c.to);
    EXPECT_EQ(text, c.out) << c.text << " / " << c.from;
  }
}

TEST(ApiVersionCompare, ComparesComponentsNumerically) {
  const struct {
    const char* left;
    const char* right;
    int result;
  } cases[] = {
      {"5.0", "5.0", 0},   {"4.0", "5.0", -1}, {"5.1", "5.0", 1},
      {"5", "5.0", 0},     {"10.0", "9.9", 1}, {"4.10", "4.9", 1},
      {"", "", 0},         {"", "1", -1},      {"5.0.1", "5.0", 1},
      {"5.0", "5.0.0", 0}, {" 5.2", "5.2", 0}, {"5a.1", "5.1", 0},
      {"x", "0", 0},       {"-1", "0", -1},    {"99999999999", "2147483647", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(apiVersionCompare(c.left, c.right), c.result) << c.left << " vs " << c.right;
    EXPECT_EQ(apiVersionCompare(c.right, c.left), -c.result) << c.right << " vs " << c.left;
  }
}

TEST(StringToValue, FindsFirstExactMatchOrDefault) {
  const std::string table[] = {"a", "bb", "a"};
  EXPECT_EQ(stringToValue<int>("a", table, 3, -7), 0);
  EXPECT_EQ(stringToValue<int>("bb", table, 3, -7), 1);
  EXPECT_EQ(stringToValue<int>("b", table, 3, -7), -7);
  EXPECT_EQ(stringToValue<int>("bb", table, 1, -7), -7);  // only `count` entries are searched

  EXPECT_EQ(stringToUnityOSTypeValue("none"), UnityOSTypeNone);
  for (const char* text : {"None", "", "none ", "linux"}) {
    EXPECT_EQ(stringToUnityOSTypeValue(text), UnityOSTypeInvalid) << text;
  }
}

}  // namespace
