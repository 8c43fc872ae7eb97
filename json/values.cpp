// The document model: ownership, deep copies and the builder operators.
//
// Every operation that replaces content first builds the deep copy and only then releases the old
// content, so copying from a value that lives inside the target (a child imported into its parent,
// an array imported into itself) never reads freed memory.

// Preconditions abort in every build type, so the assertion machinery stays on.
#undef NDEBUG
#include "json/jsondoc.h"

#include <assert.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace jsondoc {

void assertion(const char* file, int line, const char* expression, bool result) {
  if (result) return;
  std::fprintf(stderr, "[JSONDOC] expression '%s' failed at %s:%d -> ", expression, file, line);
  std::fflush(stderr);
#if defined(__GLIBC__)
  // The standard assertion failure, raised directly so that it also stops builds with NDEBUG.
  __assert_fail(expression, file, static_cast<unsigned>(line), "jsondoc::assertion");
#else
  std::abort();
#endif
}

// ---- Value ----

Value::Value(const Value& other) : Value() {
  import(other);
}
Value::Value(Boolean b) : Value() {
  import(b);
}
Value::Value(int i) : Value() {
  import(i);
}
Value::Value(Number n) : Value() {
  import(n);
}
Value::Value(const String& s) : Value() {
  import(s);
}
Value::Value(const char* s) : Value() {
  import(s);
}
Value::Value(const Array& a) : Value() {
  import(a);
}
Value::Value(const Object& o) : Value() {
  import(o);
}

Value& Value::operator=(const Value& other) {
  import(other);
  return *this;
}

namespace {
// Destroys a payload; one in an arena only has its destructor run (the arena owns the memory).
template <class T>
void Drop(T*& payload, bool inArena) {
  if (payload == nullptr) return;
  if (inArena) {
    payload->~T();
  } else {
    delete payload;
  }
  payload = nullptr;
}
}  // namespace

void Value::reset() {
  if (type != TYPE_NUMBER) dropPayload();
}

void Value::dropPayload() {
  const bool inArena = (placement & kPayloadInArena) != 0;
  switch (type) {
    case TYPE_NUMBER:
      if (inArena || (placement & kIntegerInline) != 0) {
        number = nullptr;
      } else {
        Drop(number, false);
      }
      break;
    case TYPE_STRING:
      if (holdsText()) {
        string = nullptr;
      } else {
        Drop(string, false);
      }
      break;
    case TYPE_ARRAY:
      Drop(array, inArena);
      break;
    case TYPE_OBJECT:
      Drop(object, inArena);
      break;
    default:
      break;
  }
  placement = 0;
}

void Value::materializeNumber() {
  Number* n = new Number(numberValue());
  placement = 0;
  number = n;
}

void Value::materialize() {
  String* s = new String(text());
  placement = 0;
  string = s;
}

bool Value::empty() const {
  switch (type) {
    case TYPE_INVALID:
      return true;
    case TYPE_STRING:
      return !holdsText() && string == nullptr;
    case TYPE_ARRAY:
      return array == nullptr;
    case TYPE_OBJECT:
      return object == nullptr;
    default:
      return false;
  }
}

void Value::import(Boolean b) {
  dropPayload();
  setType(TYPE_BOOLEAN);
  boolean = b;
}

void Value::import(Number n) {
  if (type == TYPE_NUMBER && (placement & kIntegerInline) == 0 && number != nullptr) {
    *number = n;
    return;
  }
  Number* copy = new Number(n);
  dropPayload();
  setType(TYPE_NUMBER);
  number = copy;
}

void Value::import(int i) {
  import(static_cast<Number>(i));
}

void Value::import(const Null&) {
  dropPayload();
  setType(TYPE_NULL);
}

void Value::import(const String& s) {
  String* copy = new String(s);
  dropPayload();
  setType(TYPE_STRING);
  string = copy;
}

void Value::import(const char* s) {
  import(String(s));
}

