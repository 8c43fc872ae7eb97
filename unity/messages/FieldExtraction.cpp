#include "unity/messages/FieldExtraction.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "platform/DiagLog.h"

namespace {

const char dummy = 0;

const char* JsonTypeName(const jsondoc::Value& value) {
  switch (value.type_tag()) {
    case jsondoc::Value::TYPE_NUMBER:
      return "number";
    case jsondoc::Value::TYPE_STRING:
      return "string";
    case jsondoc::Value::TYPE_BOOLEAN:
      return "boolean";
    case jsondoc::Value::TYPE_NULL:
      return "null";
    case jsondoc::Value::TYPE_ARRAY:
      return "array";
    case jsondoc::Value::TYPE_OBJECT:
      return "object";
    default:
      return "invalid";
  }
}

// The value at `raw` when it holds T; otherwise logs why not (absent, JSON null or another type)
// and returns null. get<T> is only ever reached through this check.
template <typename T>
jsondoc::Value* TypedValue(void* raw, const std::string& tag) {
  jsondoc::Value* value = static_cast<jsondoc::Value*>(raw);
  if (value == nullptr || value->is<jsondoc::Null>()) {
    // Absent optional keys come here for every record: the line is built only when kept.
    if (diaglog::wouldLog(3)) DiagLog().logLevelNoJob(tag, 3, "Null value");
    return nullptr;
  }
  if (!value->is<T>()) {
    DiagLog().logLevelNoJob(tag, 3, "Value of JSON type [%s] where [%s] is expected",
                            JsonTypeName(*value), field_extraction_detail::TypeName<T>::kName);
    return nullptr;
  }
  return value;
}

// Truncates the number at `raw` toward zero into an integer type whose range is [low, high),
// given as exact long doubles. NaN, infinities and values out of range fail: converting them
// would be undefined.
template <typename R>
bool ParseInteger(void* raw, R& out, long double low, long double high, const std::string& tag) {
  jsondoc::Value* value = TypedValue<jsondoc::Number>(raw, tag);
  if (value == nullptr) return false;
  // The integers of a parsed document (ids, sizes) are read without floating point where they
  // fit; the rest, and every failure, takes the general way below.
  std::uint64_t magnitude = 0;
  bool negative = false;
  if (jsondoc::detail::DirectRead::integer(*value, magnitude, negative)) {
    const std::uint64_t most = static_cast<std::uint64_t>(std::numeric_limits<R>::max());
    if (!negative && magnitude <= most) {
      out = static_cast<R>(magnitude);
      return true;
    }
    if (negative && magnitude == 0) {
      out = 0;
      return true;
    }
    if (std::numeric_limits<R>::is_signed && negative && magnitude <= most) {
      out = static_cast<R>(-static_cast<R>(magnitude));
      return true;
    }
  }
  // Read in place: get<Number>() would give every integer of the document a Number of its own.
  const jsondoc::Number number = jsondoc::detail::DirectRead::number(*value);
  const long double truncated = std::trunc(number);
  if (!(truncated >= low && truncated < high)) {
    DiagLog log;
    log.logLevelNoJob(tag, 3, "Number [%.21Lg] out of range", number);
    return false;
  }
  out = static_cast<R>(truncated);
  return true;
}

template <typename T, typename R>
bool CopyValue(void* raw, R& out, const std::string& tag) {
  jsondoc::Value* value = TypedValue<T>(raw, tag);
  if (value == nullptr) return false;
  out = value->get<T>();
  return true;
}

}  // namespace

void* const nullableKey = const_cast<char*>(&dummy);

namespace {

const std::string& ParseJsonValueTag() {
  // Built once: the log calls take the tag as a std::string, and a key that is absent (an
  // optional attribute) is logged on every record.
  static const std::string kTag =
      "bool ParseJsonValue(jsondoc::Object*, const string&, jsondoc::Value*&)";
  return kTag;
}

}  // namespace

void LogKeyNotFound(const std::string& keyPath, std::string_view head) {
  if (!diaglog::wouldLog(5)) return;  // absent optional keys are logged for every record
  DiagLog log;
  log.logLevelNoJob(ParseJsonValueTag(), 5, "Failed to Get key [%s] at [%.*s].", keyPath.c_str(),
                    static_cast<int>(head.size()), head.data());
}

