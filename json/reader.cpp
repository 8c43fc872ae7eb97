// The lenient reader.
//
// One grammar, Grammar<Source>, runs over two sources: StreamSource, a caller's std::istream, and
// TextSource, an in-memory byte range used by every parse(const String&) entry point. TextSource
// reproduces the error-state behaviour of std::istringstream (good/eof/fail/bad bits, sentry
// rules, put-back, tellg/seekg, the classic-locale long double extraction) without a virtual call
// per byte, so both sources give the same result for every input; the tests compare them.
#include "json/jsondoc.h"

#include <locale.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <sstream>
#include <utility>

namespace jsondoc {
namespace detail {
namespace {

constexpr int kEnd = std::char_traits<char>::eof();

// Whitespace of the classic locale, as skipped by std::ws and formatted extraction.
inline bool IsSpace(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}

inline int HexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code of a "\u" escape: the up to four characters after "\u" read as a hexadecimal int with
// the stream extraction, which also takes a sign, an "0x" prefix, leading blanks or fewer
// digits. Four hex digits, the usual case, are decoded directly.
bool DecodeHex(const char* text, int n, long& code) {
  if (n == 4) {
    int d0 = HexDigit(static_cast<unsigned char>(text[0]));
    int d1 = HexDigit(static_cast<unsigned char>(text[1]));
    int d2 = HexDigit(static_cast<unsigned char>(text[2]));
    int d3 = HexDigit(static_cast<unsigned char>(text[3]));
    if ((d0 | d1 | d2 | d3) >= 0) {
      code = (d0 << 12) | (d1 << 8) | (d2 << 4) | d3;
      return true;
    }
  }
  std::istringstream hex(String(text, static_cast<std::size_t>(n)));
  hex.imbue(std::locale::classic());
  int value = 0;
  hex >> std::hex >> value;
  if (hex.fail()) return false;
  code = value;
  return true;
}

// strtold in the "C" locale whatever the process locale is. The locale object is created once
// and never changed.
long double StrtoldC(const char* text, char** end) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtold_l(text, end, c_locale);
}

// Converts the token collected by TextSource::read_number the way libstdc++ does for
// operator>>(long double&): the whole token must convert, and an overflow to infinity fails.
bool ConvertNumber(const char* token, Number& out) {
  char* end = nullptr;
  long double v = StrtoldC(token, &end);
  if (end == token || *end != '\0') return false;
  if (v == std::numeric_limits<long double>::infinity() ||
      v == -std::numeric_limits<long double>::infinity()) {
    return false;
  }
  out = v;
  return true;
}

}  // namespace

// A caller's stream, used as is.
class StreamSource {
 public:
  typedef std::streampos Pos;

  explicit StreamSource(std::istream& in) : in_(in) {}

  bool good() const { return in_.good(); }
  bool eof() const { return in_.eof(); }
  void clear() { in_.clear(); }
  int get() { return in_.get(); }
  int peek() { return in_.peek(); }
  void putback(char c) { in_.putback(c); }
  void skip_ws() { in_ >> std::ws; }
  Pos tell() { return in_.tellg(); }
  void seek(Pos p) { in_.seekg(p); }
  bool read_number(Number& out) {
    Number n;
    if (!(in_ >> n)) return false;
    out = n;
    return true;
  }
  // Bulk helpers of TextSource; the stream reads byte by byte through the grammar instead.
  void append_plain(String&, char) {}
  void skip_line() {
    int c;
    while ((c = in_.peek()) != kEnd && c != '\r' && c != '\n') in_.get();
  }

 private:
  std::istream& in_;
};

// An in-memory text with the error-state rules of std::istringstream.
class TextSource {
 public:
  typedef std::size_t Pos;

  TextSource(const char* data, std::size_t size) : begin_(data), cur_(data), end_(data + size) {}

  bool good() const { return state_ == 0; }
  bool eof() const { return (state_ & kEofBit) != 0; }
  void clear() { state_ = 0; }

