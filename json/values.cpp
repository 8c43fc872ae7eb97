// The document model: ownership, deep copies and the builder operators.
//
// Every operation that replaces content first builds the deep copy and only then releases the old
// content, so copying from a value that lives inside the target (a child imported into its parent,
// an array imported into itself) never reads freed memory.

// Preconditions abort in every build type, so the assertion machinery stays on.
#undef NDEBUG
#include "json/jsondoc.h"

#include <assert.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
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
  reset();
}

Value& Value::operator=(const Value& other) {
  import(other);
  return *this;
}

void Value::reset() {
  switch (type) {
    case TYPE_STRING:
      delete string;
      string = nullptr;
      break;
    case TYPE_ARRAY:
      delete array;
      array = nullptr;
      break;
    case TYPE_OBJECT:
      delete object;
      object = nullptr;
      break;
    default:
      break;
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
  reset();
  type = TYPE_BOOLEAN;
  boolean = b;
}

void Value::import(Number n) {
  reset();
  type = TYPE_NUMBER;
  number = n;
}

void Value::import(int i) {
  import(static_cast<Number>(i));
}

void Value::import(const Null&) {
  reset();
  type = TYPE_NULL;
}

void Value::import(const String& s) {
  String* copy = new String(s);
  reset();
  type = TYPE_STRING;
  string = copy;
}

void Value::import(const char* s) {
  import(String(s));
}

void Value::import(const Array& a) {
  Array* copy = new Array(a);
  reset();
  type = TYPE_ARRAY;
  array = copy;
}

void Value::import(const Object& o) {
  Object* copy = new Object(o);
  reset();
  type = TYPE_OBJECT;
  object = copy;
}

void Value::import(const Value& other) {
  if (&other == this) return;
  switch (other.type) {
    case TYPE_NUMBER:
      import(other.number);
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
      reset();
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
  for (Map::value_type& entry : valueMap) delete entry.second;
  valueMap.clear();
}

void Object::import(const Object& other) {
  pendingKey.clear();
  if (&other == this) return;
  Object copy(other);
  for (Map::value_type& entry : copy.valueMap) {
    Map::iterator it = valueMap.find(entry.first);
    if (it != valueMap.end()) {
      delete it->second;
      it->second = entry.second;
    } else {
      valueMap.emplace(entry.first, entry.second);
    }
    entry.second = nullptr;
  }
}

void Object::import(const String& key, const Value& value) {
  pendingKey.clear();
  std::unique_ptr<Value> copy(new Value(value));
  Map::iterator it = valueMap.find(key);
  if (it != valueMap.end()) {
    delete it->second;
    it->second = copy.release();
  } else {
    valueMap.emplace(key, copy.get());
    copy.release();
  }
}

Object& Object::operator=(const Object& other) {
  pendingKey.clear();
  if (&other == this) return *this;
  Object copy(other);
  reset();
  valueMap.swap(copy.valueMap);
  return *this;
}

Object& Object::operator<<(const Value& v) {
  if (pendingKey.empty()) {
    pendingKey = v.get<String>();
  } else {
    String key;
    key.swap(pendingKey);
    import(key, v);
  }
  return *this;
}

Object& Object::operator<<(const Object& o) {
  String key;
  key.swap(pendingKey);
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
  for (Value* v : valueList) delete v;
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