void Value::import(const Array& a) {
  Array* copy = new Array(a);
  dropPayload();
  setType(TYPE_ARRAY);
  array = copy;
}

void Value::import(const Object& o) {
  Object* copy = new Object(o);
  dropPayload();
  setType(TYPE_OBJECT);
  object = copy;
}

void Value::import(const Value& other) {
  if (&other == this) return;
  switch (other.type) {
    case TYPE_NUMBER:
      import(other.numberValue());
      break;
    case TYPE_STRING: {
      String* copy = new String(other.text());
      dropPayload();
      setType(TYPE_STRING);
      string = copy;
      break;
    }
    case TYPE_BOOLEAN:
      import(other.boolean);
      break;
    case TYPE_NULL:
      import(Null());
      break;
    case TYPE_ARRAY:
      import(*other.array);
      break;
    case TYPE_OBJECT:
      import(*other.object);
      break;
    case TYPE_INVALID:
      dropPayload();
      setType(TYPE_INVALID);
      break;
    default:
      JSONDOC_ASSERT(!"not implemented");
      break;
  }
}

bool Value::parse(std::istream& input) {
  return parse(input, *this);
}

// ---- Object ----

namespace detail {

Key Key::Make(std::string_view bytes, Arena* arena) {
  const std::uint32_t n = static_cast<std::uint32_t>(bytes.size());
  char* block = arena != nullptr ? static_cast<char*>(arena->allocate(4 + bytes.size(), 4))
                                 : static_cast<char*>(::operator new(4 + bytes.size()));
  std::memcpy(block, &n, 4);
  if (n != 0) std::memcpy(block + 4, bytes.data(), bytes.size());
  return Key(reinterpret_cast<std::uintptr_t>(block) | (arena != nullptr ? 0 : 1));
}

void Key::release() const {
  if (onHeap()) ::operator delete(const_cast<char*>(block()));
}

Slot* Members::lowerBound(std::string_view key) const {
  Slot* first = data_;
  std::size_t count = size_;
  while (count > 0) {
    const std::size_t half = count / 2;
    if (BytesLess(first[half].key.view(), key)) {
      first += half + 1;
      count -= half + 1;
    } else {
      count = half;
    }
  }
  return first;
}

}  // namespace detail

Object::Object() = default;

Object::Object(const Object& other) : Object() {
  const std::size_t n = other.valueMap.size_;
  if (n == 0) return;
  moveToHeap(n);
  for (std::size_t i = 0; i < n; ++i) {
    const detail::Slot& from = other.valueMap.data_[i];
    detail::Slot* to = valueMap.data_ + i;
    to->key = detail::Key::Make(from.key.view(), nullptr);
    new (&to->value) Value();
    ++valueMap.size_;  // released by the destructor should the copy below throw
    to->value.import(from.value);
  }
}

Object::Object(const String& key, const Value& value) : Object() {
  import(key, value);
}

Object::~Object() {
  reset();
  if (Extra* e = extraOrNull()) {
    e->~Extra();
    std::free(e);
  }
}

void Object::reset() {
  for (std::uint32_t i = 0; i < valueMap.size_; ++i) {
    detail::Slot& slot = valueMap.data_[i];
    if (!slot.value.holdsNothing()) slot.value.~Value();
    slot.key.release();
  }
  valueMap.size_ = 0;
  Extra* e = extraOrNull();
  if (e == nullptr) {
    valueMap.data_ = nullptr;  // the block was in an arena
    return;
  }
  delete e->arena;
  e->arena = nullptr;
}

Object::Extra& Object::extra() {
  if (valueMap.capacity_ == 0) moveToHeap(valueMap.size_ < 4 ? 4 : valueMap.size_);
  return *extraOrNull();
}

