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

  // First value of a header, matched without regard to case; empty when absent.
  std::string header(const std::string& name) const;
  bool hasHeader(const std::string& name) const;
};

// The entry as text, for test failure messages: method, target, headers, status and fault. The
// values of Authorization, Cookie and EMC-CSRF-TOKEN are masked, so a failing test never prints a
// credential, a session cookie or a token.
std::ostream& operator<<(std::ostream& out, const JournalEntry& entry);

class Journal {
 public:
  void record(JournalEntry entry);
  std::vector<JournalEntry> entries() const;
  size_t size() const;
  // Entries whose method matches (empty = any) and whose target starts with prefix.
  std::vector<JournalEntry> matching(const std::string& method, const std::string& prefix) const;
  JournalEntry last() const;  // a default entry when empty
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<JournalEntry> entries_;
};

}  // namespace unitysim
