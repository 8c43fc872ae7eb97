// Human tables by default, JSON with --json. Results go to standard output; progress and errors
// go to standard error. Values keep their kind, so JSON carries numbers, booleans and lists as
// such while the human forms print them as text.
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace unityctl {

// One printed value: text, a whole number, a flag or a list of texts.
class Value {
 public:
  Value() = default;
  Value(std::string text) : text_(std::move(text)) {}   // NOLINT: implicit by design
  Value(const char* text) : text_(text) {}              // NOLINT
  Value(bool flag) : kind_(Kind::Flag), flag_(flag) {}  // NOLINT
  template <typename Number, typename = std::enable_if_t<std::is_integral<Number>::value &&
                                                         !std::is_same<Number, bool>::value>>
  Value(Number number)  // NOLINT
      : kind_(Kind::Number), text_(std::to_string(number)) {}
  Value(std::vector<std::string> list)  // NOLINT
      : kind_(Kind::List), list_(std::move(list)) {}

  // The human form: flags as yes/no, lists joined with commas.
  std::string text() const;
  // The JSON form, appended to `out`.
  void appendJson(std::string& out) const;

 private:
  enum class Kind { Text, Number, Flag, List };
  Kind kind_ = Kind::Text;
  std::string text_;
  bool flag_ = false;
  std::vector<std::string> list_;
};

using Field = std::pair<std::string, Value>;
using Fields = std::vector<Field>;
using Row = std::vector<std::string>;
using Values = std::vector<Value>;

// `text` as a JSON string literal, appended to `out`.
void AppendJsonString(std::string& out, const std::string& text);
// A JSON object of `fields`, in order.
std::string JsonObject(const Fields& fields);

class Output {
 public:
  explicit Output(bool json) : json_(json) {}

  // A list of records: a table with a header line, or a JSON array of objects. A human table
  // leaves out the columns that are empty in every row.
  void table(const Row& header, const std::vector<Values>& rows) const;
  // One record: "key: value" lines, or one JSON object.
  void record(const Fields& fields) const;
  // A change made: `text` for people, or a JSON object of `fields` (what was done and the ids
  // it made or touched) with the text under "result".
  void action(const std::string& text, const Fields& fields) const;

  // Text-only forms, kept for commands that print every value as text. The template parameter
  // only lets a braced list prefer the typed overloads above.
  template <typename = void>
  void table(const Row& header, const std::vector<Row>& rows) const {
    std::vector<Values> typed;
    for (const Row& row : rows) typed.emplace_back(row.begin(), row.end());
    table(header, typed);
  }
  template <typename = void>
  void record(const std::vector<std::pair<std::string, std::string>>& fields) const {
    record(Fields(fields.begin(), fields.end()));
  }
  void message(const std::string& text) const { action(text, {}); }

  bool json() const { return json_; }

 private:
  bool json_;
};

}  // namespace unityctl