namespace {

// One step of a key path: `head` looked up in `current`, whose value becomes `found`; when more
// steps follow (`needsObject`) that value must be an object and becomes `current`. `hint` is the
// entry index where the key was in the last object searched (see DirectRead::find).
bool ResolveStep(jsondoc::Object*& current, jsondoc::Value*& found, const std::string& keyPath,
                 const std::string& head, bool needsObject, std::uint32_t& hint) {
  jsondoc::Value* value = current != nullptr
                              ? jsondoc::detail::DirectRead::find(current->kv_map(), head, hint)
                              : nullptr;
  if (value == nullptr) {
    LogKeyNotFound(keyPath, head);
    return false;
  }
  found = value;
  if (needsObject) {
    current = ObjectOf(found);
    if (current == nullptr) {
      DiagLog log;
      log.logLevelNoJob(ParseJsonValueTag(), -1, "Failed to Get Object for key [%s] at [%s].",
                        keyPath.c_str(), head.c_str());
      return false;
    }
  }
  return true;
}

void ResolvedPath(const std::string& keyPath, jsondoc::Value* found, jsondoc::Value*& out) {
  out = found;
  if (found == nullptr) {
    DiagLog log;
    log.logLevelNoJob(ParseJsonValueTag(), -1, "Warning: Got NULL value for key [%s]",
                      keyPath.c_str());
  }
}

// Calls step(head, needsObject) for each key of a dotted path, in order, while it returns true.
template <typename Step>
bool ForEachPathStep(const std::string& keyPath, Step step) {
  std::string part;  // a key of a dotted path, without copying the rest of the path
  for (std::size_t at = 0; at < keyPath.size();) {
    const std::size_t dot = keyPath.find('.', at);
    // A path without a dot is its own key and is looked up as it is.
    if (at != 0 || dot != std::string::npos) {
      part.assign(keyPath, at, dot == std::string::npos ? std::string::npos : dot - at);
    }
    const std::string& head = at == 0 && dot == std::string::npos ? keyPath : part;
    if (!step(head, dot != std::string::npos)) return false;
    at = dot == std::string::npos ? keyPath.size() : dot + 1;
  }
  return true;
}

}  // namespace

bool ParseJsonValue(jsondoc::Object* object, const std::string& keyPath, jsondoc::Value*& out) {
  jsondoc::Object* current = object;
  jsondoc::Value* found = nullptr;
  if (!ForEachPathStep(keyPath, [&](const std::string& head, bool needsObject) {
        std::uint32_t hint = 0;
        return ResolveStep(current, found, keyPath, head, needsObject, hint);
      })) {
    return false;
  }
  ResolvedPath(keyPath, found, out);
  return true;
}

namespace {
// The field-map rule for one key: a resolved value is stored, an absent nullable key gets null,
// an absent required key fails.
bool StoreFieldValue(std::map<std::string, void*>::value_type& entry, bool resolved,
                     jsondoc::Value* value) {
  if (resolved) {
    entry.second = value;
  } else if (entry.second == nullableKey) {
    entry.second = nullptr;
  } else {
    return false;
  }
  return true;
}
}  // namespace

bool GetJsonValues(void* object, std::map<std::string, void*>& fieldMap) {
  jsondoc::Object* content = static_cast<jsondoc::Object*>(object);
  for (std::map<std::string, void*>::value_type& entry : fieldMap) {
    jsondoc::Value* value = nullptr;
    const bool resolved = ParseJsonValue(content, entry.first, value);
    if (!StoreFieldValue(entry, resolved, value)) return false;
  }
  return true;
}

FieldMapReader::FieldMapReader(FieldMap& fieldMap) : fieldMap_(fieldMap) {
  entries_.reserve(fieldMap.size());
  for (FieldMap::value_type& entry : fieldMap) {
    Entry e{&entry, {}};
    ForEachPathStep(entry.first, [&e](const std::string& head, bool needsObject) {
      e.steps.push_back(Step{head, needsObject, 0});
      return true;
    });
    entries_.push_back(std::move(e));
  }
  follower_.assign(entries_.size(), 0);
}

