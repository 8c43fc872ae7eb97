// The lenient reader.
//
// One grammar, Grammar<Source>, runs over two sources: StreamSource, a caller's std::istream read
// through its stream buffer, and TextSource, an in-memory byte range used by every
// parse(const String&) entry point. Both keep the error-state behaviour of an input stream
// (good/eof/fail/bad bits, sentry rules, put-back, tellg/seekg, the classic-locale long double
// extraction) without a virtual call per byte, so both give the same result for every input; the
// tests compare them.
//
// The grammar looks at the next byte to pick the alternatives that can start there and skips the
// others, which would fail without touching the stream. Object::parse places the document in an
// arena of its own, so reading costs no heap call per value and destroying it no free per value.
#include "json/jsondoc.h"

#include <locale.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <new>
#include <tuple>
#include <utility>
#include <vector>

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

// The first byte in [p, end) that is `delim` or a backslash, or end: eight bytes per step where
// byte order allows (a byte equal to the one sought shows as a zero byte of the xor; the lowest
// flagged byte is always a true match).
inline const char* FindDelimOrBackslash(const char* p, const char* end, char delim) {
#if defined(__SSE2__)
  const __m128i delims = _mm_set1_epi8(delim);
  const __m128i backslashes16 = _mm_set1_epi8('\\');
  while (end - p >= 16) {
    const __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int hit = _mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(word, delims), _mm_cmpeq_epi8(word, backslashes16)));
    if (hit != 0) return p + __builtin_ctz(static_cast<unsigned>(hit));
    p += 16;
  }
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  const std::uint64_t ones = 0x0101010101010101ULL;
  const std::uint64_t highs = 0x8080808080808080ULL;
  const std::uint64_t quotes = ones * static_cast<unsigned char>(delim);
  const std::uint64_t backslashes = ones * static_cast<unsigned char>('\\');
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    const std::uint64_t q = word ^ quotes;
    const std::uint64_t b = word ^ backslashes;
    const std::uint64_t hit = ((q - ones) & ~q & highs) | ((b - ones) & ~b & highs);
    if (hit != 0) return p + (__builtin_ctzll(hit) >> 3);
    p += 8;
  }
#endif
  while (p != end && *p != delim && *p != '\\') ++p;
  return p;
}

// The character an escape of one character stands for in a string closed by `delim`, or -1 for
// "\u" and for an escape the grammar does not know.
inline int SingleEscape(int c, char delim) {
  if (c == static_cast<unsigned char>(delim)) return static_cast<unsigned char>(delim);
  switch (c) {
    case '\\':
    case '/':
      return c;
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    default:
      return -1;
  }
}

inline int HexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// strtold in the "C" locale whatever the process locale is. The locale object is created once
// and never changed.
long double StrtoldC(const char* text, char** end) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtold_l(text, end, c_locale);
}

// Converts a number token the way libstdc++ does for operator>>(long double&): the whole token
// must convert, and an overflow to infinity fails. Plain integers of up to 19 digits (the ids
// and sizes of every answer) are exact in 64 bits and in a long double, and are converted
// directly; the rest goes through strtold.
bool ConvertToken(const char* token, std::size_t len, Number& out) {
  const std::size_t sign = len > 0 && (token[0] == '+' || token[0] == '-') ? 1 : 0;
  if (len > sign && len - sign <= 19) {
    std::uint64_t u = 0;
    std::size_t i = sign;
    while (i < len && IsDigit(static_cast<unsigned char>(token[i]))) {
      u = u * 10 + static_cast<unsigned>(token[i] - '0');
      ++i;
    }
    if (i == len) {
      const Number n = static_cast<Number>(u);
      out = token[0] == '-' ? -n : n;
      return true;
    }
  }
  char small[64];
  String large;
  const char* text = small;
  if (len < sizeof small) {
    std::memcpy(small, token, len);
    small[len] = '\0';
  } else {
    large.assign(token, len);
    text = large.c_str();
  }
  char* end = nullptr;
  long double v = StrtoldC(text, &end);
  if (end == text || *end != '\0') return false;
  if (v == std::numeric_limits<long double>::infinity() ||
      v == -std::numeric_limits<long double>::infinity()) {
    return false;
  }
  out = v;
  return true;
}

