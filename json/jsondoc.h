// jsondoc: the JSON document model of the library (values, objects, arrays), a lenient reader and
// a compact writer.
//
// Ownership: every container owns its values deeply; copies, assignment and import copy every
// value. A document is used by one thread at a time; nothing here locks or keeps global state.
// A container holds its values side by side: a Value* or Value& taken from an object or array
// stays valid until an entry is added to that same container or it is reset (the arrays and
// objects the values hold stay where they are).
//
// Preconditions (get<T> of a value of another type, an index past the end, ...) are programming
// errors: they are reported through jsondoc::assertion, which aborts the process. Code that reads
// data from outside tests is<T>()/has<T>() before every get<T>().
//
// Reading is lenient: line comments ("//" to the end of the line) between tokens, single-quoted
// strings, trailing commas and empty list elements (read as null) are accepted; only the first
// value of the text is read and whatever follows it is ignored. "\uXXXX" escapes append the code
// point in UTF-8 ("\u00e9" gives C3 A9); a surrogate pair combines into one code point, a lone
// surrogate becomes U+FFFD, and "\u" without four hexadecimal digits fails the read.
// Numbers are read like std::istream >> long double in the classic locale: optional sign ('+' or
// '-'), digits with an optional '.', optional exponent; ".5", "1." and "+1" are accepted. A number
// whose magnitude overflows long double fails the read; one that underflows reads as 0 (or the
// nearest subnormal). Containers nested deeper than kMaxDepth levels make the read fail instead
// of exhausting the stack. A value whose read fails is left invalid; an object or array keeps the
// entries read before the failure, and the caller discards it. The parse(const String&) entry
// points read the text in place and give the same result as the std::istream ones would on a
// std::istringstream of the same text.
//
// Writing is compact and on one line: ": " between key and value, ", " between entries, keys in
// byte-wise ascending order. Strings escape '"', '\\' and every '/', use \b \f \n \r \t, write
// every other byte below 0x20 as "\u00xx" (lowercase hex), pass valid UTF-8 sequences through as
// they are and write each byte that is not part of one as "\u00xx", so the output is valid UTF-8
// and valid JSON whatever the strings hold. Numbers do not depend on the stream's format flags:
// integral values of magnitude up to 2^64 are written as exact integers, other finite values with
// the fewest digits that read back to the same long double ("2.5", "1e+30"), and NaN or infinity,
// which JSON cannot carry, as null.
#ifndef JSON_JSONDOC_H_
#define JSON_JSONDOC_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace jsondoc {

typedef long double Number;
typedef std::string String;
typedef bool Boolean;

// Marks the null type; carries nothing.
class Null {};

class Value;
class Array;
class Object;

// Reports a violated precondition: when result is false, writes
// "[JSONDOC] expression '<expression>' failed at <file>:<line> -> " to standard error and raises
// the standard assertion failure (also in builds with NDEBUG), which aborts the process.
void assertion(const char* file, int line, const char* expression, bool result);

#define JSONDOC_ASSERT(expr) ::jsondoc::assertion(__FILE__, __LINE__, #expr, (expr))

// Nesting limit of the reader: a document whose arrays and objects nest deeper fails to read.
constexpr int kMaxDepth = 256;

namespace detail {
template <class Source>
class Grammar;
class Writer;
struct DirectRead;
struct DirectWrite;

// The memory of one parsed document: values, strings, keys and lists of a document read by
// Object::parse are placed here one after the other and released together when the document is
// reset or destroyed, instead of one heap block each. The chunks come from the heap and go back
// to it with the arena; nothing is kept between documents or per thread.
class Arena {
 public:
  explicit Arena(std::size_t firstChunk) : nextChunk_(firstChunk) {}
  ~Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // A 16-byte slot, 16-byte aligned, for a number. They come from blocks of their own, so the
  // 8-byte aligned lists and the strings between them leave no padding.
  void* allocateSlot() {
    if (slotCur_ == slotEnd_) {
      slotCur_ = static_cast<char*>(allocate(kSlotBlock, 16));
      slotEnd_ = slotCur_ + kSlotBlock;
    }
    void* p = slotCur_;
    slotCur_ += 16;
    return p;
  }