void Object::moveToHeap(std::size_t capacity) {
  void* block = std::malloc(sizeof(Extra) + capacity * sizeof(detail::Slot));
  if (block == nullptr) throw std::bad_alloc();
  Extra* fresh = new (block) Extra;
  detail::Slot* slots = reinterpret_cast<detail::Slot*>(fresh + 1);
  if (valueMap.size_ != 0) {
    std::memcpy(static_cast<void*>(slots), static_cast<void*>(valueMap.data_),
                valueMap.size_ * sizeof(detail::Slot));
  }
  if (Extra* old = extraOrNull()) {
    fresh->pendingKey.swap(old->pendingKey);
    fresh->arena = old->arena;
    old->~Extra();
    std::free(old);
  }
  valueMap.data_ = slots;
  valueMap.capacity_ = static_cast<std::uint32_t>(capacity);
}

void Object::adoptSlots(const void* slots, std::size_t n, detail::Arena* arena) {
  if (valueMap.capacity_ == 0 && arena != nullptr) {
    void* block = arena->allocate(n * sizeof(detail::Slot), alignof(detail::Slot));
    valueMap.data_ = static_cast<detail::Slot*>(block);
  } else if (valueMap.capacity_ < n) {
    moveToHeap(n);
  }
  std::memcpy(static_cast<void*>(valueMap.data_), slots, n * sizeof(detail::Slot));
  valueMap.size_ = static_cast<std::uint32_t>(n);
}

// A document takes about twice its text; the first chunk is sized above that, so most documents
// need one chunk. Pages of a chunk that the document does not reach are never touched.
detail::Arena& Object::startArena(std::size_t textSize) {
  reset();
  const std::size_t first = textSize == 0 ? 4096 : textSize * 3 + 1024;
  detail::Arena* arena = new detail::Arena(first);
  extra().arena = arena;
  return *arena;
}

void Object::store(std::string_view key, Value& v) {
  detail::Slot* at = valueMap.lowerBound(key);
  detail::Slot* end = valueMap.data_ + valueMap.size_;
  if (at != end && detail::BytesEqual(at->key.view(), key)) {
    at->value.dropPayload();
    v.relocate(&at->value);
    return;
  }
  const std::size_t index = static_cast<std::size_t>(at - valueMap.data_);
  const detail::Key k = detail::Key::Make(key, nullptr);
  if (valueMap.size_ == valueMap.capacity_ || valueMap.capacity_ == 0) {
    try {
      moveToHeap(valueMap.size_ < 4 ? 4 : std::size_t(valueMap.size_) * 2);
    } catch (...) {
      k.release();
      throw;
    }
  }
  detail::Slot* slot = valueMap.data_ + index;
  std::memmove(static_cast<void*>(slot + 1), static_cast<void*>(slot),
               (valueMap.size_ - index) * sizeof(detail::Slot));
  slot->key = k;
  v.relocate(&slot->value);
  ++valueMap.size_;
}

namespace detail {

namespace {
// Chunks come from malloc: a chunk's pages are touched only as the document reaches them, and a
// chunk released after one answer is reused by the next one's.
struct ChunkHeader {
  void* next;
};
constexpr std::size_t kHeaderBytes = 16;
}  // namespace

Arena::~Arena() {
  while (chunks_ != nullptr) {
    ChunkHeader* header = static_cast<ChunkHeader*>(chunks_);
    chunks_ = header->next;
    std::free(header);
  }
}

// Each chunk is twice the previous one; a request larger than that gets a chunk of its own size.
void* Arena::grow(std::size_t size, std::size_t align) {
  const std::size_t bytes = std::max(nextChunk_, kHeaderBytes + size + align);
  void* chunk = std::malloc(bytes);
  if (chunk == nullptr) throw std::bad_alloc();
  ChunkHeader* header = static_cast<ChunkHeader*>(chunk);
  header->next = chunks_;
  chunks_ = chunk;
  cur_ = static_cast<char*>(chunk) + kHeaderBytes;
  end_ = static_cast<char*>(chunk) + bytes;
  nextChunk_ = std::min<std::size_t>(bytes * 2, std::size_t(1) << 30);
  return allocate(size, align);
}

}  // namespace detail

