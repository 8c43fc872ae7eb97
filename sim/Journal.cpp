#include "sim/Journal.h"

#include <algorithm>
#include <cstddef>
#include <ostream>

#include "sim/Json.h"

namespace unitysim {

std::string maskedHeaderValue(const std::string& name, const std::string& value) {
  if (equalsIgnoreCase(name, "Authorization")) return value.substr(0, value.find(' ')) + " ***";
  if (equalsIgnoreCase(name, "EMC-CSRF-TOKEN")) return "***";
  if (!equalsIgnoreCase(name, "Cookie")) return value;
  std::string out;
  size_t begin = 0;
  while (begin < value.size()) {
    const size_t end = std::min(value.find(';', begin), value.size());
    const std::string pair = value.substr(begin, end - begin);
    out += (out.empty() ? "" : "; ") + pair.substr(0, pair.find('=')) + "=***";
    begin = value.find_first_not_of(' ', end + 1);
  }
  return out;
}

std::ostream& operator<<(std::ostream& out, const JournalEntry& entry) {
  out << entry.method << ' ' << entry.target << " -> " << entry.status;
  if (!entry.fault.empty()) out << " (fault " << entry.fault << ')';
  for (const auto& [k, v] : entry.headers) out << "\n  " << k << ": " << maskedHeaderValue(k, v);
  return out;
}

std::string JournalEntry::header(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (equalsIgnoreCase(k, name)) return v;
  return {};
}

bool JournalEntry::hasHeader(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (equalsIgnoreCase(k, name)) return true;
  return false;
}

void Journal::record(JournalEntry entry) {
  std::lock_guard<std::mutex> g(mutex_);
  entries_.push_back(std::move(entry));
}

std::vector<JournalEntry> Journal::entries() const {
  std::lock_guard<std::mutex> g(mutex_);
  return entries_;
}

size_t Journal::size() const {
  std::lock_guard<std::mutex> g(mutex_);
  return entries_.size();
}

std::vector<JournalEntry> Journal::matching(const std::string& method,
                                            const std::string& prefix) const {
  std::lock_guard<std::mutex> g(mutex_);
  std::vector<JournalEntry> out;
  for (const auto& e : entries_)
    if ((method.empty() || e.method == method) && e.target.compare(0, prefix.size(), prefix) == 0)
      out.push_back(e);
  return out;
}

JournalEntry Journal::last() const {
  std::lock_guard<std::mutex> g(mutex_);
  return entries_.empty() ? JournalEntry{} : entries_.back();
}

size_t Journal::firstIndex() const {
  std::lock_guard<std::mutex> g(mutex_);
  return first_;
}

size_t Journal::nextIndex() const {
  std::lock_guard<std::mutex> g(mutex_);
  return first_ + entries_.size();
}

Journal::Slice Journal::since(size_t index) const {
  std::lock_guard<std::mutex> g(mutex_);
  const size_t skip = index > first_ ? std::min(index - first_, entries_.size()) : 0;
  return Slice{first_, first_ + skip,
               std::vector<JournalEntry>(entries_.begin() + static_cast<std::ptrdiff_t>(skip),
                                         entries_.end())};
}

void Journal::clear() {
  std::lock_guard<std::mutex> g(mutex_);
  first_ += entries_.size();
  entries_.clear();
}

}  // namespace unitysim