  int get() {
    if (!sentry()) return kEnd;
    if (cur_ == end_) {
      state_ |= kEofBit | kFailBit;
      return kEnd;
    }
    return static_cast<unsigned char>(*cur_++);
  }

  int peek() {
    if (!sentry()) return kEnd;
    if (cur_ == end_) {
      state_ |= kEofBit;
      return kEnd;
    }
    return static_cast<unsigned char>(*cur_);
  }

  // An input string stream can only put back the character it just gave.
  void putback(char c) {
    state_ &= ~kEofBit;
    if (!sentry()) return;
    if (cur_ != begin_ && cur_[-1] == c) {
      --cur_;
    } else {
      state_ |= kBadBit;
    }
  }

  void skip_ws() {
    if (!sentry()) return;
    while (cur_ != end_ && IsSpace(static_cast<unsigned char>(*cur_))) ++cur_;
    if (cur_ == end_) state_ |= kEofBit;
  }

  Pos tell() {
    if (!sentry()) return kNoPos;
    return static_cast<Pos>(cur_ - begin_);
  }

  void seek(Pos p) {
    state_ &= ~kEofBit;
    if (!sentry()) return;
    if (p == kNoPos || p > static_cast<Pos>(end_ - begin_)) {
      state_ |= kFailBit;
      return;
    }
    cur_ = begin_ + p;
  }

  // operator>>(long double&) of the classic locale: the sentry skips blanks, then the longest
  // run of [sign] [digits] [. digits] [e|E [sign] digits] is taken (an exponent only after a
  // digit, one sign after the exponent mark), and the whole run must convert. Only these
  // characters ever reach strtold, so "inf", "nan" and hex forms cannot be read.
  bool read_number(Number& out) {
    if (!sentry()) return false;
    while (cur_ != end_ && IsSpace(static_cast<unsigned char>(*cur_))) ++cur_;
    if (cur_ == end_) {
      state_ |= kEofBit | kFailBit;
      return false;
    }
    const char* start = cur_;
    const char* p = cur_;
    if (*p == '+' || *p == '-') ++p;
    bool mantissa = false, dot = false, sci = false;
    while (p != end_) {
      char c = *p;
      if (IsDigit(static_cast<unsigned char>(c))) {
        mantissa = true;
      } else if (c == '.' && !dot && !sci) {
        dot = true;
      } else if ((c == 'e' || c == 'E') && !sci && mantissa) {
        sci = true;
        if (p + 1 != end_ && (p[1] == '+' || p[1] == '-')) ++p;
      } else {
        break;
      }
      ++p;
    }
    cur_ = p;
    if (cur_ == end_) state_ |= kEofBit;
    std::size_t len = static_cast<std::size_t>(p - start);
    Number n = 0;
    bool ok;
    char small[64];
    if (len < sizeof small) {
      std::memcpy(small, start, len);
      small[len] = '\0';
      ok = ConvertNumber(small, n);
    } else {
      ok = ConvertNumber(String(start, len).c_str(), n);
    }
    if (!ok) {
      state_ |= kFailBit;
      return false;
    }
    out = n;
    return true;
  }

  // Appends the bytes before the next delim, backslash or end of text.
  void append_plain(String& out, char delim) {
    if (state_ != 0) return;
    const char* p = cur_;
    while (p != end_ && *p != delim && *p != '\\') ++p;
    out.append(cur_, p);
    cur_ = p;
  }

  void skip_line() {
    if (!sentry()) return;
    while (cur_ != end_ && *cur_ != '\r' && *cur_ != '\n') ++cur_;
    if (cur_ == end_) state_ |= kEofBit;
  }

 private:
  enum : unsigned { kEofBit = 1, kFailBit = 2, kBadBit = 4 };
  static constexpr Pos kNoPos = static_cast<Pos>(-1);

  // The istream sentry: a stream that is not good only gains the fail bit.
  bool sentry() {
    if (state_ == 0) return true;
    state_ |= kFailBit;
    return false;
  }

