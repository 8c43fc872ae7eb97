#include "sim/Json.h"

#include <algorithm>
#include <cctype>

namespace unitysim {

std::optional<bool> parseBooleanText(const std::string& text) {
  const std::string t = toLower(text);
  if (t == "true" || t == "t" || t == "yes" || t == "y" || t == "1") return true;
  if (t == "false" || t == "f" || t == "no" || t == "n" || t == "0") return false;
  return std::nullopt;
}

std::optional<bool> parseBoolean(const Json& value) {
  if (value.is_boolean()) return value.get<bool>();
  if (value.is_string()) return parseBooleanText(value.get<std::string>());
  if (value.is_number_integer()) {
    const auto n = value.get<long long>();
    if (n == 0 || n == 1) return n == 1;
  }
  return std::nullopt;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string toLower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string scalarText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

}  // namespace unitysim