bool FieldMapReader::resolve(jsondoc::Object* object) {
  for (Entry& entry : entries_) {
    jsondoc::Object* current = object;
    jsondoc::Value* found = nullptr;
    bool resolved = true;
    for (Step& step : entry.steps) {
      if (!ResolveStep(current, found, entry.slot->first, step.head, step.needsObject, step.hint)) {
        resolved = false;
        break;
      }
    }
    jsondoc::Value* value = nullptr;
    if (resolved) ResolvedPath(entry.slot->first, found, value);
    if (!StoreFieldValue(*entry.slot, resolved, value)) return false;
  }
  return true;
}

FieldMapReader::FieldMap::value_type* FieldMapReader::find(std::string_view key) const {
  // Records read their fields in one order: the entry that followed the last one found, the
  // previous time, is tried first.
  const auto matches = [&](std::size_t at) {
    return jsondoc::detail::BytesEqual(entries_[at].slot->first, key);
  };
  if (entries_.empty()) return nullptr;
  std::size_t& predicted = follower_[last_];
  std::size_t at = predicted;
  if (!matches(at)) {
    for (at = 0; at < entries_.size() && !matches(at); ++at) {
    }
    if (at == entries_.size()) return nullptr;
    predicted = at;
  }
  last_ = at;
  return entries_[at].slot;
}

bool FieldMapReader::remark(const void* keys, std::size_t count) const {
  if (keys != markedKeys_ || count != markedCount_ || markedKeys_ == nullptr) return false;
  for (void** slot : markedSlots_) *slot = nullableKey;
  return true;
}

void FieldMapReader::cacheMarks(const void* keys, std::size_t count, std::vector<void**> slots) {
  markedKeys_ = keys;
  markedCount_ = count;
  markedSlots_ = std::move(slots);
}

void LogMissingFieldKey(const char* tag, const std::string& key) {
  DiagLog log;
  log.logLevelNoJob(tag, -1, "Failed to get value for key [%s] from parsed json map", key.c_str());
}

// Each tag is built once: the log calls take it as a std::string, and the absent value of an
// optional attribute is logged on every record read.
template <>
bool ParseValue<jsondoc::String, std::string>(void* value, std::string& out) {
  static const std::string kTag =
      "bool ParseValue(void*, R&) [with T = std::string; R = std::string]";
  // The bytes are copied straight from the document: get<String>() would first give the value a
  // String of its own, one more allocation and copy per field.
  const jsondoc::Value* text = TypedValue<jsondoc::String>(value, kTag);
  if (text == nullptr) return false;
  const std::string_view bytes = jsondoc::detail::DirectRead::text(*text);
  jsondoc::detail::SetBytes(out, bytes.data(), bytes.size());
  return true;
}

template <>
bool ParseValue<jsondoc::Boolean, bool>(void* value, bool& out) {
  static const std::string kTag = "bool ParseValue(void*, R&) [with T = bool; R = bool]";
  return CopyValue<jsondoc::Boolean>(value, out, kTag);
}

template <>
bool ParseValue<jsondoc::Array, jsondoc::Array>(void* value, jsondoc::Array& out) {
  static const std::string kTag =
      "bool ParseValue(void*, R&) [with T = jsondoc::Array; R = jsondoc::Array]";
  return CopyValue<jsondoc::Array>(value, out, kTag);
}

template <>
bool ParseValue<jsondoc::Object, jsondoc::Object>(void* value, jsondoc::Object& out) {
  static const std::string kTag =
      "bool ParseValue(void*, R&) [with T = jsondoc::Object; R = jsondoc::Object]";
  return CopyValue<jsondoc::Object>(value, out, kTag);
}

template <>
bool ParseValue<jsondoc::Number, int>(void* value, int& out) {
  static const std::string kTag = "bool ParseValue(void*, R&) [with T = long double; R = int]";
  return ParseInteger(value, out, std::numeric_limits<int>::min(),
                      static_cast<long double>(std::numeric_limits<int>::max()) + 1, kTag);
}

template <>
bool ParseValue<jsondoc::Number, long>(void* value, long& out) {
  static const std::string kTag = "bool ParseValue(void*, R&) [with T = long double; R = long int]";
  return ParseInteger(value, out, -0x1p63L, 0x1p63L, kTag);
}

template <>
bool ParseValue<jsondoc::Number, unsigned long long>(void* value, unsigned long long& out) {
  static const std::string kTag =
      "bool ParseValue(void*, R&) [with T = long double; R = long long unsigned int]";
  return ParseInteger(value, out, 0.0L, 0x1p64L, kTag);
}
