// Diagnostic log of the host product. Every function that logs keeps one DiagLog on its stack.
// A call writes one whole line when its level is at or below the configured level (errors, level
// -1, always pass). Lines from sessions on different threads never interleave.
#pragma once

#include <string>
#include <vector>

class DiagLog {
 public:
  DiagLog() = default;

  void logLevel(const std::string& tag, int level, long long jobId, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  void logLevelNoJob(const std::string& tag, int level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  void logJob(const std::string& tag, long long jobId, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  void logLevelUntagged(int level, long long jobId, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
};

// One captured log call, for tests and tools.
struct DiagLogRecord {
  int level = 0;
  bool hasJob = false;
  long long jobId = 0;
  std::string tag;
  std::string text;
};

// While an instance lives, every line that passes the level filter is also kept in memory
// (process-wide; captures nest). The level filter can be widened for the capture's lifetime.
class DiagLogCapture {
 public:
  explicit DiagLogCapture(int level = 7);
  ~DiagLogCapture();
  DiagLogCapture(const DiagLogCapture&) = delete;
  DiagLogCapture& operator=(const DiagLogCapture&) = delete;

  std::vector<DiagLogRecord> records() const;
  // True when some captured line's text contains `needle` (and its tag contains `tag` if given).
  bool contains(const std::string& needle, const std::string& tag = "") const;
  void clear();

 private:
  int previousLevel_;
};

// Process-wide log settings; read from UNITY_LOG_LEVEL and UNITY_LOG_FILE at first use.
namespace diaglog {
int level();
void setLevel(int level);
// Lines go to standard error unless a file is set; an empty path restores standard error.
bool setFile(const std::string& path);
// When true, lines are only captured, not written (quiet tests and tools).
void setQuiet(bool quiet);
}  // namespace diaglog