  // Room for the bytes of a string. Strings come from blocks of their own, so they leave no
  // padding between the aligned values and lists.
  char* allocateText(std::size_t size) {
    if (size > static_cast<std::size_t>(textEnd_ - textCur_)) {
      if (size > kTextBlock / 4) return static_cast<char*>(allocate(size, 1));
      textCur_ = static_cast<char*>(allocate(kTextBlock, 16));
      textEnd_ = textCur_ + kTextBlock;
    }
    char* p = textCur_;
    textCur_ += size;
    return p;
  }

  void* allocate(std::size_t size, std::size_t align) {
    std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(cur_) + (align - 1)) & ~(align - 1);
    if (cur_ == nullptr || at + size > reinterpret_cast<std::uintptr_t>(end_)) {
      return grow(size, align);
    }
    cur_ = reinterpret_cast<char*>(at + size);
    return reinterpret_cast<void*>(at);
  }

 private:
  void* grow(std::size_t size, std::size_t align);

  static constexpr std::size_t kSlotBlock = 16 * 64;
  static constexpr std::size_t kTextBlock = 4096;

  char* cur_ = nullptr;
  char* end_ = nullptr;
  char* slotCur_ = nullptr;
  char* slotEnd_ = nullptr;
  char* textCur_ = nullptr;
  char* textEnd_ = nullptr;
  void* chunks_ = nullptr;  // singly linked through each chunk's first word
  std::size_t nextChunk_;
};

// Makes `out` the `n` bytes at `p`: appended to an empty string, which libstdc++ does on a shorter
// path than assign (a new record's strings are empty).
inline void SetBytes(std::string& out, const char* p, std::size_t n) {
  if (out.empty()) {
    out.append(p, n);
  } else {
    out.assign(p, n);
  }
}

// Byte-wise comparisons of short keys and strings, without a library call each.
inline bool BytesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const char* p = a.data();
  const char* q = b.data();
  if (p == q) return true;
  std::size_t n = a.size();
  // Words of 8 bytes, the last one overlapping the one before it where the length is not a
  // multiple of 8; shorter texts in two overlapping halves.
  if (n >= 8) {
    std::uint64_t x, y;
    for (; n > 8; n -= 8, p += 8, q += 8) {
      std::memcpy(&x, p, 8);
      std::memcpy(&y, q, 8);
      if (x != y) return false;
    }
    std::memcpy(&x, p + n - 8, 8);
    std::memcpy(&y, q + n - 8, 8);
    return x == y;
  }
  if (n >= 4) {
    std::uint32_t x1, y1, x2, y2;
    std::memcpy(&x1, p, 4);
    std::memcpy(&y1, q, 4);
    std::memcpy(&x2, p + n - 4, 4);
    std::memcpy(&y2, q + n - 4, 4);
    return x1 == y1 && x2 == y2;
  }
  for (; n > 0; --n, ++p, ++q) {
    if (*p != *q) return false;
  }
  return true;
}

inline bool BytesLess(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
  }
  return a.size() < b.size();
}

// The key of an object entry: a block holding its length (4 bytes) and its bytes, in a
// document's arena or on the heap (the lowest bit of the pointer marks the latter, which the
// object owning the entry frees).
class Key {
 public:
  Key() = default;

  const char* data() const { return block() + 4; }
  std::size_t size() const {
    std::uint32_t n;
    std::memcpy(&n, block(), 4);
    return n;
  }
  std::string_view view() const { return std::string_view(data(), size()); }
  operator std::string_view() const { return view(); }
  operator String() const { return String(data(), size()); }

  friend bool operator==(const Key& a, const Key& b) { return a.view() == b.view(); }
  friend bool operator!=(const Key& a, const Key& b) { return a.view() != b.view(); }
  friend bool operator==(const Key& a, std::string_view b) { return a.view() == b; }
  friend bool operator!=(const Key& a, std::string_view b) { return a.view() != b; }
  friend bool operator==(std::string_view a, const Key& b) { return a == b.view(); }
  friend bool operator!=(std::string_view a, const Key& b) { return a != b.view(); }
  friend bool operator<(const Key& a, const Key& b) { return a.view() < b.view(); }

