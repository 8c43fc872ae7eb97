#include "sim/Console.h"

#include "sim/Certificate.h"

namespace unitysim {
namespace {

// "'sha256-<base64>'" of the text between the page's first <tag> and </tag>.
std::string inlineHash(const std::string& page, const std::string& tag) {
  const std::string open = "<" + tag + ">";
  const size_t begin = page.find(open);
  const size_t end = page.find("</" + tag + ">");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return "'none'";
  const size_t from = begin + open.size();
  return "'sha256-" + sha256Base64(page.substr(from, end - from)) + "'";
}

}  // namespace

const std::string& consolePage() {
  static const std::string page = consolePageText();
  return page;
}

const std::string& consoleSecurityPolicy() {
  static const std::string policy =
      "default-src 'none'; script-src " + inlineHash(consolePage(), "script") + "; style-src " +
      inlineHash(consolePage(), "style") +
      "; connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
  return policy;
}

}  // namespace unitysim
