// Reading a list page's records straight from its text, for messages whose records read only
// typed keys of the field map (UnityListOptions::directKeys): no document is built for the
// entries, which are most of a page. Only a plainly written page is taken: an object with one
// "entries" array and no "error", whose elements are objects with one "content" object holding
// every key of the map once, with its declared type, all in JSON without escapes or comments.
// The rest of the page (its links) is read by the document reader from the text with the
// entries left out. Anything else leaves the whole page to the document reader, which then logs
// what it finds, so a page read here gives the records, state and log lines it would give.
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "json/jsondoc.h"
#include "unity/messages/EMCUnityJsonBase.h"
#include "unity/messages/FieldExtraction.h"

namespace {

constexpr int kMaxDepth = 32;

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDelimiter(char c) {
  return IsBlank(c) || c == ',' || c == '}' || c == ']';
}

// The plainly written JSON the direct reading takes: a strict subset of what the document reader
// accepts, read to the same values.
class PlainText {
 public:
  PlainText(const char* begin, const char* end) : p_(begin), end_(end) {}

  const char* at() const { return p_; }

  bool take(char c) {
    blanks();
    if (p_ == end_ || *p_ != c) return false;
    ++p_;
    return true;
  }
  bool nextIs(char c) {
    blanks();
    return p_ != end_ && *p_ == c;
  }
  // A string without escapes: its bytes, in place.
  bool text(std::string_view& out) {
    blanks();
    if (p_ == end_ || *p_ != '"') return false;
    const char* first = p_ + 1;
    const char* q = jsondoc::detail::FindQuoteOrBackslash(first, end_);
    if (q == end_ || *q != '"') return false;
    out = std::string_view(first, static_cast<std::size_t>(q - first));
    p_ = q + 1;
    return true;
  }
  // 1 to 19 digits, which always fit in 64 bits.
  bool unsignedInteger(std::uint64_t& out) {
    blanks();
    std::uint64_t u = 0;
    const char* q = p_;
    while (q != end_ && *q >= '0' && *q <= '9' && q - p_ < 20) {
      u = u * 10 + static_cast<unsigned>(*q - '0');
      ++q;
    }
    if (q == p_ || q - p_ > 19 || (q != end_ && !IsDelimiter(*q))) return false;
    p_ = q;
    out = u;
    return true;
  }
  bool word(const char* w) {
    blanks();
    const std::size_t n = std::strlen(w);
    if (static_cast<std::size_t>(end_ - p_) < n || std::memcmp(p_, w, n) != 0) return false;
    if (p_ + n != end_ && !IsDelimiter(p_[n])) return false;
    p_ += n;
    return true;
  }
  // Passes over a plainly written value of any type.
  bool skipValue(int depth) {
    if (depth > kMaxDepth) return false;
    blanks();
    if (p_ == end_) return false;
    std::string_view ignored;
    std::uint64_t number = 0;
    switch (*p_) {
      case '"':
        return text(ignored);
      case 't':
        return word("true");
      case 'f':
        return word("false");
      case 'n':
        return word("null");
      case '[':
        ++p_;
        if (take(']')) return true;
        do {
          if (!skipValue(depth + 1)) return false;
        } while (take(','));
        return take(']');
      case '{':
        ++p_;
        if (take('}')) return true;
        do {
          if (!text(ignored) || !take(':') || !skipValue(depth + 1)) return false;
        } while (take(','));
        return take('}');
      default:
        return unsignedInteger(number);
    }
  }

 private:
  void blanks() {
    while (p_ != end_ && IsBlank(*p_)) ++p_;
  }

