// The document model: ownership, deep copies and the builder operators.
//
// Every operation that replaces content first builds the deep copy and only then releases the old
// content, so copying from a value that lives inside the target (a child imported into its parent,
// an array imported into itself) never reads freed memory.

// Preconditions abort in every build type, so the assertion machinery stays on.
#undef NDEBUG
#include "json/jsondoc.h"

#include <assert.h>
#include <sys/mman.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

Value::Value() : type(TYPE_INVALID), object(nullptr) {}

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

Value::~Value() {
  dropPayload();
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
      Drop(number, inArena);
      break;
    case TYPE_STRING:
      Drop(string, inArena);
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
  placement = static_cast<std::uint8_t>(placement & ~kPayloadInArena);
}

void Value::release(Value* v) {
  if (v == nullptr) return;
  if ((v->placement & kSelfInArena) != 0) {
    v->~Value();
  } else {
    delete v;
  }
}

bool Value::empty() const {
  switch (type) {
    case TYPE_INVALID:
      return true;
    case TYPE_STRING:
      return string == nullptr;
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
  type = TYPE_BOOLEAN;
  boolean = b;
}

void Value::import(Number n) {
  if (type == TYPE_NUMBER && number != nullptr) {
    *number = n;
    return;
  }
  Number* copy = new Number(n);
  dropPayload();
  type = TYPE_NUMBER;
  number = copy;
}

void Value::import(int i) {
  import(static_cast<Number>(i));
}

void Value::import(const Null&) {
  dropPayload();
  type = TYPE_NULL;
}

void Value::import(const String& s) {
  String* copy = new String(s);
  dropPayload();
  type = TYPE_STRING;
  string = copy;
}

void Value::import(const char* s) {
  import(String(s));
}

void Value::import(const Array& a) {
  Array* copy = new Array(a);
  dropPayload();
  type = TYPE_ARRAY;
  array = copy;
}

void Value::import(const Object& o) {
  Object* copy = new Object(o);
  dropPayload();
  type = TYPE_OBJECT;
  object = copy;
}

void Value::import(const Value& other) {
  if (&other == this) return;
  switch (other.type) {
    case TYPE_NUMBER:
      import(*other.number);
      break;
    case TYPE_STRING:
      import(*other.string);
      break;
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
      type = TYPE_INVALID;
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

Object::Object() = default;

// Delegating, so that the destructor runs when a copy fails half-way on allocation.
Object::Object(const Object& other) : Object() {
  for (const Map::value_type& entry : other.valueMap) {
    std::unique_ptr<Value> copy(new Value(*entry.second));
    valueMap.emplace_hint(valueMap.end(), entry.first, copy.get());
    copy.release();
  }
}

Object::Object(const String& key, const Value& value) : Object() {
  import(key, value);
}

Object::~Object() {
  reset();
}

void Object::reset() {
  for (Map::value_type& entry : valueMap) Value::release(entry.second);
  valueMap.clear();
  detail::Arena* arena = valueMap.get_allocator().arena();
  if (arena != nullptr && arena->owner() == this) {
    valueMap = Map();  // back on the heap before the arena goes
    delete arena;
  }
}

// A document takes five to seven times its text; the first chunk is sized above that, so most
// documents need one chunk. Pages of a chunk that the document does not reach are never touched.
detail::Arena& Object::startArena(std::size_t textSize) {
  reset();
  const std::size_t first = textSize == 0 ? 4096 : textSize * 8 + 1024;
  detail::Arena* arena = new detail::Arena(this, first);
  valueMap = Map(Map::allocator_type(arena));
  return *arena;
}

namespace detail {

namespace {
// Chunks from this size are mapped directly, on 2 MB pages where the system offers them on
// request: a large document then costs a few page faults instead of one per 4 kB.
constexpr std::size_t kMappedChunk = 16u << 20;
constexpr std::size_t kHugePage = 2u << 20;

struct ChunkHeader {
  void* next;
  std::size_t mappedBytes;  // 0 for a chunk from malloc
};
constexpr std::size_t kHeaderBytes = (sizeof(ChunkHeader) + 15) & ~std::size_t(15);

void* MapChunk(std::size_t bytes) {
  void* raw =
      mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (begin + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned != begin) munmap(raw, aligned - begin);
  const std::size_t tail = (begin + bytes + kHugePage) - (aligned + bytes);
  if (tail != 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}
}  // namespace

Arena::~Arena() {
  while (chunks_ != nullptr) {
    ChunkHeader* header = static_cast<ChunkHeader*>(chunks_);
    chunks_ = header->next;
    if (header->mappedBytes != 0) {
      munmap(header, header->mappedBytes);
    } else {
      std::free(header);
    }
  }
}

// Each chunk is twice the previous one; a request larger than that gets a chunk of its own size.
void* Arena::grow(std::size_t size, std::size_t align) {
  std::size_t bytes = std::max(nextChunk_, kHeaderBytes + size + align);
  void* chunk = nullptr;
  std::size_t mapped = 0;
  if (bytes >= kMappedChunk) {
    bytes = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    chunk = MapChunk(bytes);
    mapped = bytes;
  } else {
    chunk = std::malloc(bytes);
  }
  if (chunk == nullptr) throw std::bad_alloc();
  ChunkHeader* header = static_cast<ChunkHeader*>(chunk);
  header->next = chunks_;
  header->mappedBytes = mapped;
  chunks_ = chunk;
  cur_ = static_cast<char*>(chunk) + kHeaderBytes;
  end_ = static_cast<char*>(chunk) + bytes;
  nextChunk_ = std::min<std::size_t>(bytes * 2, std::size_t(1) << 30);
  return allocate(size, align);
}

}  // namespace detail

void Object::import(const Object& other) {
  pendingKey.reset();
  if (&other == this) return;
  Object copy(other);
  for (Map::value_type& entry : copy.valueMap) {
    Map::iterator it = valueMap.find(entry.first);
    if (it != valueMap.end()) {
      Value::release(it->second);
      it->second = entry.second;
    } else {
      valueMap.emplace(entry.first, entry.second);
    }
    entry.second = nullptr;
  }
}

void Object::import(const String& key, const Value& value) {
  pendingKey.reset();
  std::unique_ptr<Value> copy(new Value(value));
  Map::iterator it = valueMap.find(key);
  if (it != valueMap.end()) {
    Value::release(it->second);
    it->second = copy.release();
  } else {
    valueMap.emplace(key, copy.get());
    copy.release();
  }
}

Object& Object::operator=(const Object& other) {
  pendingKey.reset();
  if (&other == this) return *this;
  Object copy(other);
  reset();
  valueMap.swap(copy.valueMap);
  return *this;
}

Object& Object::operator<<(const Value& v) {
  if (!pendingKey || pendingKey->empty()) {
    const String& key = v.get<String>();
    pendingKey.reset(key.empty() ? nullptr : new String(key));
  } else {
    std::unique_ptr<String> key(std::move(pendingKey));
    import(*key, v);
  }
  return *this;
}

Object& Object::operator<<(const Object& o) {
  std::unique_ptr<String> key(std::move(pendingKey));
  import(key ? *key : String(), Value(o));
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
  for (Value* v : valueList) Value::release(v);
  valueList.clear();
}

void Array::import(const Array& other) {
  Array copy;
  copy.valueList.reserve(other.valueList.size());
  for (const Value* v : other.valueList) copy.import(*v);
  valueList.reserve(valueList.size() + copy.valueList.size());
  valueList.insert(valueList.end(), copy.valueList.begin(), copy.valueList.end());
  copy.valueList.clear();
}

void Array::import(const Value& v) {
  std::unique_ptr<Value> copy(new Value(v));
  valueList.push_back(copy.get());
  copy.release();
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
  std::unique_ptr<Value> copy(new Value(v));
  reset();
  valueList.push_back(copy.get());
  copy.release();
  return *this;
}

bool Array::parse(std::istream& input) {
  return parse(input, *this);
}

}  // namespace jsondoc
