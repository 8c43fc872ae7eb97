// The compact writer. A document is rendered into one string and handed to the stream in a single
// write, so the stream's format flags (precision, width, base) never change the text.
#include "json/jsondoc.h"

#include <charconv>
#include <cmath>
#include <ostream>

namespace jsondoc {
namespace detail {

namespace {
constexpr char EscapeOf(int c) {
  return c == '\b'   ? 'b'
         : c == '\t' ? 't'
         : c == '\n' ? 'n'
         : c == '\f' ? 'f'
         : c == '\r' ? 'r'
         : c == '"'  ? '"'
         : c == '/'  ? '/'
         : c == '\\' ? '\\'
         : c < 0x20  ? 'u'
         : c >= 0x80 ? '8'
                     : 0;
}

struct EscapeTable {
  char at[256];
  constexpr EscapeTable() : at() {
    for (int c = 0; c < 256; ++c) at[c] = EscapeOf(c);
  }
};
// 0: written as is; 'u': "\\u00xx"; '8': the start of a UTF-8 sequence, checked; otherwise the
// letter after the backslash.
constexpr EscapeTable kEscape;
}  // namespace

class Writer {
 public:
  static void value(String& out, const Value& v) {
    switch (v.type) {
      case Value::TYPE_NUMBER:
        number(out, v.numberValue());
        break;
      case Value::TYPE_STRING:
        if (!v.empty()) string(out, v.text());
        break;
      case Value::TYPE_BOOLEAN:
        out += v.boolean ? "true" : "false";
        break;
      case Value::TYPE_NULL:
        out += "null";
        break;
      case Value::TYPE_ARRAY:
        if (v.array != nullptr) array(out, *v.array);
        break;
      case Value::TYPE_OBJECT:
        if (v.object != nullptr) object(out, *v.object);
        break;
      default:
        break;
    }
  }

  static void array(String& out, const Array& a) {
    out += '[';
    bool first = true;
    for (const Value* v : a.values()) {
      if (!first) out += ", ";
      first = false;
      value(out, *v);
    }
    out += ']';
  }

  static void object(String& out, const Object& o) {
    out += '{';
    bool first = true;
    for (const Object::Map::value_type& entry : o.kv_map()) {
      if (!first) out += ", ";
      first = false;
      string(out, entry.first.view());
      out += ": ";
      value(out, *entry.second);
    }
    out += '}';
  }

  // Plain bytes and valid UTF-8 sequences are copied in runs; the rest is escaped, so the text is
  // valid UTF-8 whatever the string holds.
  static void string(String& out, std::string_view s) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    const char* run = s.data();
    const char* end = run + s.size();
    for (const char* p = run; p != end; ++p) {
      unsigned char c = static_cast<unsigned char>(*p);
      char named = kEscape.at[c];
      if (named == 0) continue;
      if (named == '8') {
        const std::size_t n = Utf8Length(p, end);
        if (n != 0) {
          p += n - 1;
          continue;
        }
        named = 'u';
      }
      out.append(run, static_cast<std::size_t>(p - run));
      run = p + 1;
      if (named == 'u') {
        char u[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
        out.append(u, sizeof u);
      } else {
        char e[2] = {'\\', named};
        out.append(e, sizeof e);
      }
    }
    out.append(run, static_cast<std::size_t>(end - run));
    out += '"';
  }

  // The length of the well-formed UTF-8 sequence at p (a byte from 0x80 up), 0 when there is
  // none: no overlong forms, no surrogates, nothing above U+10FFFF.
  static std::size_t Utf8Length(const char* p, const char* end) {
    const unsigned char b0 = static_cast<unsigned char>(p[0]);
    std::size_t n;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      n = 3;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      n = 4;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      return 0;
    }
    if (static_cast<std::size_t>(end - p) < n) return 0;
    const unsigned char b1 = static_cast<unsigned char>(p[1]);
    if (b1 < lo || b1 > hi) return 0;
    for (std::size_t i = 2; i < n; ++i) {
      const unsigned char b = static_cast<unsigned char>(p[i]);
      if (b < 0x80 || b > 0xBF) return 0;
    }
    return n;
  }

  // Integral values up to 2^64 in magnitude come out as exact integers; other finite values in
  // the shortest form that reads back to the same long double; NaN and infinity, which JSON has
  // no text for, as null.
  static void number(String& out, Number n) {
    if (!std::isfinite(n)) {
      out += "null";
      return;
    }
    char buf[64];
    char* end = buf + sizeof buf;
    std::to_chars_result r;
    Number magnitude = std::fabs(n);
    const Number two64 = 18446744073709551616.0L;
    if (magnitude == std::floor(magnitude) && magnitude <= two64) {
      if (std::signbit(n)) out += '-';
      if (magnitude == two64) {
        out += "18446744073709551616";
        return;
      }
      r = std::to_chars(buf, end, static_cast<unsigned long long>(magnitude));
    } else {
      r = std::to_chars(buf, end, n);
    }
    out.append(buf, r.ptr);
  }
};

}  // namespace detail

namespace {
std::ostream& Emit(std::ostream& stream, const String& text) {
  return stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}
}  // namespace

std::ostream& operator<<(std::ostream& stream, const Value& value) {
  String text;
  detail::Writer::value(text, value);
  return Emit(stream, text);
}

std::ostream& operator<<(std::ostream& stream, const Array& array) {
  String text;
  detail::Writer::array(text, array);
  return Emit(stream, text);
}

std::ostream& operator<<(std::ostream& stream, const Object& object) {
  String text;
  detail::Writer::object(text, object);
  return Emit(stream, text);
}

std::ostream& stream_string(std::ostream& stream, const String& s) {
  String text;
  detail::Writer::string(text, s);
  return Emit(stream, text);
}

}  // namespace jsondoc