  const char* p_;
  const char* end_;
};

// One page's reading: the keys, their values for the record at hand, and the field map's
// entries that point at them while the record is read. A key path is a tree of names: objects
// ("storageResource") with the keys under them ("id").
class DirectPage {
 public:
  DirectPage(const UnityListOptions& options, std::map<std::string, void*>& fieldKeys)
      : count_(options.directKeyCount), values_(count_) {
    if (count_ == 0 || count_ > 64 || fieldKeys.size() != count_) return;
    for (std::size_t i = 0; i < count_; ++i) {
      const UnityFieldKey& key = options.directKeys[i];
      const std::map<std::string, void*>::iterator entry = fieldKeys.find(key.path);
      if (entry == fieldKeys.end() || key.type == UnityFieldType::kUnchecked) return;
      slots_.push_back(&*entry);
      saved_.push_back(entry->second);
      leaves_.push_back(Name{Parent(key.path), LastName(key.path), key.type});
    }
    usable_ = objects_.size() <= 64;
  }
  ~DirectPage() {
    for (std::size_t i = 0; i < slots_.size(); ++i) slots_[i]->second = saved_[i];
  }
  DirectPage(const DirectPage&) = delete;
  DirectPage& operator=(const DirectPage&) = delete;

  bool usable() const { return usable_; }

  // The "content" object of one element: every key once, each with its type.
  bool readContent(PlainText& in) {
    found_ = 0;
    objectsSeen_ = 0;
    if (!readMembers(in, kRoot, 1)) return false;
    return found_ == (count_ == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << count_) - 1);
  }
  // Points the field map at the values of the content just read.
  void fillFieldMap() {
    for (std::size_t i = 0; i < count_; ++i) slots_[i]->second = &values_[i];
  }

 private:
  static constexpr std::size_t kRoot = ~std::size_t(0);
  struct Name {
    std::size_t parent;  // an index of objects_, or kRoot
    std::string_view name;
    UnityFieldType type;
  };

  static std::string_view LastName(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? path : path.substr(dot + 1);
  }
  // The object holding the last name of `path`, entered with those above it.
  std::size_t Parent(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return kRoot;
    const std::string_view objectPath = path.substr(0, dot);
    const std::size_t parent = Parent(objectPath);
    const std::string_view name = LastName(objectPath);
    for (std::size_t i = 0; i < objects_.size(); ++i) {
      if (objects_[i].parent == parent && objects_[i].name == name) return i;
    }
    objects_.push_back(Name{parent, name, UnityFieldType::kUnchecked});
    return objects_.size() - 1;
  }

  // The members of an object: keys of the map are read, objects on their paths entered,
  // anything else passed over (a key with a dot among them: it is never a step of a path).
  bool readMembers(PlainText& in, std::size_t object, int depth) {
    if (depth > kMaxDepth || !in.take('{')) return false;
    if (in.take('}')) return true;
    do {
      std::string_view key;
      if (!in.text(key) || !in.take(':')) return false;
      const std::size_t leaf = Leaf(object, key);
      if (leaf != count_) {
        const std::uint64_t bit = std::uint64_t(1) << leaf;
        if ((found_ & bit) != 0 || !readTyped(in, leaf)) return false;
        found_ |= bit;
        continue;
      }
      const std::size_t inner = Inner(object, key);
      if (inner != objects_.size()) {
        const std::uint64_t bit = std::uint64_t(1) << inner;
        if ((objectsSeen_ & bit) != 0) return false;  // a repeated key: the last one counts
        objectsSeen_ |= bit;
        if (!readMembers(in, inner, depth + 1)) return false;
        continue;
      }
      if (!in.skipValue(depth + 1)) return false;
    } while (in.take(','));
    return in.take('}');
  }