 private:
  friend class jsondoc::Object;
  template <class Source>
  friend class Grammar;

  explicit Key(std::uintptr_t tagged) : tagged_(tagged) {}
  // A key block in `arena`, or on the heap when arena is null.
  static Key Make(std::string_view bytes, Arena* arena);
  void release() const;
  bool onHeap() const { return (tagged_ & 1) != 0; }
  const char* block() const { return reinterpret_cast<const char*>(tagged_ & ~std::uintptr_t(1)); }

  std::uintptr_t tagged_ = 0;
};
}  // namespace detail

class Value {
 public:
  // The numeric values are part of the interface and never change.
  enum Type : std::uint32_t {
    TYPE_NUMBER = 0,
    TYPE_STRING = 1,
    TYPE_BOOLEAN = 2,
    TYPE_NULL = 3,
    TYPE_ARRAY = 4,
    TYPE_OBJECT = 5,
    TYPE_INVALID = 6,
  };

  Value() : type(TYPE_INVALID), object(nullptr) {}
  Value(const Value& other);
  Value(Boolean b);
  Value(int i);
  Value(Number n);
  Value(const String& s);
  // Without this a string literal would convert to Boolean (a standard conversion wins over the
  // user-defined one to String).
  Value(const char* s);
  Value(const Array& a);
  Value(const Object& o);
  ~Value() {
    if (!holdsNothing()) dropPayload();
  }

  Value& operator=(const Value& other);

  // Each releases the current payload and stores a deep copy of x with x's type.
  void import(Boolean b);
  void import(Number n);
  void import(int i);
  void import(const Null&);
  void import(const String& s);
  void import(const char* s);
  void import(const Array& a);
  void import(const Object& o);
  // Dispatches on other's type; importing a value into itself changes nothing.
  void import(const Value& other);

  // Releases the owned string, array or object; the type tag stays. The value must be given new
  // content before it is read again.
  void reset();
  // True for an invalid value and for a string/array/object value without payload (after
  // reset()); an empty string, array or object is not empty().
  bool empty() const;

  Type type_tag() const { return static_cast<Type>(type); }

  template <class T>
  bool is() const;
  // Precondition is<T>() (aborts otherwise).
  template <class T>
  T& get();
  template <class T>
  const T& get() const;

  // Reads one JSON value with the lenient grammar described at the top.
  bool parse(std::istream& input);
  bool parse(const String& text);
  static bool parse(std::istream& input, Value& value);

 private:
  template <class Source>
  friend class detail::Grammar;
  friend class detail::Writer;
  friend struct detail::DirectRead;
  friend struct detail::DirectWrite;
  friend class Object;
  friend class Array;

  // Where the payload lives (bits of `placement`). A number, array or object read into a
  // document is placed in its arena; a string read into a document stays as bytes (in the value
  // itself up to kInlineText bytes, in the arena beyond) until get<String>() first asks for it,
  // which gives it a String of its own on the heap. Content given later always comes from the
  // heap.
  // An integral number read into a document (of magnitude below 2^64) is kept in the value as
  // its magnitude and sign until get<Number>() first asks for it.
  enum : std::uint8_t {
    kPayloadInArena = 2,
    kTextInArena = 4,
    kTextInline = 8,
    kIntegerInline = 16,
    kNegative = 32
  };
  static constexpr std::uint32_t kInlineText = 8;

