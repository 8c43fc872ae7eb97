// Diagnostic log of the host product. Every function that logs keeps one DiagLog on its stack.
// A call writes one whole line when its level is at or below the configured level (errors, level
// -1, always pass). Lines from sessions on different threads never interleave.
#pragma once

#include <cstdarg>
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
  // logLevel for callers that forward their own variable arguments.
  void vlogLevel(const std::string& tag, int level, long long jobId, const char* format,
                 va_list args) __attribute__((format(printf, 5, 0)));
};

// One captured log call, for tests and tools.
struct DiagLogRecord {
  int level = 0;
  bool hasJob = false;
  long long jobId = 0;
  std::string tag;
  std::string text;
};

// While an instance lives, every call at or below `level` (from any thread) is also kept in
// memory, whatever the output level and quiet setting are; captures nest, and each keeps the calls
// made during its own lifetime. The text is kept as formatted, before the line escaping of the
// output. logJob calls are recorded at level -1.
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
  friend struct DiagLogSinks;
  int level_;
  std::vector<DiagLogRecord> records_;  // guarded by the log's mutex
};

// Process-wide log settings; read from UNITY_LOG_LEVEL and UNITY_LOG_FILE at first use.
// Written lines look like
//   2024-05-01T12:34:56.789Z 4711 job=42 L0 ManageEMCUnity::DeleteSnapshot: Request to ...
// (no "job=" for calls without a job id, no tag for logLevelUntagged). CR, LF and other control
// characters in the text are written as escapes, so one call is always one line.
namespace diaglog {
int level();
void setLevel(int level);
// True when a call at `level` would be written or captured; for callers whose arguments cost
// more to build than the check.
bool wouldLog(int level);
// Lines go to standard error unless a file is set (opened for appending, created 0640); an empty
// path restores standard error. False, with the destination unchanged, when the file cannot be
// opened.
bool setFile(const std::string& path);
// When true, lines are only captured, not written (quiet tests and tools).
void setQuiet(bool quiet);
// Reads UNITY_LOG_LEVEL and UNITY_LOG_FILE again (for tools that set them after the first line).
void reloadFromEnvironment();
}  // namespace diaglog
