#include "unity/messages/FilterText.h"

#include <charconv>
#include <cstring>

#include "unity/TextUtils.h"

bool FilterValueIsQuotable(const std::string& value) {
  return value.find('"') == std::string::npos;
}

std::string FilterQuoteErrorText(const std::string& fieldName) {
  return fieldName + " contains a double quote, which a filter cannot carry";
}

bool CheckFilterValue(const std::string& fieldName, const std::string& value,
                      std::string& errorText) {
  if (FilterValueIsQuotable(value)) return true;
  errorText = FilterQuoteErrorText(fieldName);
  return false;
}

std::string filter_url_safe(const std::string& text) {
  return percent_encode_only(text, "%&#+");
}

// One allocation per term: a listing by id builds one term per id.
std::string FilterEqTerm(const std::string& key, const std::string& value) {
  std::string term;
  term.reserve(key.size() + value.size() + 8);
  AppendFilterOrTerm(term, key.c_str(), value);
  return term;
}

void AppendFilterOrTerm(std::string& filter, const char* key, const std::string& value) {
  // Sized once and written in place: a listing by id appends thousands of terms.
  static const char kOr[] = " OR ";
  static const char kEq[] = " eq \"";
  const std::size_t keyLength = std::strlen(key);
  const std::size_t at = filter.size();
  const std::size_t separator = at == 0 ? 0 : sizeof kOr - 1;
  filter.resize(at + separator + 1 + keyLength + (sizeof kEq - 1) + value.size() + 2);
  char* to = &filter[at];
  to = static_cast<char*>(std::memcpy(to, kOr, separator)) + separator;
  *to++ = '(';
  to = static_cast<char*>(std::memcpy(to, key, keyLength)) + keyLength;
  to = static_cast<char*>(std::memcpy(to, kEq, sizeof kEq - 1)) + (sizeof kEq - 1);
  to = static_cast<char*>(std::memcpy(to, value.data(), value.size())) + value.size();
  to[0] = '"';
  to[1] = ')';
}

namespace {
char* Put(char* to, const std::string& piece) {
  return static_cast<char*>(std::memcpy(to, piece.data(), piece.size())) + piece.size();
}
}  // namespace

// url_encode works byte by byte, so the encoded filter is the encoded pieces in a row; the
// constant pieces are encoded once, and decimal digits pass unchanged. Between two ids stands one
// constant piece (the end of a term, " OR " and the start of the next), written with one copy. The
// query is written into room for the longest ids and cut to length.
std::string EncodedIdFilterQuery(const char* key, const std::vector<unsigned long long>& ids) {
  const std::string open = url_encode(std::string("(") + key + " eq \""), close = url_encode("\")");
  const std::string between = close + url_encode(" OR ") + open;
  std::string query = "filter=";
  if (ids.empty()) return query;
  const std::size_t at = query.size();
  query.resize(at + open.size() + ids.size() * (20 + between.size()));
  char* to = Put(&query[at], open);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i != 0) to = Put(to, between);
    to = std::to_chars(to, to + 20, ids[i]).ptr;  // 20 digits hold any 64-bit id
  }
  to = Put(to, close);
  query.resize(static_cast<std::size_t>(to - query.data()));
  return query;
}

std::string percent_encode_only(const std::string& text, const char* reserved) {
  static const char kHex[] = "0123456789ABCDEF";
  const std::string reservedBytes(reserved);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E || reservedBytes.find(c) != std::string::npos) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}