  // The index of key `key` in `object`, or count_. Records name their keys in one order, so the
  // one after the last found is tried first.
  std::size_t Leaf(std::size_t object, std::string_view key) {
    std::size_t i = next_;
    for (std::size_t n = 0; n < count_; ++n, i = i + 1 == count_ ? 0 : i + 1) {
      if (leaves_[i].name == key && leaves_[i].parent == object) {
        next_ = i + 1 == count_ ? 0 : i + 1;
        return i;
      }
    }
    return count_;
  }
  std::size_t Inner(std::size_t object, std::string_view key) const {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
      if (objects_[i].name == key && objects_[i].parent == object) return i;
    }
    return objects_.size();
  }

  bool readTyped(PlainText& in, std::size_t i) {
    jsondoc::Value& value = values_[i];
    switch (leaves_[i].type) {
      case UnityFieldType::kText: {
        std::string_view bytes;
        if (!in.text(bytes) || bytes.size() > 0xFFFFFFFFu) return false;
        jsondoc::detail::DirectWrite::borrowedText(value, bytes.data(),
                                                   static_cast<std::uint32_t>(bytes.size()));
        return true;
      }
      case UnityFieldType::kUnsigned: {
        std::uint64_t number = 0;
        if (!in.unsignedInteger(number)) return false;
        jsondoc::detail::DirectWrite::integer(value, number);
        return true;
      }
      case UnityFieldType::kBoolean:
        if (in.word("true")) {
          jsondoc::detail::DirectWrite::boolean(value, true);
        } else if (in.word("false")) {
          jsondoc::detail::DirectWrite::boolean(value, false);
        } else {
          return false;
        }
        return true;
      default:
        return false;
    }
  }

  std::size_t count_;
  std::vector<jsondoc::Value> values_;  // borrow their text from the page
  std::vector<std::map<std::string, void*>::value_type*> slots_;
  std::vector<void*> saved_;
  std::vector<Name> leaves_;   // the keys' last names, by key
  std::vector<Name> objects_;  // the objects on the keys' paths
  std::uint64_t found_ = 0;
  std::uint64_t objectsSeen_ = 0;
  std::size_t next_ = 0;
  bool usable_ = false;
};

}  // namespace

bool EMCUnityJsonBase::ReadEntriesDirectly(
    const std::string& response, const std::function<bool(jsondoc::Object* content)>& visit,
    const UnityListOptions& options) {
  DirectPage page(options, fieldKeys);
  if (!page.usable()) return false;
  std::unique_ptr<FieldMapReader> reader = std::make_unique<FieldMapReader>(fieldKeys);
  struct Detach {
    FieldMapReader*& active;
    ~Detach() { active = nullptr; }
  } detach{fieldReader_.reader};
  fieldReader_.reader = reader.get();
  jsondoc::Object noContent;  // records of these messages read only the field map

  const char* const begin = response.data();
  PlainText in(begin, begin + response.size());
  const char* entriesBegin = nullptr;
  const char* entriesEnd = nullptr;
  if (!in.take('{') || in.take('}')) return false;
  do {
    std::string_view key;
    if (!in.text(key) || !in.take(':')) return false;
    if (key == "error") return false;
    if (key != "entries") {
      if (!in.skipValue(1)) return false;
      continue;
    }
    if (entriesBegin != nullptr || !in.nextIs('[')) return false;
    entriesBegin = in.at();
    in.take('[');
    if (!in.take(']')) {
      do {
        bool haveContent = false;
        if (!in.take('{')) return false;
        do {
          std::string_view member;
          if (!in.text(member) || !in.take(':')) return false;
          if (member != "content") {
            if (!in.skipValue(2)) return false;
          } else if (haveContent || !page.readContent(in)) {
            return false;
          } else {
            haveContent = true;
          }
        } while (in.take(','));
        if (!in.take('}') || !haveContent) return false;
        page.fillFieldMap();
        if (!visit(&noContent)) return false;
      } while (in.take(','));
      if (!in.take(']')) return false;
    }
    entriesEnd = in.at();
  } while (in.take(','));
  if (!in.take('}') || entriesBegin == nullptr) return false;

  // The rest of the page, read by the document reader as it stands, with the entries left out.
  std::string rest(response, 0, static_cast<std::size_t>(entriesBegin - begin));
  rest += "[]";
  rest.append(entriesEnd, begin + response.size());
  if (parsedAnswer_.readInstead(rest)) return true;
  parsedAnswer_.expect(response);  // read again, all of it, by the document reader
  return false;
}