void AppendUtf8(String& out, std::uint32_t cp) {
  char b[4];
  std::size_t n;
  if (cp < 0x80) {
    b[0] = static_cast<char>(cp);
    n = 1;
  } else if (cp < 0x800) {
    b[0] = static_cast<char>(0xC0 | (cp >> 6));
    b[1] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 2;
  } else if (cp < 0x10000) {
    b[0] = static_cast<char>(0xE0 | (cp >> 12));
    b[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    b[2] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 3;
  } else {
    b[0] = static_cast<char>(0xF0 | (cp >> 18));
    b[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    b[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    b[3] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 4;
  }
  out.append(b, n);
}

constexpr std::uint32_t kReplacement = 0xFFFD;

}  // namespace

const char* FindQuoteOrBackslash(const char* p, const char* end) {
  return FindDelimOrBackslash(p, end, '"');
}

// A caller's stream, read through its buffer with the error-state rules of std::istream kept in
// a local copy (written back when the read ends): the grammar's many single-character steps then
// cost an inline buffer access instead of a sentry each.
class StreamSource {
 public:
  typedef std::streampos Pos;

  explicit StreamSource(std::istream& in)
      : in_(in), buf_(in.rdbuf()), state_(ToBits(in.rdstate())) {
    if (buf_ == nullptr) state_ |= kBadBit;
  }
  ~StreamSource() { in_.clear(FromBits(state_)); }
  StreamSource(const StreamSource&) = delete;
  StreamSource& operator=(const StreamSource&) = delete;

  bool good() const { return state_ == 0; }
  bool eof() const { return (state_ & kEofBit) != 0; }
  void clear() { state_ = 0; }

  int get() {
    if (!sentry()) return kEnd;
    int c = buf_->sbumpc();
    if (c == kEnd) state_ |= kEofBit | kFailBit;
    return c;
  }

  int peek() {
    if (!sentry()) return kEnd;
    int c = buf_->sgetc();
    if (c == kEnd) state_ |= kEofBit;
    return c;
  }

  void putback(char c) {
    state_ &= ~kEofBit;
    if (!sentry()) return;
    if (buf_->sputbackc(c) == kEnd) state_ |= kBadBit;
  }

  void skip_ws() {
    if (!sentry()) return;
    int c;
    while ((c = buf_->sgetc()) != kEnd && IsSpace(c)) buf_->sbumpc();
    if (c == kEnd) state_ |= kEofBit;
  }

  Pos tell() {
    if (!sentry()) return Pos(std::streamoff(-1));
    return buf_->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
  }

  void seek(Pos p) {
    state_ &= ~kEofBit;
    if (!sentry()) return;
    if (buf_->pubseekpos(p, std::ios_base::in) == Pos(std::streamoff(-1))) state_ |= kFailBit;
  }

  // The same token rules as TextSource::read_number, consuming as it goes.
  bool read_number(Number& out) {
    if (!sentry()) return false;
    int c;
    while ((c = buf_->sgetc()) != kEnd && IsSpace(c)) buf_->sbumpc();
    if (c == kEnd) {
      state_ |= kEofBit | kFailBit;
      return false;
    }
    String token;
    auto take = [&]() {
      token += static_cast<char>(c);
      buf_->sbumpc();
      c = buf_->sgetc();
    };
    if (c == '+' || c == '-') take();
    bool mantissa = false, dot = false, sci = false;
    while (c != kEnd) {
      if (IsDigit(c)) {
        mantissa = true;
      } else if (c == '.' && !dot && !sci) {
        dot = true;
      } else if ((c == 'e' || c == 'E') && !sci && mantissa) {
        sci = true;
        take();
        if (c == '+' || c == '-') take();
        continue;
      } else {
        break;
      }
      take();
    }
    if (c == kEnd) state_ |= kEofBit;
    if (!ConvertToken(token.data(), token.size(), out)) {
      state_ |= kFailBit;
      return false;
    }
    return true;
  }

  void append_plain(String& out, char delim) {
    if (state_ != 0) return;
    int c;
    while ((c = buf_->sgetc()) != kEnd && c != static_cast<unsigned char>(delim) && c != '\\') {
      out += static_cast<char>(c);
      buf_->sbumpc();
    }
  }

  void skip_line() {
    if (!sentry()) return;
    int c;
    while ((c = buf_->sgetc()) != kEnd && c != '\r' && c != '\n') buf_->sbumpc();
    if (c == kEnd) state_ |= kEofBit;
  }

  // See TextSource::quoted_run; a stream always takes the general way.
  bool quoted_run(String&) { return false; }
  bool quoted_span(const char*&, const char*&) { return false; }
  bool take(char) { return false; }
  bool next_is(char) const { return false; }
  bool take_word(const char*) { return false; }

 private:
  enum : unsigned { kEofBit = 1, kFailBit = 2, kBadBit = 4 };

  static unsigned ToBits(std::ios_base::iostate s) {
    return ((s & std::ios_base::eofbit) ? kEofBit : 0u) |
           ((s & std::ios_base::failbit) ? kFailBit : 0u) |
           ((s & std::ios_base::badbit) ? kBadBit : 0u);
  }
  static std::ios_base::iostate FromBits(unsigned b) {
    std::ios_base::iostate s = std::ios_base::goodbit;
    if (b & kEofBit) s |= std::ios_base::eofbit;
    if (b & kFailBit) s |= std::ios_base::failbit;
    if (b & kBadBit) s |= std::ios_base::badbit;
    return s;
  }

  // The istream sentry: a stream that is not good only gains the fail bit.
  bool sentry() {
    if (state_ == 0) return true;
    state_ |= kFailBit;
    return false;
  }

  std::istream& in_;
  std::streambuf* buf_;
  unsigned state_;
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

  // Consumes `word` when the text goes on with all of it and is in a good state, as get would
  // character by character; false, with nothing changed, otherwise.
  bool take_word(const char* word) {
    const std::size_t n = std::strlen(word);
    if (state_ != 0 || static_cast<std::size_t>(end_ - cur_) < n ||
        std::memcmp(cur_, word, n) != 0) {
      return false;
    }
    cur_ += n;
    return true;
  }

  // Consumes the next character when it is c and the text is in a good state, as skip_ws, peek
  // and get would; false, with nothing changed, otherwise.
  // True when the text is in a good state and goes on with c, which stays unread.
  bool next_is(char c) const { return state_ == 0 && cur_ != end_ && *cur_ == c; }

  bool take(char c) {
    if (state_ != 0 || cur_ == end_ || *cur_ != c) return false;
    ++cur_;
    return true;
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

  // A plain integer of 1 to 19 digits from `digits` (after the sign, if any, at `start`), the
  // ids and sizes of every answer, converted as it is scanned: what ConvertToken makes of it.
  bool ReadPlainInteger(const char* start, const char* digits, Number& out) {
    std::uint64_t u = 0;
    const char* q = digits;
    const char* limit = end_ - digits > 19 ? digits + 19 : end_;
    while (q != limit && IsDigit(static_cast<unsigned char>(*q))) {
      u = u * 10 + static_cast<unsigned>(*q - '0');
      ++q;
    }
    if (q == digits) return false;
    if (q != end_ &&
        (IsDigit(static_cast<unsigned char>(*q)) || *q == '.' || *q == 'e' || *q == 'E')) {
      return false;
    }
    cur_ = q;
    if (cur_ == end_) state_ |= kEofBit;
    const Number n = static_cast<Number>(u);
    out = *start == '-' ? -n : n;
    return true;
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
    if (ReadPlainInteger(start, p, out)) return true;
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
    if (!ConvertToken(start, static_cast<std::size_t>(p - start), out)) {
      state_ |= kFailBit;
      return false;
    }
    return true;
  }

  // Appends the bytes before the next delim, backslash or end of text, and the characters the
  // one-character escapes among them stand for: the text's escapes are decoded here, in runs,
  // and only "\u", an unknown escape or the end is left to the grammar.
  void append_plain(String& out, char delim) {
    if (state_ != 0) return;
    for (;;) {
      const char* p = FindDelimOrBackslash(cur_, end_, delim);
      const std::size_t run = static_cast<std::size_t>(p - cur_);
      const int c =
          end_ - p >= 2 && *p == '\\' ? SingleEscape(static_cast<unsigned char>(p[1]), delim) : -1;
      if (c < 0) {
        out.append(cur_, run);
        cur_ = p;
        return;
      }
      // The run and the escape's character in one append: the backslash's byte is overwritten.
      out.append(cur_, run + 1);
      out.back() = static_cast<char>(c);
      cur_ = p + 2;
    }
  }

  void skip_line() {
    if (!sentry()) return;
    while (cur_ != end_ && *cur_ != '\r' && *cur_ != '\n') ++cur_;
    if (cur_ == end_) state_ |= kEofBit;
  }

  // The usual string, blanks and a double-quoted run without escapes, read in one step with the
  // result the general way would give; false, with nothing consumed, for anything else.
  bool quoted_run(String& out) {
    const char* first = nullptr;
    const char* last = nullptr;
    if (!quoted_span(first, last)) return false;
    // Pointer and length, not an iterator range, which libstdc++ copies by the general replace.
    SetBytes(out, first, static_cast<std::size_t>(last - first));
    return true;
  }

  // quoted_run without the copy: [first, last) are the string's bytes in the text.
  bool quoted_span(const char*& first, const char*& last) {
    if (state_ != 0) return false;
    const char* p = cur_;
    while (p != end_ && IsSpace(static_cast<unsigned char>(*p))) ++p;
    if (p == end_ || *p != '"') return false;
    const char* q = FindDelimOrBackslash(p + 1, end_, '"');
    if (q == end_ || *q != '"') return false;
    first = p + 1;
    last = q;
    cur_ = q + 1;
    return true;
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
  struct SharedKey;

 public:
  // With an arena, every value, string and container read is placed in it (see Object::parse);
  // without one they come from the heap.
  explicit Grammar(Source& in, Arena* arena = nullptr) : in_(in), arena_(arena) {}
  ~Grammar() {
    for (std::size_t i = 0; i < elements_.size; ++i) AsValue(elements_.data[i]).~Value();
    for (RawSlot& r : entries_) {
      AsSlot(r).value.~Value();
      AsSlot(r).key.release();
    }
  }
  Grammar(const Grammar&) = delete;
  Grammar& operator=(const Grammar&) = delete;

  // Sizes the stacks of waiting elements and entries for a text of textSize bytes, so that they
  // are not copied as they grow: a large reservation is mapped, and only the pages the stacks
  // reach are ever touched.
  void expect(std::size_t textSize) {
    elements_.reserve(textSize / 8);
    entries_.reserve(textSize / 64);
  }

  // Skips blanks, then consumes pattern; a line comment may stand before any of its characters.
  // On a mismatch the matched characters are put back; when the input ends inside the pattern
  // nothing is put back.
  __attribute__((always_inline)) bool match(const char* pattern) {
    if (!broken_ && pattern[1] == '\0' && in_.take(pattern[0])) return true;  // the usual case
    return matchSpelled(pattern);
  }

  // match beyond a single character that follows at once: blanks, comments, longer patterns.
  bool matchSpelled(const char* pattern) {
    if (broken_) return false;
    in_.skip_ws();
    if (in_.good()) {
      // A first character that differs and cannot start a comment: the general loop below would
      // put it back and find no comment, leaving everything as it is.
      const int c = in_.peek();
      if (c == static_cast<unsigned char>(pattern[0])) {
        if (pattern[1] == '\0') {
          in_.get();
          return true;
        }
        if (in_.take_word(pattern)) return true;  // a literal without a comment inside
      } else if (c == kEnd) {
        in_.get();  // the end of input inside the pattern, as the loop would meet it
        return false;
      } else if (c != '/') {
        return false;
      }
    }
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
    if (!broken_ && in_.quoted_run(out)) return true;
    out.clear();
    char delim;
    if (match("\"")) {
      delim = '"';
    } else if (!broken_ && in_.peek() == '\'') {
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
      escape(c, delim, out);
      if (broken_) return false;
    }
    return closed && in_.good();
  }

  bool number(Number& out) {
    if (broken_) return false;
    in_.skip_ws();
    typename Source::Pos pos = in_.tell();
    if (in_.read_number(out)) return true;
    in_.clear();
    in_.seek(pos);
    return false;
  }

  bool boolean(Boolean& out) {
    if (!broken_ && in_.take_word("true")) {  // the usual case, as the match below would
      out = true;
      return true;
    }
    if (!broken_ && in_.take_word("false")) {
      out = false;
      return true;
    }
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
  bool null() {
    if (!broken_ && in_.take_word("null")) return true;
    return match("null") || (!broken_ && in_.peek() == ',');
  }

  bool array(Array& a) {
    a.reset();
    if (broken_ || depth_ >= kMaxDepth) return false;
    if (!match("[")) return false;
    if (match("]")) return true;
    ++depth_;
    // The elements wait on one stack shared by all levels, so each list is allocated once at
    // its final size.
    const std::size_t base = elements_.size;
    for (;;) {
      Value v;
      if (!value(v)) break;
      v.relocate(elements_.push());
      if (!broken_ && in_.take(',')) continue;
      if (broken_ || in_.next_is(']') || !match(",")) break;
    }
    const std::size_t n = elements_.size - base;
    if (n != 0 && base == 0 && arena_ != nullptr && n * sizeof(Value) >= kOwnBlock) {
      // A long list that is the whole stack takes the stack's block instead of a copy of it.
      a.valueList.data_ = static_cast<Value*>(elements_.release());
      a.valueList.size_ = static_cast<std::uint32_t>(n);
      a.valueList.capacity_ = static_cast<std::uint32_t>(n);
    } else if (n != 0) {
      void* block = allocateList(n * sizeof(Value), alignof(Value));
      std::memcpy(block, elements_.data + base, n * sizeof(Value));
      elements_.size = base;
      a.valueList.data_ = static_cast<Value*>(block);
      a.valueList.size_ = static_cast<std::uint32_t>(n);
      a.valueList.capacity_ = arena_ != nullptr ? 0 : static_cast<std::uint32_t>(n);
    }
    --depth_;
    return match("]");
  }

  // Reads into an empty object (the entry points reset it first).
  bool object(Object& o) {
    if (broken_ || depth_ >= kMaxDepth) return false;
    if (!match("{")) return false;
    if (match("}")) return true;
    ++depth_;
    bool ok = members(o);
    --depth_;
    return ok && match("}");
  }

  // A value that fails to read is left invalid. `hint`: see setText.
  bool value(Value& v, SharedKey* hint = nullptr) {
    if (v.type != Value::TYPE_INVALID) v.dropPayload();  // a fresh element has nothing to release
    v.setType(Value::TYPE_INVALID);
    if (broken_) return false;
    in_.skip_ws();
    const int next = in_.good() ? in_.peek() : kEnd;
    // The alternatives are tried in a fixed order. One that cannot begin with `next` fails
    // without consuming anything or changing the stream state, so it is skipped; after an
    // attempt has failed (it may have moved the stream), every later one is tried.
    bool tryAll = next == kEnd || next == '/' || !in_.good();
    if (next != '{' && next != '[') {
      if (tryAll || next == '"' || next == '\'') {
        const char* first = nullptr;
        const char* last = nullptr;
        if (!broken_ && in_.quoted_span(first, last)) {  // the usual string, taken as it stands
          setText(v, first, static_cast<std::size_t>(last - first), hint);
          return true;
        }
        String s;
        if (string(s)) {
          if (arena_ != nullptr) {
            setText(v, s.data(), s.size(), hint);
          } else {
            v.string = new String(std::move(s));
            v.setType(Value::TYPE_STRING);
          }
          return true;
        }
        if (broken_) return false;
        tryAll = true;
      }
      if (tryAll || IsDigit(next) || next == '-' || next == '+' || next == '.') {
        Number n = 0;
        if (number(n)) {
          setNumber(v, n);
          return true;
        }
        tryAll = true;
      }
      if (tryAll || next == 't' || next == 'f') {
        Boolean b = false;
        if (boolean(b)) {
          v.boolean = b;
          v.setType(Value::TYPE_BOOLEAN);
          return true;
        }
        tryAll = true;
      }
      if (tryAll || next == 'n' || next == ',') {
        if (null()) {
          v.setType(Value::TYPE_NULL);
          return true;
        }
      }
    }
    if (broken_) return false;
    if (next == '[' || in_.peek() == '[') {
      Array* a = newPayload<Array>(v);
      v.array = a;
      v.setType(Value::TYPE_ARRAY);
      if (array(*a)) return true;
      v.reset();
      v.setType(Value::TYPE_INVALID);
    }
    Object* o = newPayload<Object>(v);
    v.object = o;
    v.setType(Value::TYPE_OBJECT);
    if (object(*o)) return true;
    v.reset();
    v.setType(Value::TYPE_INVALID);
    return false;
  }

 private:
  // Values and entries wait here, as bytes, for the list they end in (see Value::relocate).
  struct RawValue {
    alignas(Value) unsigned char bytes[sizeof(Value)];
  };
  struct RawSlot {
    alignas(Slot) unsigned char bytes[sizeof(Slot)];
  };
  // The values waiting for their arrays, in a block from malloc that grows with realloc (a large
  // block then moves by remapping, not by copying).
  struct ValueStack {
    RawValue* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;

    ValueStack() = default;
    ValueStack(const ValueStack&) = delete;
    ValueStack& operator=(const ValueStack&) = delete;
    ~ValueStack() { std::free(data); }

    void reserve(std::size_t n) {
      if (n > capacity) resize(n);
    }
    void* push() {
      if (size == capacity) resize(capacity < 64 ? 64 : capacity * 2);
      return data[size++].bytes;
    }
    // Hands the block, cut to its size, to the caller and leaves the stack empty.
    void* release() {
      void* block = std::realloc(data, size * sizeof(RawValue));
      if (block == nullptr) block = data;
      data = nullptr;
      size = capacity = 0;
      return block;
    }

   private:
    void resize(std::size_t n) {
      void* block = std::realloc(data, n * sizeof(RawValue));
      if (block == nullptr) throw std::bad_alloc();
      data = static_cast<RawValue*>(block);
      capacity = n;
    }
  };

  static Value& AsValue(RawValue& r) { return *reinterpret_cast<Value*>(r.bytes); }
  static Slot& AsSlot(RawSlot& r) { return *reinterpret_cast<Slot*>(r.bytes); }
  static const Key& KeyOf(const RawSlot& r) { return *reinterpret_cast<const Key*>(r.bytes); }

  // A string value: its bytes in the value itself when they fit, in the arena beyond; without an
  // arena, a String on the heap.
  // A string equal to the one last read under the same key (the hint, when there is one) shares
  // its bytes: the entries of a list repeat many values ("@base", "updated", ids of parents).
  void setText(Value& v, const char* p, std::size_t n, SharedKey* hint) {
    if (arena_ == nullptr || n > 0xFFFFFFFFu) {
      v.string = new String(p, n);
    } else if (n <= Value::kInlineText) {
      v.object = nullptr;
      if (n != 0) std::memcpy(v.chars, p, n);
      v.length = static_cast<std::uint32_t>(n);
      v.placement = Value::kTextInline;
    } else {
      const char* bytes;
      if (hint != nullptr && hint->lastLength == n && BytesEqual({hint->lastText, n}, {p, n})) {
        bytes = hint->lastText;
      } else {
        char* copy = arena_->allocateText(n);
        std::memcpy(copy, p, n);
        bytes = copy;
        if (hint != nullptr) {
          hint->lastText = copy;
          hint->lastLength = n;
        }
      }
      v.bytes = bytes;
      v.length = static_cast<std::uint32_t>(n);
      v.placement = Value::kTextInArena;
    }
    v.setType(Value::TYPE_STRING);
  }

  void* allocateList(std::size_t bytes, std::size_t align) {
    if (arena_ != nullptr) return arena_->allocate(bytes, align);
    void* block = std::malloc(bytes);
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }

  // A number: an integer of magnitude below 2^64 in the value itself when read into a document,
  // otherwise in an arena slot or on the heap.
  void setNumber(Value& v, Number n) {
    const Number magnitude = n < 0 ? -n : n;
    if (arena_ != nullptr && magnitude < 18446744073709551616.0L) {
      const std::uint64_t integer = static_cast<std::uint64_t>(magnitude);
      if (static_cast<Number>(integer) == magnitude) {
        v.integer = integer;
        v.placement = static_cast<std::uint8_t>(Value::kIntegerInline |
                                                (std::signbit(n) ? Value::kNegative : 0));
        v.setType(Value::TYPE_NUMBER);
        return;
      }
    }
    v.number = newNumber(v, n);
    v.setType(Value::TYPE_NUMBER);
  }

  Number* newNumber(Value& v, Number n) {
    if (arena_ == nullptr) return new Number(n);
    static_assert(sizeof(Number) <= 16 && alignof(Number) <= 16, "arena number slots");
    v.placement = static_cast<std::uint8_t>(v.placement | Value::kPayloadInArena);
    return new (arena_->allocateSlot()) Number(n);
  }

  template <class T>
  T* newPayload(Value& v) {
    if (arena_ == nullptr) return new T();
    T* p = new (arena_->allocate(sizeof(T), alignof(T))) T();
    v.placement = static_cast<std::uint8_t>(v.placement | Value::kPayloadInArena);
    return p;
  }

  // A key shared by the entries of a document, and the string last read under it (the hint).
  struct SharedKey {
    Key key;
    const char* lastText = nullptr;
    std::size_t lastLength = 0;
    std::size_t follower = kNoKey;  // the key read right after this one the last time
  };
  static constexpr std::size_t kNoKey = ~std::size_t(0);

  // Every byte counts, eight at a time (keys are at most kMaxSharedKey bytes); the last word
  // overlaps the one before it, and shorter keys are read in two overlapping halves.
  static std::uint32_t Hash(std::string_view k) {
    const char* p = k.data();
    const std::size_t n = k.size();
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    const auto mix = [&h](std::uint64_t word) {
      h = (h ^ word) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 29;
    };
    if (n >= 8) {
      std::uint64_t word;
      for (std::size_t at = 0; at + 8 < n; at += 8) {
        std::memcpy(&word, p + at, 8);
        mix(word);
      }
      std::memcpy(&word, p + n - 8, 8);
      mix(word);
    } else if (n >= 4) {
      std::uint32_t low, high;
      std::memcpy(&low, p, 4);
      std::memcpy(&high, p + n - 4, 4);
      mix(static_cast<std::uint64_t>(high) << 32 | low);
    } else {
      std::uint64_t word = 0;
      for (std::size_t i = 0; i < n; ++i) {
        word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
      }
      mix(word);
    }
    return static_cast<std::uint32_t>(h >> 32);
  }

  // The key of an entry of a document. Keys repeat from entry to entry of a list: each distinct
  // key is stored once and shared. `hint` receives the key's record (valid until the next key).
  Key sharedKey(std::string_view k, SharedKey*& hint) {
    hint = nullptr;
    if (k.size() > kMaxSharedKey) {
      lastKey_ = kNoKey;
      return Key::Make(k, arena_);
    }
    // The entries of a list repeat their keys in one order: the key that followed the last one
    // read is tried before the table is searched.
    if (lastKey_ != kNoKey) {
      const std::size_t predicted = keyTable_[lastKey_].follower;
      if (predicted != kNoKey && BytesEqual(keyTable_[predicted].key.view(), k)) {
        lastKey_ = predicted;
        hint = &keyTable_[predicted];
        return hint->key;
      }
    }
    if (keyTable_.empty()) keyTable_.resize(64);
    const std::uint32_t h = Hash(k);
    std::size_t mask = keyTable_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      SharedKey& at = keyTable_[i];
      if (at.key.tagged_ == 0) {
        at.key = Key::Make(k, arena_);
        if (++sharedKeys_ * 2 <= keyTable_.size()) {
          follow(i);
          hint = &at;
          return at.key;
        }
        const Key made = at.key;
        growKeyTable();
        return made;
      }
      if (BytesEqual(at.key.view(), k)) {
        follow(i);
        hint = &at;
        return at.key;
      }
    }
  }

  // Records that the key at `index` of the table was read after the last key.
  void follow(std::size_t index) {
    if (lastKey_ != kNoKey) keyTable_[lastKey_].follower = index;
    lastKey_ = index;
  }

  // Doubles the table; the keys move, so what followed what is forgotten.
  void growKeyTable() {
    std::vector<SharedKey> old(keyTable_.size() * 2);
    old.swap(keyTable_);
    const std::size_t mask = keyTable_.size() - 1;
    for (const SharedKey& k : old) {
      if (k.key.tagged_ == 0) continue;
      std::size_t i = Hash(k.key.view()) & mask;
      while (keyTable_[i].key.tagged_ != 0) i = (i + 1) & mask;
      keyTable_[i] = k;
      keyTable_[i].follower = kNoKey;
    }
    lastKey_ = kNoKey;
  }

  // Sorts the entries read for one object (from `base` on) by key, keeping their order among
  // equal keys, lets the last of equal keys win, and hands them to the object in one block.
  void finishObject(Object& o, std::size_t base) {
    if (entries_.size() == base) return;
    RawSlot* first = entries_.data() + base;
    RawSlot* last = entries_.data() + entries_.size();
    KnownOrder* known = knownOrderOf(first, last);
    if (known != nullptr && known->matches(first, last)) {
      o.adoptSlots(first, static_cast<std::size_t>(last - first), arena_);
      entries_.resize(base);
      return;
    }
    const auto less = [](const RawSlot& a, const RawSlot& b) {
      return KeyOf(a).tagged_ != KeyOf(b).tagged_ && BytesLess(KeyOf(a).view(), KeyOf(b).view());
    };
    bool moved = false;
    if (last - first <= 16) {
      for (RawSlot* i = first + 1; i < last; ++i) {
        if (!less(*i, i[-1])) continue;
        moved = true;
        RawSlot moving = *i;
        RawSlot* j = i;
        do {
          *j = j[-1];
          --j;
        } while (j != first && less(moving, j[-1]));
        *j = moving;
      }
    } else if (!std::is_sorted(first, last, less)) {
      moved = true;
      std::stable_sort(first, last, less);
    }
    RawSlot* kept = first;
    for (RawSlot* i = first; i != last; ++i) {
      if (i + 1 != last && (KeyOf(*i).tagged_ == KeyOf(i[1]).tagged_ ||
                            BytesEqual(KeyOf(*i).view(), KeyOf(i[1]).view()))) {
        AsSlot(*i).value.~Value();  // a repeated key keeps the later value
        AsSlot(*i).key.release();
        continue;
      }
      if (kept != i) *kept = *i;
      ++kept;
    }
    const std::size_t n = static_cast<std::size_t>(kept - first);
    if (known != nullptr && !moved && kept == last) known->remember(first, last);
    if (n != 0) o.adoptSlots(first, n, arena_);
    entries_.resize(base);
  }

  // Objects of one shape, such as the entries of a list, repeat their keys in one order. In a
  // document every key is shared (see sharedKey), so equal key blocks mean equal keys, and a
  // sequence of blocks once found strictly ascending needs no sorting and no check for repeats
  // when it comes again.
  static constexpr std::size_t kKnownOrderKeys = 16;
  struct KnownOrder {
    std::size_t count = 0;
    std::uintptr_t keys[kKnownOrderKeys];

    bool matches(const RawSlot* first, const RawSlot* last) const {
      if (count != static_cast<std::size_t>(last - first)) return false;
      for (std::size_t i = 0; i < count; ++i) {
        if (KeyOf(first[i]).tagged_ != keys[i]) return false;
      }
      return true;
    }
    void remember(const RawSlot* first, const RawSlot* last) {
      count = static_cast<std::size_t>(last - first);
      for (std::size_t i = 0; i < count; ++i) keys[i] = KeyOf(first[i]).tagged_;
    }
  };
  // The remembered order for objects of this many entries starting with this key; null where
  // nothing is remembered (no document, too few or too many entries to gain from it).
  KnownOrder* knownOrderOf(const RawSlot* first, const RawSlot* last) {
    const std::size_t n = static_cast<std::size_t>(last - first);
    if (arena_ == nullptr || n < 3 || n > kKnownOrderKeys) return nullptr;
    const std::uintptr_t key = KeyOf(*first).tagged_;
    return &knownOrders_[((key >> 3) ^ (key >> 9) ^ n) % kKnownOrders];
  }

  // The entries after "{": false only where the object cannot end well (a key that is not a
  // string, a missing colon); a value that fails ends the list and drops its key. The entries
  // read go to the object in every case.
  bool members(Object& o) {
    const std::size_t base = entries_.size();
    const bool ok = readMembers();
    finishObject(o, base);
    return ok;
  }

  bool readMembers() {
    String key;
    for (;;) {
      // The usual key is taken as it stands in the text.
      const char* first = nullptr;
      const char* last = nullptr;
      const bool inText = !broken_ && in_.quoted_span(first, last);
      if (!inText && !string(key)) return !broken_ && in_.peek() == '}';
      if ((broken_ || !in_.take(':')) && !match(":")) return false;
      const std::string_view name =
          inText ? std::string_view(first, static_cast<std::size_t>(last - first)) : key;
      Key k;
      SharedKey* hint = nullptr;
      if (arena_ != nullptr) k = sharedKey(name, hint);
      Value v;
      if (!value(v, hint)) return true;
      if (arena_ == nullptr) k = Key::Make(name, nullptr);
      entries_.emplace_back();
      Slot& slot = AsSlot(entries_.back());
      new (&slot.key) Key(k);
      v.relocate(&slot.value);
      if (!broken_ && in_.take(',')) continue;
      if (broken_ || in_.next_is('}') || !match(",")) return true;
    }
  }

 private:
  // A character that may follow a backslash in a string closed by `delim`.
  static bool IsKnownEscape(int c, char delim) {
    return c == static_cast<unsigned char>(delim) || c == '\\' || c == '/' || c == 'b' ||
           c == 'f' || c == 'n' || c == 'r' || c == 't' || c == 'u';
  }

  // The character after a backslash.
  void escape(int c, char delim, String& out) {
    const int single = SingleEscape(c, delim);
    if (single >= 0) {
      out += static_cast<char>(single);
    } else if (c == 'u') {
      unicode(delim, out);
    } else {
      out += '\\';
      out += static_cast<char>(c);
    }
  }

  // After "\u": the code point in UTF-8. A high surrogate followed directly by a low one's
  // escape combines with it; any other surrogate becomes U+FFFD. Fewer than four hexadecimal
  // digits, or an unknown escape right after a high surrogate, break the whole read.
  void unicode(char delim, String& out) {
    std::uint32_t code = 0;
    if (!hex4(code)) return;
    for (;;) {
      if (code < 0xD800 || code > 0xDFFF) {
        AppendUtf8(out, code);
        return;
      }
      if (code >= 0xDC00 || !in_.good() || in_.peek() != '\\') {
        AppendUtf8(out, kReplacement);
        return;
      }
      in_.get();
      const int c = in_.get();
      if (c != 'u') {
        // Where the low surrogate's escape belongs, an escape that means nothing is a broken
        // pair, not a character to keep as the lenient reader does elsewhere.
        if (c == kEnd || !IsKnownEscape(c, delim)) {
          broken_ = true;
          return;
        }
        AppendUtf8(out, kReplacement);
        escape(c, delim, out);
        return;
      }
      std::uint32_t low = 0;
      if (!hex4(low)) return;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
        return;
      }
      AppendUtf8(out, kReplacement);
      code = low;
    }
  }

  bool hex4(std::uint32_t& code) {
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const int d = HexDigit(in_.get());
      if (d < 0) {
        broken_ = true;
        return false;
      }
      code = (code << 4) | static_cast<std::uint32_t>(d);
    }
    return true;
  }

  static constexpr std::size_t kMaxSharedKey = 64;

  Source& in_;
  Arena* arena_;
  // Lists of at least this many bytes, read into a document, keep a block of their own.
  static constexpr std::size_t kOwnBlock = 4096;

  ValueStack elements_;
  std::vector<RawSlot> entries_;
  std::vector<SharedKey> keyTable_;
  std::size_t sharedKeys_ = 0;
  std::size_t lastKey_ = kNoKey;  // where in keyTable_ the last key read is
  static constexpr std::size_t kKnownOrders = 8;
  KnownOrder knownOrders_[kKnownOrders];
  int depth_ = 0;
  // Set by an escape that cannot be read: every step fails from then on.
  bool broken_ = false;
};

typedef Grammar<StreamSource> StreamGrammar;
typedef Grammar<TextSource> TextGrammar;

}  // namespace detail

using detail::Arena;
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

// An object read by an entry point holds its document in its own arena (see detail::Arena).
bool Object::parse(std::istream& input, Object& object) {
  std::streamsize buffered = input.rdbuf() != nullptr ? input.rdbuf()->in_avail() : 0;
  const std::size_t size = buffered > 0 ? static_cast<std::size_t>(buffered) : 0;
  Arena& arena = object.startArena(size);
  StreamSource source(input);
  StreamGrammar grammar(source, &arena);
  grammar.expect(size);
  return grammar.object(object);
}

bool Object::parse(const String& text) {
  Arena& arena = startArena(text.size());
  TextSource source(text.data(), text.size());
  TextGrammar grammar(source, &arena);
  grammar.expect(text.size());
  return grammar.object(*this);
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
