#include "unity/messages/DirectListRead.h"

#include <cstring>
#include <functional>
#include <memory>

#include "platform/DiagLog.h"
#include "unity/messages/FieldExtraction.h"

namespace {

constexpr int kMaxDepth = 32;

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// The escapes JSON writes with one character after the backslash, but "\u".
bool IsSingleEscape(char c) {
  switch (c) {
    case '"':
    case '\\':
    case '/':
    case 'b':
    case 'f':
    case 'n':
    case 'r':
    case 't':
      return true;
    default:
      return false;
  }
}

bool IsDelimiter(char c) {
  return IsBlank(c) || c == ',' || c == '}' || c == ']';
}

}  // namespace

// The plainly written JSON the direct reading takes: a strict subset of what the document reader
// accepts, read to the same values.
class DirectListPage::Text {
 public:
  Text(const char* begin, const char* end) : p_(begin), end_(end) {}

  const char* at() const { return p_; }
  const char* end() const { return end_; }
  void seek(const char* p) { p_ = p; }

  // The byte sought is tried before blanks are skipped: the array writes none, and a match rules
  // them out.
  bool take(char c) {
    if (p_ == end_ || *p_ != c) {
      blanks();
      if (p_ == end_ || *p_ != c) return false;
    }
    ++p_;
    return true;
  }
  // Where the next value starts, past blanks.
  const char* valueStart() {
    blanks();
    return p_;
  }
  bool nextIs(char c) {
    blanks();
    return p_ != end_ && *p_ == c;
  }
  // A string without escapes: its bytes, in place.
  bool text(std::string_view& out) {
    if (!take('"')) return false;
    const char* q = jsondoc::detail::FindQuoteOrBackslash(p_, end_);
    if (q == end_ || *q != '"') return false;
    out = std::string_view(p_, static_cast<std::size_t>(q - p_));
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
  // The reads of an element matched against a kept shape, where the value starts at once.
  bool textHere(Field& field) {
    if (p_ == end_ || *p_ != '"') return false;
    const char* q = jsondoc::detail::FindQuoteOrBackslash(p_ + 1, end_);
    if (q == end_ || *q != '"' || q - p_ - 1 > 0xFFFFFFFF) return false;
    field.text = p_ + 1;
    field.integer = static_cast<std::uint64_t>(q - p_ - 1);
    p_ = q + 1;
    return true;
  }
  bool booleanHere(Field& field) {
    if (wordHere("true")) {
      field.integer = 1;
    } else if (wordHere("false")) {
      field.integer = 0;
    } else {
      return false;
    }
    return true;
  }
  template <std::size_t N>
  bool wordHere(const char (&w)[N]) {
    constexpr std::size_t n = N - 1;
    if (static_cast<std::size_t>(end_ - p_) < n || std::memcmp(p_, w, n) != 0 ||
        (p_ + n != end_ && !IsDelimiter(p_[n]))) {
      return false;
    }
    p_ += n;
    return true;
  }
  template <std::size_t N>
  bool word(const char (&w)[N]) {
    blanks();
    return wordHere(w);
  }
  // Passes over a string, whose escapes (but \u) only need to be well formed: no one reads it
  // here, and the document reader reads those escapes as JSON has them.
  bool skipString() {
    const char* q = p_ + 1;
    for (;;) {
      q = jsondoc::detail::FindQuoteOrBackslash(q, end_);
      if (q == end_) return false;
      if (*q == '"') break;
      if (end_ - q < 2 || !IsSingleEscape(q[1])) return false;
      q += 2;
    }
    p_ = q + 1;
    return true;
  }
  // Passes over a plainly written value of any type.
  bool skipValue(int depth) {
    if (depth > kMaxDepth) return false;
    if (atBlank()) blanks();
    if (p_ == end_) return false;
    std::string_view ignored;
    std::uint64_t number = 0;
    switch (*p_) {
      case '"':
        return skipString();
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
  bool atBlank() const { return p_ != end_ && IsBlank(*p_); }

  const char* p_;
  const char* end_;
};

DirectListPage::DirectListPage(const UnityListOptions& options,
                               std::map<std::string, void*>& fieldKeys)
    : count_(options.directKeyCount),
      leafGuess_(count_),
      askGuess_(count_),
      values_(count_),
      holders_(count_) {
  if (count_ == 0 || count_ > 64 || fieldKeys.size() != count_) return;
  slots_.reserve(count_);
  saved_.reserve(count_);
  leaves_.reserve(count_);
  byMapOrder_.reserve(count_);
  paths_.reserve(count_);
  shape_.reserve(2 * count_ + 8);
  for (std::size_t i = 0; i < count_; ++i) {
    const UnityFieldKey& key = options.directKeys[i];
    const std::map<std::string, void*>::iterator entry = fieldKeys.find(key.path);
    if (entry == fieldKeys.end() || key.type == UnityFieldType::kUnchecked) return;
    slots_.push_back(&*entry);
    saved_.push_back(entry->second);
    const std::string_view path(key.path);
    const std::size_t dot = path.rfind('.');
    leaves_.push_back(
        Name{Parent(path), dot == std::string_view::npos ? path : path.substr(dot + 1), key.type});
    paths_.push_back(path);
    if (!key.nullable) required_ |= std::uint64_t(1) << i;
    allKeys_ |= std::uint64_t(1) << i;
  }
  // The document reader resolves the keys in the map's order, and logs those it misses so.
  for (std::map<std::string, void*>::value_type& entry : fieldKeys) {
    for (std::size_t i = 0; i < count_; ++i) {
      if (slots_[i] == &entry) byMapOrder_.push_back(i);
    }
  }
  usable_ = objects_.size() <= 64;
}

DirectListPage::~DirectListPage() {
  for (std::size_t i = 0; i < slots_.size(); ++i) slots_[i]->second = saved_[i];
}

// The object holding the last name of `path`, entered with those above it.
std::size_t DirectListPage::Parent(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return kRoot;
  const std::string_view objectPath = path.substr(0, dot);
  const std::size_t parent = Parent(objectPath);
  const std::size_t above = objectPath.rfind('.');
  const std::string_view name =
      above == std::string_view::npos ? objectPath : objectPath.substr(above + 1);
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    if (objects_[i].parent == parent && objects_[i].name == name) return i;
  }
  objects_.push_back(Name{parent, name, UnityFieldType::kUnchecked});
  return objects_.size() - 1;
}

bool DirectListPage::read(const std::string& page, std::string& rest) {
  if (!usable_) return false;
  logsAbsentKeys_ = diaglog::wouldLog(5);
  logsNulls_ = diaglog::wouldLog(3);
  // Room for a usual page's records, so that the first ones do not grow the vectors step by step.
  constexpr std::size_t kUsualRecords = 64;
  fields_.reserve(count_ * kUsualRecords);
  found_.reserve(kUsualRecords);
  objectsSeen_.reserve(kUsualRecords);
  const char* const begin = page.data();
  Text in(begin, begin + page.size());
  const char* entriesBegin = nullptr;
  const char* entriesEnd = nullptr;
  if (!in.take('{') || in.take('}')) return false;
  do {
    std::string_view key;
    if (!in.text(key) || !in.take(':') || jsondoc::detail::BytesEqual(key, "error")) return false;
    if (!jsondoc::detail::BytesEqual(key, "entries")) {
      if (!in.skipValue(1)) return false;
      continue;
    }
    if (entriesBegin != nullptr || !in.nextIs('[')) return false;
    entriesBegin = in.at();
    in.take('[');
    if (!in.take(']')) {
      do {
        if (!ReadEntry(in)) return false;
      } while (in.take(','));
      if (!in.take(']')) return false;
    }
    entriesEnd = in.at();
  } while (in.take(','));
  if (!in.take('}') || entriesBegin == nullptr) return false;

  rest.assign(page, 0, static_cast<std::size_t>(entriesBegin - begin));
  rest += "[]";
  rest.append(entriesEnd, begin + page.size());
  return true;
}

// One element of "entries". The array writes its elements alike, so an element is first matched
// against the shape of the one read token by token last; one that does not match is read token
// by token, and its shape is kept for the next.
bool DirectListPage::ReadEntry(Text& in) {
  const char* const start = in.valueStart();
  if (!shape_.empty()) {
    if (ReadShaped(in)) return true;
    in.seek(start);
  }
  bool haveContent = false;
  if (!in.take('{')) return false;
  do {
    std::string_view member;
    if (!in.text(member) || !in.take(':')) return false;
    if (!jsondoc::detail::BytesEqual(member, "content")) {
      if (!in.skipValue(2)) return false;
    } else if (haveContent || !ReadContent(in)) {
      return false;
    } else {
      haveContent = true;
    }
  } while (in.take(','));
  if (!in.take('}') || !haveContent) return false;
  LearnShape(start, in.at());
  return true;
}

// Keeps the shape of the element [begin, end), just read token by token: the bytes between its
// values, and for each value the key it gives or how it is passed over. Its structure and keys
// are then in those bytes, so an element that has them and values of the same kinds holds the
// same keys in the same objects. Elements with a value of any type keep no shape.
void DirectListPage::LearnShape(const char* begin, const char* end) {
  shape_.clear();
  repeated_.clear();
  shapeText_.clear();
  if (end - begin > 0xFFFFFFFF) return;
  const std::uint64_t found = found_.back();
  for (std::size_t i = 0; i < count_; ++i) {
    if ((found & (std::uint64_t(1) << i)) != 0 && leaves_[i].type == UnityFieldType::kAnyValue) {
      return;
    }
  }
  const Field* const fields = fields_.data() + fields_.size() - count_;
  std::size_t slotted = 0;
  const auto keyAt = [&](const char* p) {
    for (std::size_t i = 0; i < count_; ++i) {
      if ((found & (std::uint64_t(1) << i)) != 0 && fields[i].at == p) return i;
    }
    return count_;
  };
  const char* literal = begin;
  // A string passed over is kept after the bytes before it: elements often repeat it.
  const auto value = [&](const char* p, const char* after, std::size_t key, Step::Kind kind) {
    shapeText_.append(literal, p);
    if (kind == Step::kString) {
      shapeText_.append(p, after);
      key = static_cast<std::size_t>(after - p);
    } else if (kind < Step::kString) {
      ++slotted;  // a key's value, which was read with the key's type
    }
    shape_.push_back(Step{static_cast<std::uint32_t>(p - literal), kind, key});
    literal = after;
    return after;
  };
  for (const char* p = begin; p != end;) {
    const char c = *p;
    if (c == '"') {
      const char* q = p + 1;
      while ((q = jsondoc::detail::FindQuoteOrBackslash(q, end)) != end && *q == '\\') q += 2;
      const char* r = q + 1;
      while (r != end && IsBlank(*r)) ++r;
      if (r != end && *r == ':') {
        p = r + 1;  // a key: part of the shape
        continue;
      }
      const std::size_t key = keyAt(p);
      p = value(p, q + 1, key, key == count_ ? Step::kString : Step::kText);
    } else if (c >= '0' && c <= '9') {
      const char* q = p;
      while (q != end && *q >= '0' && *q <= '9') ++q;
      const std::size_t key = keyAt(p);
      p = value(p, q, key, key == count_ ? Step::kInteger : Step::kUnsigned);
    } else if (c == 't' || c == 'f') {
      const std::size_t key = keyAt(p);
      p = key == count_ ? p + 1 : value(p, p + (c == 't' ? 4 : 5), key, Step::kBoolean);
    } else {
      ++p;
    }
  }
  shapeText_.append(literal, end);
  shape_.push_back(Step{static_cast<std::uint32_t>(end - literal), Step::kEnd, count_});
  shapeFound_ = found;
  shapeObjects_ = objectsSeen_.back();
  repeated_.assign(shape_.size(), 0);
  // Every key the element holds must have had its value found in the scan.
  if (slotted != static_cast<std::size_t>(__builtin_popcountll(found))) shape_.clear();
}

// Reads an element that has the kept shape; false (with nothing kept) when it has not.
bool DirectListPage::ReadShaped(Text& in) {
  fields_.resize(fields_.size() + count_);
  Field* const fields = fields_.data() + fields_.size() - count_;
  const char* literal = shapeText_.data();
  for (std::size_t index = 0; index < shape_.size(); ++index) {
    const Step& step = shape_[index];
    const char* p = in.at();
    if (static_cast<std::size_t>(in.end() - p) < step.literal ||
        !jsondoc::detail::BytesEqual(std::string_view(p, step.literal),
                                     std::string_view(literal, step.literal))) {
      break;
    }
    literal += step.literal;
    p += step.literal;
    in.seek(p);
    std::uint64_t ignored = 0;
    switch (step.kind) {
      case Step::kEnd:
        found_.push_back(shapeFound_);
        objectsSeen_.push_back(shapeObjects_);
        if (!repeated_.empty()) FoldRepeatedStrings();
        return true;
      case Step::kText:
        if (in.textHere(fields[step.key])) continue;
        break;
      case Step::kBoolean:
        if (in.booleanHere(fields[step.key])) continue;
        break;
      case Step::kUnsigned:
        if (in.unsignedInteger(fields[step.key].integer)) continue;
        break;
      case Step::kString: {
        const std::string_view kept(literal, step.key);
        literal += step.key;
        if (static_cast<std::size_t>(in.end() - p) >= kept.size() &&
            jsondoc::detail::BytesEqual(std::string_view(p, kept.size()), kept)) {
          in.seek(p + kept.size());
          if (!repeated_.empty()) repeated_[index] = 1;
          continue;
        }
        if (p != in.end() && *p == '"' && in.skipString()) continue;
        break;
      }
      case Step::kInteger:
        if (in.unsignedInteger(ignored)) continue;
        break;
    }
    break;
  }
  fields_.resize(fields_.size() - count_);
  return false;
}

// After the first element read with a new shape: the strings it repeated from the element the
// shape was learned from (a link's "rel", the time of the answer) become part of the bytes
// compared, one step fewer each. An element that differs there is read token by token.
void DirectListPage::FoldRepeatedStrings() {
  std::vector<Step> steps;
  steps.reserve(shape_.size());
  std::string text;
  text.reserve(shapeText_.size());
  const char* literal = shapeText_.data();
  std::size_t pending = 0;  // bytes before the next value
  for (std::size_t i = 0; i < shape_.size(); ++i) {
    const Step& step = shape_[i];
    const std::size_t kept = step.kind == Step::kString ? step.key : 0;
    text.append(literal, step.literal + kept);
    literal += step.literal + kept;
    pending += step.literal;
    if (repeated_[i] != 0) {
      pending += kept;
      continue;
    }
    steps.push_back(Step{static_cast<std::uint32_t>(pending), step.kind, step.key});
    pending = 0;
  }
  shape_.swap(steps);
  shapeText_.swap(text);
  repeated_.clear();
}

// Every required key, and the nullable ones the content holds, once, each with its type.
bool DirectListPage::ReadContent(Text& in) {
  fields_.resize(fields_.size() + count_);
  leafGuess_.restart();
  std::uint64_t objectsSeen = 0;
  found_.push_back(0);
  if (!ReadMembers(in, kRoot, 1, objectsSeen)) return false;
  objectsSeen_.push_back(objectsSeen);
  return (found_.back() & required_) == required_;
}

// The members of an object: keys of the map are read, objects on their paths entered,
// anything else passed over (a key with a dot among them: it is never a step of a path).
bool DirectListPage::ReadMembers(Text& in, std::size_t object, int depth,
                                 std::uint64_t& objectsSeen) {
  if (depth > kMaxDepth || !in.take('{')) return false;
  if (in.take('}')) return true;
  std::uint64_t& found = found_.back();
  Field* const fields = fields_.data() + fields_.size() - count_;
  do {
    std::string_view key;
    if (!in.text(key) || !in.take(':')) return false;
    const std::size_t leaf = Leaf(object, key);
    if (leaf != count_) {
      const std::uint64_t bit = std::uint64_t(1) << leaf;
      fields[leaf].at = in.valueStart();
      if ((found & bit) != 0 || !ReadTyped(in, leaf, fields[leaf])) return false;
      found |= bit;
      continue;
    }
    const std::size_t inner = Inner(object, key);
    if (inner != objects_.size()) {
      const std::uint64_t bit = std::uint64_t(1) << inner;
      if ((objectsSeen & bit) != 0) return false;  // a repeated key: the last one counts
      objectsSeen |= bit;
      if (!ReadMembers(in, inner, depth + 1, objectsSeen)) return false;
      continue;
    }
    if (!in.skipValue(depth + 1)) return false;
  } while (in.take(','));
  return in.take('}');
}

// The index of key `key` in `object`, or count_.
std::size_t DirectListPage::Leaf(std::size_t object, std::string_view key) {
  return leafGuess_.find([&](std::size_t i) {
    return leaves_[i].parent == object && jsondoc::detail::BytesEqual(leaves_[i].name, key);
  });
}

std::size_t DirectListPage::Inner(std::size_t object, std::string_view key) const {
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    if (objects_[i].parent == object && jsondoc::detail::BytesEqual(objects_[i].name, key)) {
      return i;
    }
  }
  return objects_.size();
}

bool DirectListPage::ReadTyped(Text& in, std::size_t key, Field& field) {
  switch (leaves_[key].type) {
    case UnityFieldType::kText:
      in.valueStart();
      return in.textHere(field);
    case UnityFieldType::kUnsigned:
      return in.unsignedInteger(field.integer);
    case UnityFieldType::kBoolean:
      in.valueStart();
      return in.booleanHere(field);
    case UnityFieldType::kAnyValue: {
      const char* first = in.valueStart();
      if (!in.skipValue(2)) return false;
      field.text = first;
      field.integer = static_cast<std::uint64_t>(in.at() - first);
      return Hold(key, field);
    }
    default:
      return false;
  }
}

// Reads a value of any type as the member "v" of an object of its own, with the reader that
// reads the document: the record then reads the same value the document would hold.
bool DirectListPage::Hold(std::size_t key, const Field& field) {
  return holders_[key].parse("{\"v\":" + std::string(field.text, field.integer) + "}");
}

// Where the lookup of an absent key stops: the first object on its path the content lacks, else
// the key's own name.
std::string_view DirectListPage::MissingStep(const Name& leaf, std::uint64_t objectsSeen) const {
  std::string_view step = leaf.name;
  for (std::size_t o = leaf.parent; o != kRoot; o = objects_[o].parent) {
    if ((objectsSeen & (std::uint64_t(1) << o)) == 0) step = objects_[o].name;
  }
  return step;
}

void DirectListPage::visit(std::size_t record) {
  record_ = record;
  if (found_[record] == allKeys_ || !logsAbsentKeys_) return;
  for (std::size_t i : byMapOrder_) {
    if ((found_[record] & (std::uint64_t(1) << i)) == 0) {
      LogKeyNotFound(slots_[i]->first, MissingStep(leaves_[i], objectsSeen_[record]));
    }
  }
}

std::size_t DirectListPage::FindKey(std::string_view path) {
  const std::size_t i =
      askGuess_.find([&](std::size_t k) { return jsondoc::detail::BytesEqual(paths_[k], path); });
  return i == count_ ? kNoKey : i;
}

std::map<std::string, void*>::value_type* DirectListPage::entry(std::size_t i) {
  std::map<std::string, void*>::value_type* slot = slots_[i];
  if ((found_[record_] & (std::uint64_t(1) << i)) == 0) {
    slot->second = nullptr;
    return slot;
  }
  const Field& field = fields_[record_ * count_ + i];
  jsondoc::Value& value = values_[i];
  switch (leaves_[i].type) {
    case UnityFieldType::kText:
      jsondoc::detail::DirectWrite::borrowedText(value, field.text,
                                                 static_cast<std::uint32_t>(field.integer));
      break;
    case UnityFieldType::kUnsigned:
      jsondoc::detail::DirectWrite::integer(value, field.integer);
      break;
    case UnityFieldType::kAnyValue: {
      Hold(i, field);
      std::uint32_t hint = 0;
      slot->second = jsondoc::detail::DirectRead::find(holders_[i].kv_map(), "v", hint);
      return slot;
    }
    default:
      jsondoc::detail::DirectWrite::boolean(value, field.integer != 0);
      break;
  }
  slot->second = &value;
  return slot;
}

std::unique_ptr<DirectListPage> EMCUnityJsonBase::ReadPageDirectly(
    const std::string& response, const UnityListOptions& options) {
  if (options.directKeys == nullptr || options.firstElementOnly ||
      !parsedAnswer_.unread(response)) {
    return nullptr;
  }
  std::unique_ptr<DirectListPage> page = std::make_unique<DirectListPage>(options, fieldKeys);
  std::string rest;
  if (!page->read(response, rest)) return nullptr;
  if (parsedAnswer_.readInstead(rest)) return page;
  parsedAnswer_.expect(response);  // read again, all of it, by the document reader
  return nullptr;
}

bool EMCUnityJsonBase::VisitDirectPage(DirectListPage& page,
                                       const std::function<bool(jsondoc::Object* content)>& visit,
                                       const std::function<void(std::size_t count)>& expect) {
  if (expect) expect(page.size());
  struct Detach {
    DirectListPage*& active;
    ~Detach() { active = nullptr; }
  } detach{fieldReader_.page};
  fieldReader_.page = &page;
  jsondoc::Object noContent;  // records of these messages read only the field map
  for (std::size_t i = 0; i < page.size(); ++i) {
    page.visit(i);
    if (!visit(&noContent)) return false;
  }
  return true;
}