void Object::import(const Object& other) {
  clearPendingKey();
  if (&other == this) return;
  Object copy(other);
  for (std::uint32_t i = 0; i < copy.valueMap.size_; ++i) {
    store(copy.valueMap.data_[i].key.view(), copy.valueMap.data_[i].value);
  }
}

void Object::import(const String& key, const Value& value) {
  clearPendingKey();
  Value copy(value);
  store(key, copy);
}

Object& Object::operator=(const Object& other) {
  clearPendingKey();
  if (&other == this) return *this;
  Object copy(other);
  reset();
  valueMap.swap(copy.valueMap);
  return *this;
}

Object& Object::operator<<(const Value& v) {
  Extra* e = extraOrNull();
  if (e == nullptr || e->pendingKey.empty()) {
    const String& key = v.get<String>();
    if (!key.empty()) {
      extra().pendingKey = key;
    } else {
      clearPendingKey();
    }
  } else {
    String key;
    key.swap(e->pendingKey);
    import(key, v);
  }
  return *this;
}

Object& Object::operator<<(const Object& o) {
  String key;
  if (Extra* e = extraOrNull()) key.swap(e->pendingKey);
  import(key, Value(o));
  return *this;
}

bool Object::parse(std::istream& input) {
  return parse(input, *this);
}

// ---- Array ----

Array::Array() = default;

Array::Array(const Array& other) : Array() {
  import(other);
}

Array::Array(const Value& v) : Array() {
  import(v);
}

Array::~Array() {
  reset();
}

void Array::reset() {
  for (std::uint32_t i = 0; i < valueList.size_; ++i) {
    if (!valueList.data_[i].holdsNothing()) valueList.data_[i].~Value();
  }
  if (valueList.capacity_ != 0) std::free(valueList.data_);
  valueList.data_ = nullptr;
  valueList.size_ = 0;
  valueList.capacity_ = 0;
}

void Array::append(Value& v) {
  if (valueList.size_ == valueList.capacity_ || valueList.capacity_ == 0) {
    const std::size_t capacity = valueList.size_ < 4 ? 4 : std::size_t(valueList.size_) * 2;
    void* block = std::malloc(capacity * sizeof(Value));
    if (block == nullptr) throw std::bad_alloc();
    if (valueList.size_ != 0) {
      std::memcpy(block, static_cast<void*>(valueList.data_), valueList.size_ * sizeof(Value));
    }
    if (valueList.capacity_ != 0) std::free(valueList.data_);
    valueList.data_ = static_cast<Value*>(block);
    valueList.capacity_ = static_cast<std::uint32_t>(capacity);
  }
  v.relocate(valueList.data_ + valueList.size_);
  ++valueList.size_;
}

void Array::import(const Array& other) {
  Array copy;
  for (std::uint32_t i = 0; i < other.valueList.size_; ++i) copy.import(other.valueList.data_[i]);
  for (std::uint32_t i = 0; i < copy.valueList.size_; ++i) append(copy.valueList.data_[i]);
  copy.valueList.size_ = 0;  // every element moved out
}

void Array::import(const Value& v) {
  Value copy(v);
  append(copy);
}

Array& Array::operator<<(const Array& other) {
  import(other);
  return *this;
}

Array& Array::operator<<(const Value& v) {
  import(v);
  return *this;
}

Array& Array::operator=(const Array& other) {
  if (&other == this) return *this;
  Array copy(other);
  reset();
  valueList.swap(copy.valueList);
  return *this;
}

Array& Array::operator=(const Value& v) {
  Value copy(v);
  reset();
  append(copy);
  return *this;
}

bool Array::parse(std::istream& input) {
  return parse(input, *this);
}

}  // namespace jsondoc
