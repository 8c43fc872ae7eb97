// The records of one list page read straight from its text, for messages whose records read only
// typed keys of the field map (UnityListOptions::directKeys): no document is built for the
// entries, which are most of a page. Only a plainly written page is taken: an object with one
// "entries" array and no "error", whose elements are objects with one "content" object holding
// every required key of the map (and any of the others) once, with its declared type, all in
// JSON without escapes or comments. Any other page is left to the document reader. The page is
// read whole before a record is visited. A record's fields are then read from the page by key
// index (ReadField and FieldEntry ask it), with the results, log lines and field-map entries the
// document reader gives them, so the records, state and log of the two readings are the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "json/jsondoc.h"
#include "unity/messages/EMCUnityJsonBase.h"

class DirectListPage {
 public:
  DirectListPage(const UnityListOptions& options, std::map<std::string, void*>& fieldKeys);
  ~DirectListPage();  // gives the field map back the values it had
  DirectListPage(const DirectListPage&) = delete;
  DirectListPage& operator=(const DirectListPage&) = delete;

  // Reads every element of `page`, which must outlive this object (values borrow its bytes);
  // false when the page is not plainly written. `rest` gets the page with an empty "entries".
  bool read(const std::string& page, std::string& rest);
  std::size_t size() const { return found_.size(); }
  // Makes record `record` the one read, with the document reader's log line for each absent
  // key, in the map's order.
  void visit(std::size_t record);

  static constexpr std::size_t kNoKey = ~std::size_t(0);
  // The index of the key with path `path`, or kNoKey when the field map has no such key.
  // Records ask for their keys in one order, so the key asked for after the last one, the
  // previous time, is tried first; the path is usually the very literal of the key table.
  std::size_t key(std::string_view path) {
    const std::size_t i = askGuess_.predicted();
    if (i == count_ || paths_[i].data() != path.data() || paths_[i].size() != path.size()) {
      return FindKey(path);
    }
    askGuess_.take(i);
    return i;
  }
  // The record's value of `key` where it is there with the type `out` reads and fits it: a
  // string, a boolean or an integer in range. False, with `out` unchanged, otherwise.
  bool read(std::size_t key, std::string& out) const {
    const Field* field = Typed(key, UnityFieldType::kText);
    if (field == nullptr) return false;
    jsondoc::detail::SetBytes(out, field->text, field->integer);
    return true;
  }
  bool read(std::size_t key, bool& out) const {
    const Field* field = Typed(key, UnityFieldType::kBoolean);
    if (field == nullptr) return false;
    out = field->integer != 0;
    return true;
  }
  bool read(std::size_t key, int& out) const { return readInteger(key, out); }
  bool read(std::size_t key, long& out) const { return readInteger(key, out); }
  bool read(std::size_t key, unsigned long long& out) const { return readInteger(key, out); }
  // True when the record lacks `key` and reading it would log nothing: the read then only fails.
  bool absentUnlogged(std::size_t key) const {
    return !logsNulls_ && (found_[record_] & (std::uint64_t(1) << key)) == 0;
  }
  // The field map's entry of `key`, pointed at the record's value as the document reader would
  // point it (null for an absent key).
  std::map<std::string, void*>::value_type* entry(std::size_t key);

 private:
  class Text;
  static constexpr std::size_t kRoot = ~std::size_t(0);
  // A key's last name, or an object on a key's path, under its parent object (or the content).
  struct Name {
    std::size_t parent;
    std::string_view name;
    UnityFieldType type;
  };
  // One key's value in one record, as the text holds it.
  struct Field {
    Field() {}       // left unset: each element's fields are set as its keys are found
    const char* at;  // where the value starts
    const char* text;
    std::uint64_t integer;  // the length of a text
  };
  // One value of the kept element shape, after the bytes before it.
  struct Step {
    std::uint32_t literal;  // the length of those bytes
    // A key's value of its type (kText to kUnsigned), or a value passed over.
    enum Kind : std::uint32_t { kText, kBoolean, kUnsigned, kString, kInteger, kEnd } kind;
    // For a key's value, the key; for kString, the length of the string kept after the bytes.
    std::size_t key;
  };

