#pragma once
// Splitting a request target the way the array reads it.

#include <map>
#include <string>
#include <vector>

namespace unitysim {

struct RequestTarget {
  std::string path;                           // percent-decoded; "+" stays a plus sign
  std::vector<std::string> segments;          // path split at "/", empty segments dropped
  std::map<std::string, std::string> params;  // decoded, "+" read as a space; last one counts
  std::map<std::string, bool> bare;           // parameters given without "=" (e.g. "&compact")
};

// Percent-decoding keeps a "%" that does not start a valid escape as it is.
std::string percentDecode(const std::string& text, bool plusIsSpace);

RequestTarget parseTarget(const std::string& target);

}  // namespace unitysim