  void setType(Type t) { type = static_cast<std::uint8_t>(t); }
  // Releases the payload of any type, the number included (reset() leaves a number as it is).
  void dropPayload();
  // The bytes of a string value, however they are held.
  std::string_view text() const {
    if ((placement & kTextInline) != 0) return std::string_view(chars, length);
    if ((placement & kTextInArena) != 0) return std::string_view(bytes, length);
    return *string;
  }
  bool holdsText() const { return (placement & (kTextInline | kTextInArena)) != 0; }
  // True when destroying the value has nothing to release.
  bool holdsNothing() const {
    return type == TYPE_BOOLEAN || type == TYPE_NULL || type == TYPE_INVALID ||
           (placement & (kTextInline | kTextInArena | kIntegerInline)) != 0 ||
           (type == TYPE_NUMBER && (placement & kPayloadInArena) != 0);
  }
  // Gives a string held as bytes its String (see above).
  void materialize();
  Number numberValue() const {
    if ((placement & kIntegerInline) == 0) return *number;
    const Number n = static_cast<Number>(integer);
    return (placement & kNegative) != 0 ? -n : n;
  }
  // Gives an integer held in the value its Number (see above).
  void materializeNumber();
  // Moves the value's bits to raw storage at `to`, leaving this value invalid without payload:
  // values hold no pointer to themselves, so a byte copy moves them.
  void relocate(void* to) {
    std::memcpy(to, static_cast<const void*>(this), sizeof(Value));
    type = TYPE_INVALID;
    placement = 0;
    object = nullptr;
  }

  std::uint8_t type;
  std::uint8_t placement = 0;
  std::uint32_t length = 0;  // of a string held as bytes
  // Every payload but a boolean and a short string is held by pointer, the number too: a long
  // double inline would double the size of every value of a document for the few numbers.
  union {
    Number* number;
    std::uint64_t integer;
    String* string;
    const char* bytes;
    char chars[kInlineText];
    Boolean boolean;
    Array* array;
    Object* object;
  };
};

namespace detail {

// One entry of an object: its key and its value, side by side.
struct Slot {
  Key key;
  Value value;
};

// The entries of an object, sorted by key (byte-wise ascending), in one block: in the document's
// arena for a parsed object (capacity 0), on the heap otherwise. Read like a std::map of
// String to Value*: iterating gives pairs of key and value pointer, find() looks a key up.
class Members {
 public:
  struct value_type {
    Key first;
    Value* second;
  };

  class const_iterator {
   public:
    typedef std::input_iterator_tag iterator_category;
    typedef Members::value_type value_type;
    typedef std::ptrdiff_t difference_type;
    typedef const value_type* pointer;
    typedef value_type reference;

    const_iterator() = default;
    value_type operator*() const { return value_type{at_->key, &at_->value}; }
    const value_type* operator->() const {
      proxy_ = value_type{at_->key, &at_->value};
      return &proxy_;
    }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++at_;
      return old;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.at_ == b.at_;
    }
    friend bool operator!=(const const_iterator& a, const const_iterator& b) {
      return a.at_ != b.at_;
    }

   private:
    friend class Members;
    explicit const_iterator(Slot* at) : at_(at) {}
    Slot* at_ = nullptr;
    mutable value_type proxy_{};
  };
  typedef const_iterator iterator;

  Members() = default;
  Members(const Members&) = delete;
  Members& operator=(const Members&) = delete;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const_iterator begin() const { return const_iterator(data_); }
  const_iterator end() const { return const_iterator(data_ + size_); }
  const_iterator find(std::string_view key) const {
    Slot* at = lowerBound(key);
    return at != data_ + size_ && BytesEqual(at->key.view(), key) ? const_iterator(at) : end();
  }

 private:
  friend class jsondoc::Object;
  template <class Source>
  friend class Grammar;
  friend struct DirectRead;

  Slot* lowerBound(std::string_view key) const;
  void swap(Members& other) {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  Slot* data_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;  // 0: the block is in an arena (or there is none)
};

// The elements of an array in one block, like Members. Read like a std::vector of Value*.
class Elements {
 public:
  class const_iterator {
   public:
    typedef std::random_access_iterator_tag iterator_category;
    typedef Value* value_type;
    typedef std::ptrdiff_t difference_type;
    typedef Value* const* pointer;
    typedef Value* reference;