  const char* begin_;
  const char* cur_;
  const char* end_;
  unsigned state_ = 0;
};

template <class Source>
class Grammar {
 public:
  explicit Grammar(Source& in) : in_(in) {}

  // Skips blanks, then consumes pattern; a line comment may stand before any of its characters.
  // On a mismatch the matched characters are put back; when the input ends inside the pattern
  // nothing is put back.
  bool match(const char* pattern) {
    in_.skip_ws();
    const char* p = pattern;
    while (*p != '\0' && in_.good()) {
      int c = in_.get();
      if (c == kEnd) return false;
      if (c == static_cast<unsigned char>(*p)) {
        ++p;
        continue;
      }
      in_.putback(static_cast<char>(c));
      if (comment()) continue;
      while (p != pattern) in_.putback(*--p);
      return false;
    }
    return *p == '\0';
  }

  // "//" up to the end of the line, and the blanks after it.
  bool comment() {
    if (in_.peek() != '/') {
      in_.clear();
      return false;
    }
    int c1 = in_.get();
    int c2 = in_.get();
    if (c1 == '/' && c2 == '/') {
      in_.skip_line();
      if (!in_.eof()) in_.skip_ws();
      return true;
    }
    in_.clear();
    if (c2 != kEnd) in_.putback(static_cast<char>(c2));
    in_.putback(static_cast<char>(c1));
    in_.clear();
    return false;
  }

  bool string(String& out) {
    out.clear();
    char delim;
    if (match("\"")) {
      delim = '"';
    } else if (in_.peek() == '\'') {
      in_.get();
      delim = '\'';
    } else {
      return false;
    }
    bool closed = false;
    while (in_.good()) {
      in_.append_plain(out, delim);
      int c = in_.get();
      if (c == kEnd) break;
      if (c == static_cast<unsigned char>(delim)) {
        closed = true;
        break;
      }
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      c = in_.get();
      if (c == kEnd) break;
      if (c == static_cast<unsigned char>(delim)) {
        out += delim;
        continue;
      }
      switch (c) {
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          unicode(out);
          break;
        default:
          out += '\\';
          out += static_cast<char>(c);
          break;
      }
    }
    return closed && in_.good();
  }

  bool number(Number& out) {
    in_.skip_ws();
    typename Source::Pos pos = in_.tell();
    if (in_.read_number(out)) return true;
    in_.clear();
    in_.seek(pos);
    return false;
  }

  bool boolean(Boolean& out) {
    if (match("true")) {
      out = true;
      return true;
    }
    if (match("false")) {
      out = false;
      return true;
    }
    return false;
  }

  // "null", or nothing at all before a comma (an empty list element).
  bool null() { return match("null") || in_.peek() == ','; }

  bool array(Array& a) {
    a.reset();
    if (depth_ >= kMaxDepth) return false;
    if (!match("[")) return false;
    if (match("]")) return true;
    ++depth_;
    for (;;) {
      std::unique_ptr<Value> v(new Value);
      if (!value(*v)) break;
      a.valueList.push_back(v.get());
      v.release();
      if (!match(",")) break;
    }
    --depth_;
    return match("]");
  }

  bool object(Object& o) {
    o.reset();
    if (depth_ >= kMaxDepth) return false;
    if (!match("{")) return false;
    if (match("}")) return true;
    ++depth_;
    bool ok = members(o);
    --depth_;
    return ok && match("}");
  }

