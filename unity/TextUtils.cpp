#include "unity/TextUtils.h"

#include <climits>
#include <cstddef>
#include <cstring>

namespace {

const std::string sUnityOSTypeValues[] = {"none"};

// atoi's reading (leading whitespace, optional sign, digits up to the first non-digit, 0 without
// digits), but saturating at the int range: atoi itself is undefined for out-of-range text, and
// the versions compared here come from the array.
int VersionComponent(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value <= INT_MAX) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// Splits off the first dotted component of `text`; the rest (without the dot) stays in `text`.
std::string TakeComponent(std::string& text) {
  const std::size_t dot = text.find('.');
  std::string head = text.substr(0, dot);
  text = dot == std::string::npos ? std::string() : text.substr(dot + 1);
  return head;
}

}  // namespace

std::string base64_encode(const std::string& in) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= in.size(); i += 3) {
    const unsigned long group =
        static_cast<unsigned long>(static_cast<unsigned char>(in[i])) << 16 |
        static_cast<unsigned long>(static_cast<unsigned char>(in[i + 1])) << 8 |
        static_cast<unsigned char>(in[i + 2]);
    out += kAlphabet[(group >> 18) & 0x3F];
    out += kAlphabet[(group >> 12) & 0x3F];
    out += kAlphabet[(group >> 6) & 0x3F];
    out += kAlphabet[group & 0x3F];
  }
  const std::size_t rest = in.size() - i;
  if (rest > 0) {
    unsigned long group = static_cast<unsigned long>(static_cast<unsigned char>(in[i])) << 16;
    if (rest == 2) group |= static_cast<unsigned long>(static_cast<unsigned char>(in[i + 1])) << 8;
    out += kAlphabet[(group >> 18) & 0x3F];
    out += kAlphabet[(group >> 12) & 0x3F];
    out += rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    out += '=';
  }
  return out;
}

namespace {
// What url_encode writes for each byte, as its bytes and their count in the last one: the byte
// itself for letters, digits and "-_.~", else "%XX". One table load and one store per byte.
struct EncodedBytes {
  unsigned char code[256][4] = {};
  EncodedBytes() {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned c = 0; c < 256; ++c) {
      const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '~';
      code[c][0] = static_cast<unsigned char>(keep ? c : '%');
      code[c][1] = static_cast<unsigned char>(keep ? 0 : kHex[c >> 4]);
      code[c][2] = static_cast<unsigned char>(keep ? 0 : kHex[c & 0x0F]);
      code[c][3] = keep ? 1 : 3;
    }
  }
};
const EncodedBytes kEncoded;
}  // namespace

std::string url_encode(const std::string& in) {
  // Written through a buffer of the largest size the text can take (every byte encoded, and room
  // for the last four-byte store), then cut to length: one allocation, no growth checks per byte.
  std::string out(in.size() * 3 + 1, '\0');
  char* to = &out[0];
  for (const char c : in) {
    const unsigned char* code = kEncoded.code[static_cast<unsigned char>(c)];
    std::memcpy(to, code, 4);
    to += code[3];
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

void Replace_All(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;  // every position would match: nothing sensible to replace
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

int apiVersionCompare(std::string left, std::string right) {
  while (!left.empty() || !right.empty()) {
    const int l = VersionComponent(TakeComponent(left));
    const int r = VersionComponent(TakeComponent(right));
    if (l > r) return 1;
    if (l < r) return -1;
  }
  return 0;
}

_EMCUnityOSType stringToUnityOSTypeValue(const std::string& text) {
  return stringToValue<_EMCUnityOSType>(text, sUnityOSTypeValues,
                                        sizeof(sUnityOSTypeValues) / sizeof(sUnityOSTypeValues[0]),
                                        UnityOSTypeInvalid);
}
