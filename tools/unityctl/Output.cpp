#include "tools/unityctl/Output.h"

#include <algorithm>
#include <cstdio>

namespace unityctl {

std::string Value::text() const {
  switch (kind_) {
    case Kind::Flag:
      return flag_ ? "yes" : "no";
    case Kind::List: {
      std::string joined;
      for (const std::string& item : list_) joined += (joined.empty() ? "" : ",") + item;
      return joined;
    }
    case Kind::Text:
    case Kind::Number:
      break;
  }
  return text_;
}

void Value::appendJson(std::string& out) const {
  switch (kind_) {
    case Kind::Text:
      AppendJsonString(out, text_);
      return;
    case Kind::Number:
      out += text_;
      return;
    case Kind::Flag:
      out += flag_ ? "true" : "false";
      return;
    case Kind::List:
      out += '[';
      for (size_t i = 0; i < list_.size(); ++i) {
        if (i > 0) out += ',';
        AppendJsonString(out, list_[i]);
      }
      out += ']';
      return;
  }
}

void AppendJsonString(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;  // UTF-8 passes through as it is
    }
  }
  out += '"';
}

std::string JsonObject(const Fields& fields) {
  std::string out = "{";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ", ";
    AppendJsonString(out, fields[i].first);
    out += ": ";
    fields[i].second.appendJson(out);
  }
  return out + "}";
}

void Output::table(const Row& header, const std::vector<Values>& rows) const {
  if (json_) {
    std::string list = "[";
    for (size_t r = 0; r < rows.size(); ++r) {
      Fields fields;
      for (size_t i = 0; i < header.size() && i < rows[r].size(); ++i)
        fields.emplace_back(header[i], rows[r][i]);
      list += (r == 0 ? "\n  " : ",\n  ") + JsonObject(fields);
    }
    std::printf("%s%s]\n", list.c_str(), rows.empty() ? "" : "\n");
    return;
  }
  std::vector<std::vector<std::string>> cells;
  for (const Values& row : rows) {
    cells.emplace_back();
    for (const Value& value : row) cells.back().push_back(value.text());
  }
  std::vector<size_t> columns;
  for (size_t i = 0; i < header.size(); ++i) {
    const bool filled = rows.empty() || std::any_of(cells.begin(), cells.end(), [i](const Row& r) {
                          return i < r.size() && !r[i].empty();
                        });
    if (filled) columns.push_back(i);
  }
  std::vector<size_t> width;
  for (size_t i : columns) {
    size_t w = header[i].size();
    for (const Row& row : cells)
      if (i < row.size()) w = std::max(w, row[i].size());
    width.push_back(w);
  }
  auto print = [&](const Row& row) {
    std::string line;
    for (size_t c = 0; c < columns.size(); ++c) {
      std::string cell = columns[c] < row.size() ? row[columns[c]] : "";
      if (c + 1 < columns.size()) cell.resize(width[c] + 2, ' ');
      line += cell;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    std::printf("%s\n", line.c_str());
  };
  print(header);
  for (const Row& row : cells) print(row);
  if (rows.empty()) std::printf("(none)\n");
}

void Output::record(const Fields& fields) const {
  if (json_) {
    std::printf("%s\n", JsonObject(fields).c_str());
    return;
  }
  size_t width = 0;
  for (const Field& field : fields) width = std::max(width, field.first.size());
  for (const Field& field : fields)
    std::printf("%-*s  %s\n", static_cast<int>(width + 1), (field.first + ":").c_str(),
                field.second.text().c_str());
}

void Output::action(const std::string& text, const Fields& fields) const {
  if (json_) {
    Fields all = fields;
    all.emplace_back("result", text);
    std::printf("%s\n", JsonObject(all).c_str());
  } else {
    std::printf("%s\n", text.c_str());
  }
}

}  // namespace unityctl