    const_iterator() = default;
    Value* operator*() const { return at_; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++at_;
      return old;
    }
    const_iterator& operator--() {
      --at_;
      return *this;
    }
    const_iterator& operator+=(difference_type n) {
      at_ += n;
      return *this;
    }
    const_iterator operator+(difference_type n) const { return const_iterator(at_ + n); }
    const_iterator operator-(difference_type n) const { return const_iterator(at_ - n); }
    difference_type operator-(const const_iterator& o) const { return at_ - o.at_; }
    Value* operator[](difference_type n) const { return at_ + n; }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.at_ == b.at_;
    }
    friend bool operator!=(const const_iterator& a, const const_iterator& b) {
      return a.at_ != b.at_;
    }
    friend bool operator<(const const_iterator& a, const const_iterator& b) {
      return a.at_ < b.at_;
    }

   private:
    friend class Elements;
    explicit const_iterator(Value* at) : at_(at) {}
    Value* at_ = nullptr;
  };
  typedef const_iterator iterator;
  typedef Value* value_type;

  Elements() = default;
  Elements(const Elements&) = delete;
  Elements& operator=(const Elements&) = delete;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const_iterator begin() const { return const_iterator(data_); }
  const_iterator end() const { return const_iterator(data_ + size_); }
  Value* operator[](std::size_t i) const { return data_ + i; }
  Value* front() const { return data_; }
  Value* back() const { return data_ + size_ - 1; }

 private:
  friend class jsondoc::Array;
  template <class Source>
  friend class Grammar;

  void swap(Elements& other) {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  Value* data_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;  // 0: the block is in an arena (or there is none)
};
// Reads for the library's record reads, which copy each field of many alike objects once.
struct DirectRead {
  // A string's bytes or a number's value, without the String or Number that get<T>() would give
  // the value. Precondition: the value holds that type.
  static std::string_view text(const Value& value) { return value.text(); }
  static Number number(const Value& value) { return value.numberValue(); }
  // A number read as an integer of at most 64 bits of magnitude: true, with its magnitude and
  // sign, when the value holds one (every integer of a parsed document does); false otherwise.
  static bool integer(const Value& value, std::uint64_t& magnitude, bool& negative) {
    if ((value.placement & Value::kIntegerInline) == 0) return false;
    magnitude = value.integer;
    negative = (value.placement & Value::kNegative) != 0;
    return true;
  }
  // Members::find that first tries the entry at index `hint` (where the key was in the last
  // object searched) and leaves there the index where the key was found; null when absent.
  static Value* find(const Members& members, std::string_view key, std::uint32_t& hint) {
    Slot* at = hint < members.size_ ? members.data_ + hint : nullptr;
    if (at == nullptr || !BytesEqual(at->key.view(), key)) {
      at = members.lowerBound(key);
      if (at == members.data_ + members.size_ || !BytesEqual(at->key.view(), key)) return nullptr;
      hint = static_cast<std::uint32_t>(at - members.data_);
    }
    return &at->value;
  }
};

// The first '"' or backslash in [p, end), or end; as the reader finds the end of a string.
const char* FindQuoteOrBackslash(const char* p, const char* end);

// Values as a parsed document holds them, made by a reader of its own: a string that borrows its
// bytes (which must outlive the value; it never frees them) and an integer held in the value.
// Precondition: the value holds nothing (a fresh or invalid value, or one of these).
struct DirectWrite {
  static void borrowedText(Value& value, const char* bytes, std::uint32_t length) {
    value.setType(Value::TYPE_STRING);
    value.placement = Value::kTextInArena;
    value.bytes = bytes;
    value.length = length;
  }
  static void integer(Value& value, std::uint64_t magnitude) {
    value.setType(Value::TYPE_NUMBER);
    value.placement = Value::kIntegerInline;
    value.integer = magnitude;
  }
  static void boolean(Value& value, bool b) {
    value.setType(Value::TYPE_BOOLEAN);
    value.placement = 0;
    value.boolean = b;
  }
};
}  // namespace detail

class Object {
 public:
  typedef detail::Members Map;

