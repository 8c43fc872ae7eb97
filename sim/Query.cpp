#include "sim/Query.h"

namespace unitysim {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string percentDecode(const std::string& text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int hi = hexValue(text[i + 1]);
      const int lo = hexValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(plusIsSpace && c == '+' ? ' ' : c);
  }
  return out;
}

RequestTarget parseTarget(const std::string& target) {
  RequestTarget t;
  const size_t q = target.find('?');
  t.path = percentDecode(target.substr(0, q), false);
  size_t start = 0;
  while (start <= t.path.size()) {
    size_t end = t.path.find('/', start);
    if (end == std::string::npos) end = t.path.size();
    if (end > start) t.segments.push_back(t.path.substr(start, end - start));
    start = end + 1;
  }
  if (q == std::string::npos) return t;
  const std::string query = target.substr(q + 1);
  size_t pos = 0;
  while (pos <= query.size()) {
    size_t amp = query.find('&', pos);
    if (amp == std::string::npos) amp = query.size();
    const std::string part = query.substr(pos, amp - pos);
    if (!part.empty()) {
      const size_t eq = part.find('=');
      const std::string name = percentDecode(part.substr(0, eq), true);
      if (eq == std::string::npos) {
        t.params[name] = "";
        t.bare[name] = true;
      } else {
        t.params[name] = percentDecode(part.substr(eq + 1), true);
        t.bare[name] = false;
      }
    }
    pos = amp + 1;
  }
  return t;
}

}  // namespace unitysim