  template <typename R>
  bool readInteger(std::size_t key, R& out) const {
    const Field* field = Typed(key, UnityFieldType::kUnsigned);
    if (field == nullptr ||
        field->integer > static_cast<std::uint64_t>(std::numeric_limits<R>::max())) {
      return false;
    }
    out = static_cast<R>(field->integer);
    return true;
  }
  const Field* Typed(std::size_t key, UnityFieldType type) const {
    if ((found_[record_] & (std::uint64_t(1) << key)) == 0 || leaves_[key].type != type) {
      return nullptr;
    }
    return &fields_[record_ * count_ + key];
  }
  std::size_t FindKey(std::string_view path);
  std::size_t Parent(std::string_view path);
  std::string_view MissingStep(const Name& leaf, std::uint64_t objectsSeen) const;
  bool ReadEntry(Text& in);
  void LearnShape(const char* begin, const char* end);
  bool ReadShaped(Text& in);
  void FoldRepeatedStrings();
  bool ReadContent(Text& in);
  bool ReadMembers(Text& in, std::size_t object, int depth, std::uint64_t& objectsSeen);
  std::size_t Leaf(std::size_t object, std::string_view key);
  std::size_t Inner(std::size_t object, std::string_view key) const;
  bool ReadTyped(Text& in, std::size_t key, Field& field);
  bool Hold(std::size_t key, const Field& field);

  std::size_t count_;
  bool usable_ = false;
  std::vector<Name> leaves_;   // by key
  std::vector<Name> objects_;  // the objects on the keys' paths, e.g. "storageResource"
  std::vector<std::map<std::string, void*>::value_type*> slots_;
  std::vector<void*> saved_;
  std::vector<std::size_t> byMapOrder_;
  std::uint64_t required_ = 0;
  std::uint64_t allKeys_ = 0;
  // Whether the log keeps the lines of absent keys (level 5) and of reading them (level 3); asked
  // once per page, as absent optional keys come in every record.
  bool logsAbsentKeys_ = true;
  bool logsNulls_ = true;
  // Records name their keys in the text, and ask for them, in one order each: the key that
  // followed the last one, the previous time, is tried first.
  class KeyGuess {
   public:
    explicit KeyGuess(std::size_t count) : count_(count), last_(count), next_(count + 1, count) {}
    std::size_t predicted() const { return next_[last_]; }
    void take(std::size_t i) { last_ = i; }
    void restart() { last_ = count_; }
    // The first key `matches` accepts, the predicted one tried first; count_ when none does.
    template <typename Matches>
    std::size_t find(Matches matches) {
      std::size_t& predicted = next_[last_];
      std::size_t i = predicted;
      if (i == count_ || !matches(i)) {
        for (i = 0; i < count_ && !matches(i); ++i) {
        }
        if (i == count_) return count_;
        predicted = i;
      }
      last_ = i;
      return i;
    }

   private:
    std::size_t count_;
    std::size_t last_;               // the key found last, or count_
    std::vector<std::size_t> next_;  // for each key (and none), the one found after it
  };
  KeyGuess leafGuess_;                    // keys as the text names them
  KeyGuess askGuess_;                     // keys as records ask for them
  std::vector<std::string_view> paths_;   // by key
  std::size_t record_ = 0;                // the record visited
  std::vector<jsondoc::Value> values_;    // the record at hand's, one per key
  std::vector<jsondoc::Object> holders_;  // the record at hand's values of any type
  std::vector<Field> fields_;             // count_ per record
  std::vector<std::uint64_t> found_;      // the keys each record holds
  std::vector<std::uint64_t> objectsSeen_;
  std::vector<Step> shape_;  // empty when no element's shape is kept
  std::string shapeText_;    // the bytes between the kept shape's values, and its strings
  // Per step of a shape not yet folded: whether the element read with it repeated its string.
  std::vector<char> repeated_;
  std::uint64_t shapeFound_ = 0;
  std::uint64_t shapeObjects_ = 0;
};
