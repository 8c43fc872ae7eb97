#pragma once
// What the simulator received and answered, for tests that assert exact wire behaviour.
// Thread-safe; accessors return copies.

#include <iosfwd>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace unitysim {

struct JournalEntry {
  std::string method;
  std::string target;  // path and query exactly as received
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  int status = 0;     // status answered; 0 when the connection was dropped
  std::string fault;  // name of the injected fault, if any
  std::string time;   // simulated time the request arrived, "2015-12-02T21:03:14.446Z"

  // First value of a header, matched without regard to case; empty when absent.
  std::string header(const std::string& name) const;
  bool hasHeader(const std::string& name) const;
};

// A header value as logs and the control API may show it: the scheme of Authorization, the
// cookie names of Cookie, nothing of EMC-CSRF-TOKEN; other headers unchanged.
std::string maskedHeaderValue(const std::string& name, const std::string& value);

// The entry as text, for test failure messages: method, target, headers, status and fault. The
// values of Authorization, Cookie and EMC-CSRF-TOKEN are masked, so a failing test never prints a
// credential, a session cookie or a token.
std::ostream& operator<<(std::ostream& out, const JournalEntry& entry);

// Entries are numbered from 0 in the order recorded; clear() drops them but keeps the numbering
// going, so a reader polling with since() never misses or repeats an entry.
class Journal {
 public:
  void record(JournalEntry entry);
  std::vector<JournalEntry> entries() const;
  size_t size() const;
  // Number of the oldest entry kept, and the number the next entry will get.
  size_t firstIndex() const;
  size_t nextIndex() const;
  struct Slice {
    size_t first = 0;  // number of the oldest entry kept
    size_t from = 0;   // number of entries[0]; first + size() when there is none
    std::vector<JournalEntry> entries;
  };
  // Kept entries numbered `index` or later, oldest first.
  Slice since(size_t index) const;
  // Entries whose method matches (empty = any) and whose target starts with prefix.
  std::vector<JournalEntry> matching(const std::string& method, const std::string& prefix) const;
  JournalEntry last() const;  // a default entry when empty
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<JournalEntry> entries_;
  size_t first_ = 0;  // number of entries_[0]
};

}  // namespace unitysim
