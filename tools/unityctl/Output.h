// Human tables by default, JSON with --json. Results go to standard output; progress and errors
// go to standard error.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace unityctl {

using Row = std::vector<std::string>;

class Output {
 public:
  explicit Output(bool json) : json_(json) {}

  // A list of records: a table with a header line, or a JSON array of objects.
  void table(const Row& header, const std::vector<Row>& rows) const;
  // One record: "key: value" lines, or one JSON object.
  void record(const std::vector<std::pair<std::string, std::string>>& fields) const;
  // A one-line confirmation: plain text, or {"result": text}.
  void message(const std::string& text) const;

 private:
  bool json_;
};

}  // namespace unityctl