  // A value that fails to read is left invalid.
  bool value(Value& v) {
    v.reset();
    v.type = Value::TYPE_INVALID;
    // Before '{' or '[' every earlier alternative fails without consuming anything or changing
    // the stream state, so they are skipped.
    in_.skip_ws();
    int next = in_.good() ? in_.peek() : kEnd;
    if (next != '{' && next != '[') {
      String s;
      if (string(s)) {
        v.string = new String(std::move(s));
        v.type = Value::TYPE_STRING;
        return true;
      }
      Number n = 0;
      if (number(n)) {
        v.number = n;
        v.type = Value::TYPE_NUMBER;
        return true;
      }
      Boolean b = false;
      if (boolean(b)) {
        v.boolean = b;
        v.type = Value::TYPE_BOOLEAN;
        return true;
      }
      if (null()) {
        v.type = Value::TYPE_NULL;
        return true;
      }
    }
    if (next == '[' || in_.peek() == '[') {
      std::unique_ptr<Array> a(new Array);
      if (array(*a)) {
        v.array = a.release();
        v.type = Value::TYPE_ARRAY;
        return true;
      }
    }
    std::unique_ptr<Object> o(new Object);
    if (object(*o)) {
      v.object = o.release();
      v.type = Value::TYPE_OBJECT;
      return true;
    }
    return false;
  }

 private:
  // The entries after "{": false only where the object cannot end well (a key that is not a
  // string, a missing colon); a value that fails ends the list and drops its key.
  bool members(Object& o) {
    String key;
    for (;;) {
      if (!string(key)) return in_.peek() == '}';
      if (!match(":")) return false;
      std::unique_ptr<Value> v(new Value);
      if (!value(*v)) return true;
      Object::Map::iterator it = o.valueMap.lower_bound(key);
      if (it != o.valueMap.end() && it->first == key) {
        delete it->second;
        it->second = v.release();
      } else {
        o.valueMap.emplace_hint(it, std::move(key), v.get());
        v.release();
      }
      if (!match(",")) return true;
    }
  }

  // After "\u": up to four characters, then one byte, the low 8 bits of their hexadecimal value.
  void unicode(String& out) {
    char hex[4];
    int n = 0;
    while (n < 4 && in_.good()) {
      int c = in_.get();
      if (c == kEnd) break;
      hex[n++] = static_cast<char>(c);
    }
    long code = 0;
    if (DecodeHex(hex, n, code) && in_.good()) out += static_cast<char>(code & 0xFF);
  }

  Source& in_;
  int depth_ = 0;
};

typedef Grammar<StreamSource> StreamGrammar;
typedef Grammar<TextSource> TextGrammar;

}  // namespace detail

using detail::StreamGrammar;
using detail::StreamSource;
using detail::TextGrammar;
using detail::TextSource;

bool Value::parse(std::istream& input, Value& value) {
  StreamSource source(input);
  return StreamGrammar(source).value(value);
}

bool Value::parse(const String& text) {
  TextSource source(text.data(), text.size());
  return TextGrammar(source).value(*this);
}

bool Object::parse(std::istream& input, Object& object) {
  StreamSource source(input);
  return StreamGrammar(source).object(object);
}

bool Object::parse(const String& text) {
  TextSource source(text.data(), text.size());
  return TextGrammar(source).object(*this);
}

bool Array::parse(std::istream& input, Array& array) {
  StreamSource source(input);
  return StreamGrammar(source).array(array);
}

bool Array::parse(const String& text) {
  TextSource source(text.data(), text.size());
  return TextGrammar(source).array(*this);
}

bool match(const char* pattern, std::istream& input) {
  StreamSource source(input);
  return StreamGrammar(source).match(pattern);
}

bool parse_comment(std::istream& input) {
  StreamSource source(input);
  return StreamGrammar(source).comment();
}

bool parse_string(std::istream& input, String& value) {
  StreamSource source(input);
  return StreamGrammar(source).string(value);
}

bool parse_number(std::istream& input, Number& value) {
  StreamSource source(input);
  return StreamGrammar(source).number(value);
}

bool parse_bool(std::istream& input, Boolean& value) {
  StreamSource source(input);
  return StreamGrammar(source).boolean(value);
}

bool parse_null(std::istream& input) {
  StreamSource source(input);
  return StreamGrammar(source).null();
}

bool parse_array(std::istream& input, Array& array) {
  return Array::parse(input, array);
}

bool parse_object(std::istream& input, Object& object) {
  return Object::parse(input, object);
}

bool parse_value(std::istream& input, Value& value) {
  return Value::parse(input, value);
}

}  // namespace jsondoc
