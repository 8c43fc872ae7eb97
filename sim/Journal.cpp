#include "sim/Journal.h"

#include "sim/Json.h"

namespace unitysim {

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

void Journal::clear() {
  std::lock_guard<std::mutex> g(mutex_);
  entries_.clear();
}

}  // namespace unitysim
