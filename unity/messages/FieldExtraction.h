// Extraction of answer attributes into records: dotted key paths resolved in a parsed object,
// the per-message field map, the nullable marker and the typed conversions.
//
// Field map (EMCUnityJsonBase::fieldKeys): key path -> before extraction null (required) or
// nullableKey (may be absent); after GetJsonValues a non-owning jsondoc::Value* into the object
// that was searched, valid only while that object lives, or null for an absent nullable key.
//
// Conversions never stop the process: a value of another JSON type than the conversion reads
// (JSON null included) or a number outside the target's range fails the conversion, which
// callers treat like an absent value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "json/jsondoc.h"

// Marks a field-map entry as nullable; differs from null and from every value's address.
extern void* const nullableKey;

// Resolves `keyPath` ("a.b.c": every component but the last must name an object) in `object`.
// On success `out` points into `object` (null only for an empty path); on failure `out` is
// untouched.
bool ParseJsonValue(jsondoc::Object* object, const std::string& keyPath, jsondoc::Value*& out);

// Resolves every key of `fieldMap` in `object` (a jsondoc::Object*), in key order, storing the
// value pointers in the map. A missing nullable key gets null; a missing required key fails at
// once (later keys keep their previous values).
bool GetJsonValues(void* object, std::map<std::string, void*>& fieldMap);

// A field map prepared for reading many records with one set of keys: each key path split once,
// and the map's entries and the slots of a nullable-key table found once, so that a record costs
// no path splitting and no lookups in the map. The results and log lines are those of
// GetJsonValues and MarkNullableKeys. Valid while the map keeps its entries (values may change);
// `stale` tells when entries were added or removed.
class FieldMapReader {
 public:
  typedef std::map<std::string, void*> FieldMap;

  explicit FieldMapReader(FieldMap& fieldMap);

  bool stale() const { return fieldMap_.size() != entries_.size(); }
  // GetJsonValues(object, fieldMap).
  bool resolve(jsondoc::Object* object);
  // The entry of `key`, or null when the map has none.
  FieldMap::value_type* find(std::string_view key) const;
  // Sets the nullable marker again on the slots cached for the key table `keys` of `count` keys;
  // false (nothing done) when another table, or none, was cached.
  bool remark(const void* keys, std::size_t count) const;
  void cacheMarks(const void* keys, std::size_t count, std::vector<void**> slots);

 private:
  struct Step {
    std::string head;
    bool needsObject;
    std::uint32_t hint;  // where the key was in the last record: records share their layout
  };
  struct Entry {
    FieldMap::value_type* slot;
    std::vector<Step> steps;
  };
  FieldMap& fieldMap_;
  std::vector<Entry> entries_;
  const void* markedKeys_ = nullptr;
  std::size_t markedCount_ = 0;
  std::vector<void**> markedSlots_;
  // For each entry, the one found after it the last time: where find looks first.
  mutable std::vector<std::size_t> follower_;
  mutable std::size_t last_ = 0;
};

// Converts the jsondoc::Value at `value` (may be null), read as JSON type T, into `out`. Numbers
// are truncated toward zero and must fit R ([0, 2^64) for unsigned long long). Defined for:
//   String -> std::string, Boolean -> bool, Number -> int, long, unsigned long long,
//   jsondoc::Array -> jsondoc::Array, jsondoc::Object -> jsondoc::Object.
// Hidden explicitly: GCC gives explicit specializations over standard-library types default
// visibility despite -fvisibility=hidden, and these are not part of the library's interface.
template <typename T, typename R>
__attribute__((visibility("hidden"))) bool ParseValue(void* value, R& out);

template <>
bool ParseValue<jsondoc::String, std::string>(void* value, std::string& out);
template <>
bool ParseValue<jsondoc::Boolean, bool>(void* value, bool& out);
template <>
bool ParseValue<jsondoc::Number, int>(void* value, int& out);
template <>
bool ParseValue<jsondoc::Number, long>(void* value, long& out);
template <>
bool ParseValue<jsondoc::Number, unsigned long long>(void* value, unsigned long long& out);
template <>
bool ParseValue<jsondoc::Array, jsondoc::Array>(void* value, jsondoc::Array& out);
template <>
bool ParseValue<jsondoc::Object, jsondoc::Object>(void* value, jsondoc::Object& out);

// Logs that the step `head` of `keyPath` is not in the object searched (level 5).
void LogKeyNotFound(const std::string& keyPath, std::string_view head);

// Logs that `key` is not in a field map; the failure branch of GetFieldValue.
void LogMissingFieldKey(const char* tag, const std::string& key);

// Reads one field of a filled field map: ParseValue<T, R> of the key's value pointer.
template <typename T, typename M, typename R>
bool GetFieldValue(M fieldMap, std::string key, R& out);

namespace field_extraction_detail {
template <typename T>
struct TypeName;
template <>
struct TypeName<std::string> {
  static constexpr const char* kName = "std::string";
};
template <>
struct TypeName<bool> {
  static constexpr const char* kName = "bool";
};
template <>
struct TypeName<int> {
  static constexpr const char* kName = "int";
};
template <>
struct TypeName<long> {
  static constexpr const char* kName = "long int";
};
template <>
struct TypeName<long double> {
  static constexpr const char* kName = "long double";
};
template <>
struct TypeName<unsigned long long> {
  static constexpr const char* kName = "long long unsigned int";
};
template <>
struct TypeName<jsondoc::Array> {
  static constexpr const char* kName = "jsondoc::Array";
};
template <>
struct TypeName<jsondoc::Object> {
  static constexpr const char* kName = "jsondoc::Object";
};
}  // namespace field_extraction_detail

template <typename T, typename M, typename R>
bool GetFieldValue(M fieldMap, std::string key, R& out) {
  const typename M::iterator it = fieldMap.find(key);
  if (it == fieldMap.end()) {
    const std::string tag =
        std::string("bool GetFieldValue(M, std::string, R&) [with T = ") +
        field_extraction_detail::TypeName<T>::kName +
        "; M = std::map<std::string, void*>; R = " + field_extraction_detail::TypeName<R>::kName +
        "]";
    LogMissingFieldKey(tag.c_str(), key);
    return false;
  }
  return ParseValue<T, R>(it->second, out);
}

// ParseJsonValue followed by ParseValue<T, R>: one typed attribute of an object by key path.
template <typename T, typename R>
bool ReadPathValue(jsondoc::Object* object, const std::string& keyPath, R& out) {
  jsondoc::Value* value = nullptr;
  return ParseJsonValue(object, keyPath, value) && ParseValue<T, R>(value, out);
}

// The object held by `value`, or null when `value` is null or holds another type.
inline jsondoc::Object* ObjectOf(jsondoc::Value* value) {
  return value != nullptr && value->is<jsondoc::Object>() ? &value->get<jsondoc::Object>()
                                                          : nullptr;
}