  Object();
  Object(const Object& other);
  Object(const String& key, const Value& value);
  template <std::size_t N>
  Object(const char (&key)[N], const Value& value) : Object(String(key), value) {}
  ~Object();

  std::size_t size() const { return valueMap.size(); }
  bool empty() const { return valueMap.empty(); }
  const Map& kv_map() const { return valueMap; }

  // True when key is present and its value is<T>(); has<Value> only asks for presence.
  template <class T>
  bool has(const String& key) const;
  // Precondition has<T>(key).
  template <class T>
  T& get(const String& key);
  template <class T>
  const T& get(const String& key) const;

  // Merges other in: keys present in both take other's value, the rest stay. Self-import is a
  // no-op. Clears the pending key.
  void import(const Object& other);
  // Stores a copy of value under key, replacing any previous value. Clears the pending key.
  void import(const String& key, const Value& value);

  Object& operator=(const Object& other);

  // Pair builder: with no key pending, v must be a string (precondition) and becomes the pending
  // key; otherwise v is stored under the pending key, which is cleared.
  Object& operator<<(const Value& v);
  // Stores a copy of o under the pending key (the empty key when none is pending).
  Object& operator<<(const Object& o);

  // Releases every value (and the arena of a parsed document); the pending key is left alone.
  void reset();

  bool parse(std::istream& input);
  bool parse(const String& text);
  static bool parse(std::istream& input, Object& object);

 private:
  template <class Source>
  friend class detail::Grammar;

  // What few objects need: the pending key of the pair builder (empty when none is pending; an
  // empty key is never pending) and the arena of a document read by this object. It heads the
  // block of an object whose entries are on the heap; an object whose entries are in an arena
  // has none (it is moved to the heap when it needs one).
  struct Extra {
    String pendingKey;
    detail::Arena* arena = nullptr;
  };

  // Empties the object and gives it a fresh arena for a document about to be read, its first
  // chunk sized from the text's size (0 when unknown). The object owns the arena until it is
  // reset or destroyed.
  detail::Arena& startArena(std::size_t textSize);
  Extra* extraOrNull() const {
    return valueMap.capacity_ != 0 ? reinterpret_cast<Extra*>(valueMap.data_) - 1 : nullptr;
  }
  Extra& extra();
  void clearPendingKey() {
    if (Extra* e = extraOrNull()) e->pendingKey.clear();
  }
  // Moves the entries to a heap block with room for `capacity` entries.
  void moveToHeap(std::size_t capacity);
  // Gives the object the n entries read for it (as bytes at `slots`), in `arena` when it has
  // one and the object has no heap block.
  void adoptSlots(const void* slots, std::size_t n, detail::Arena* arena);
  // Stores the value moved out of `v` under key, releasing a previous value.
  void store(std::string_view key, Value& v);

  Map valueMap;
};

class Array {
 public:
  typedef detail::Elements List;

  Array();
  Array(const Array& other);
  Array(const Value& v);
  ~Array();

  std::size_t size() const { return valueList.size(); }
  bool empty() const { return valueList.empty(); }
  const List& values() const { return valueList; }

  // Precondition i < size(), then the element's get<T>() precondition.
  template <class T>
  T& get(unsigned i);
  template <class T>
  const T& get(unsigned i) const;

  // Appends copies of other's elements (self-import doubles the array).
  void import(const Array& other);
  // Appends a copy of v.
  void import(const Value& v);
  Array& operator<<(const Array& other);
  Array& operator<<(const Value& v);

  Array& operator=(const Array& other);
  // Leaves exactly one element, a copy of v.
  Array& operator=(const Value& v);

  void reset();

  bool parse(std::istream& input);
  bool parse(const String& text);
  static bool parse(std::istream& input, Array& array);

 private:
  template <class Source>
  friend class detail::Grammar;

  // Appends the value moved out of v.
  void append(Value& v);

  List valueList;
};

