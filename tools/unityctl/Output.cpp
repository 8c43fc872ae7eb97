#include "tools/unityctl/Output.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace unityctl {

void Output::table(const Row& header, const std::vector<Row>& rows) const {
  if (json_) {
    nlohmann::json list = nlohmann::json::array();
    for (const Row& row : rows) {
      nlohmann::json item = nlohmann::json::object();
      for (size_t i = 0; i < header.size() && i < row.size(); ++i) item[header[i]] = row[i];
      list.push_back(item);
    }
    std::printf("%s\n", list.dump(2).c_str());
    return;
  }
  std::vector<size_t> width(header.size());
  for (size_t i = 0; i < header.size(); ++i) width[i] = header[i].size();
  for (const Row& row : rows)
    for (size_t i = 0; i < row.size() && i < width.size(); ++i)
      width[i] = std::max(width[i], row[i].size());
  auto print = [&](const Row& row) {
    std::string line;
    for (size_t i = 0; i < width.size(); ++i) {
      std::string cell = i < row.size() ? row[i] : "";
      if (i + 1 < width.size()) cell.resize(width[i] + 2, ' ');
      line += cell;
    }
    std::printf("%s\n", line.c_str());
  };
  print(header);
  for (const Row& row : rows) print(row);
  if (rows.empty()) std::printf("(none)\n");
}

void Output::record(const std::vector<std::pair<std::string, std::string>>& fields) const {
  if (json_) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& field : fields) object[field.first] = field.second;
    std::printf("%s\n", object.dump(2).c_str());
    return;
  }
  size_t width = 0;
  for (const auto& field : fields) width = std::max(width, field.first.size());
  for (const auto& field : fields)
    std::printf("%-*s  %s\n", static_cast<int>(width + 1), (field.first + ":").c_str(),
                field.second.c_str());
}

void Output::message(const std::string& text) const {
  if (json_) {
    std::printf("%s\n", nlohmann::json{{"result", text}}.dump().c_str());
  } else {
    std::printf("%s\n", text.c_str());
  }
}

}  // namespace unityctl