// Value type tests and accessors.
template <>
inline bool Value::is<Value>() const {
  return true;
}
template <>
inline bool Value::is<Null>() const {
  return type == TYPE_NULL;
}
template <>
inline bool Value::is<Boolean>() const {
  return type == TYPE_BOOLEAN;
}
template <>
inline bool Value::is<String>() const {
  return type == TYPE_STRING;
}
template <>
inline bool Value::is<Number>() const {
  return type == TYPE_NUMBER;
}
template <>
inline bool Value::is<Array>() const {
  return type == TYPE_ARRAY;
}
template <>
inline bool Value::is<Object>() const {
  return type == TYPE_OBJECT;
}

template <>
inline Value& Value::get<Value>() {
  return *this;
}
template <>
inline const Value& Value::get<Value>() const {
  return *this;
}
template <>
inline Boolean& Value::get<Boolean>() {
  JSONDOC_ASSERT(is<Boolean>());
  return boolean;
}
template <>
inline const Boolean& Value::get<Boolean>() const {
  JSONDOC_ASSERT(is<Boolean>());
  return boolean;
}
template <>
inline Number& Value::get<Number>() {
  JSONDOC_ASSERT(is<Number>());
  if ((placement & kIntegerInline) != 0) materializeNumber();
  return *number;
}
template <>
inline const Number& Value::get<Number>() const {
  JSONDOC_ASSERT(is<Number>());
  if ((placement & kIntegerInline) != 0) const_cast<Value*>(this)->materializeNumber();
  return *number;
}
template <>
inline String& Value::get<String>() {
  JSONDOC_ASSERT(is<String>());
  if (holdsText()) materialize();
  return *string;
}
template <>
inline const String& Value::get<String>() const {
  JSONDOC_ASSERT(is<String>());
  if (holdsText()) const_cast<Value*>(this)->materialize();
  return *string;
}
template <>
inline Array& Value::get<Array>() {
  JSONDOC_ASSERT(is<Array>());
  return *array;
}
template <>
inline const Array& Value::get<Array>() const {
  JSONDOC_ASSERT(is<Array>());
  return *array;
}
template <>
inline Object& Value::get<Object>() {
  JSONDOC_ASSERT(is<Object>());
  return *object;
}
template <>
inline const Object& Value::get<Object>() const {
  JSONDOC_ASSERT(is<Object>());
  return *object;
}

template <class T>
bool Object::has(const String& key) const {
  const detail::Slot* at = valueMap.lowerBound(key);
  return at != valueMap.data_ + valueMap.size_ && detail::BytesEqual(at->key.view(), key) &&
         at->value.is<T>();
}

template <class T>
T& Object::get(const String& key) {
  JSONDOC_ASSERT(has<T>(key));
  return valueMap.lowerBound(key)->value.get<T>();
}

template <class T>
const T& Object::get(const String& key) const {
  JSONDOC_ASSERT(has<T>(key));
  return valueMap.lowerBound(key)->value.get<T>();
}

template <class T>
T& Array::get(unsigned i) {
  JSONDOC_ASSERT(i < size());
  return valueList.data_[i].get<T>();
}

template <class T>
const T& Array::get(unsigned i) const {
  JSONDOC_ASSERT(i < size());
  return valueList.data_[i].get<T>();
}

// The grammar, on a caller's stream. Each returns true on success; on failure the stream's error
// state raised while trying is cleared where the grammar goes on to try an alternative.
bool match(const char* pattern, std::istream& input);
bool parse_comment(std::istream& input);
bool parse_string(std::istream& input, String& value);
bool parse_number(std::istream& input, Number& value);
bool parse_bool(std::istream& input, Boolean& value);
bool parse_null(std::istream& input);
bool parse_array(std::istream& input, Array& array);
bool parse_object(std::istream& input, Object& object);
bool parse_value(std::istream& input, Value& value);

// Writers; each returns the stream and ignores its format flags.
std::ostream& operator<<(std::ostream& stream, const Value& value);
std::ostream& operator<<(std::ostream& stream, const Array& array);
std::ostream& operator<<(std::ostream& stream, const Object& object);
// Writes s as a quoted JSON string.
std::ostream& stream_string(std::ostream& stream, const String& s);

}  // namespace jsondoc

#endif  // JSON_JSONDOC_H_
