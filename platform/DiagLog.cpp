#include "platform/DiagLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace {

constexpr int kNoCapture = INT_MIN;

// Process-wide log state. The two levels are atomics so that a filtered-out call costs two loads
// and no formatting; everything else is guarded by `mutex`, which also serialises the writes.
struct LogState {
  std::mutex mutex;
  std::atomic<int> level{0};
  std::atomic<int> captureLevel{kNoCapture};  // highest level of any live capture
  std::atomic<bool> quiet{false};
  int fd = STDERR_FILENO;  // owned unless STDERR_FILENO
  std::vector<DiagLogCapture*> captures;

  LogState() { loadEnvironment(); }

  void loadEnvironment() {
    int envLevel = 0;
    if (const char* text = std::getenv("UNITY_LOG_LEVEL")) {
      char* end = nullptr;
      errno = 0;
      const long parsed = std::strtol(text, &end, 10);
      if (end != text && *end == '\0' && errno == 0 && parsed >= INT_MIN && parsed <= INT_MAX)
        envLevel = static_cast<int>(parsed);
    }
    level = envLevel;
    const char* file = std::getenv("UNITY_LOG_FILE");
    const bool wantFile = file != nullptr && *file != '\0';
    const int newFd = wantFile ? openLog(file) : STDERR_FILENO;
    std::lock_guard<std::mutex> lock(mutex);
    replaceFd(newFd);
    if (wantFile && newFd < 0) {
      // Said once, so a mistyped path does not silently send the lines elsewhere.
      const std::string note =
          std::string("DiagLog: cannot open UNITY_LOG_FILE ") + file + "; logging to stderr\n";
      if (::write(STDERR_FILENO, note.data(), note.size()) < 0) {
        // nowhere else to report it
      }
    }
  }

  static int openLog(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640);
    return fd;
  }

  // Caller holds `mutex`. A failed open (-1) falls back to standard error.
  void replaceFd(int newFd) {
    if (fd != STDERR_FILENO) ::close(fd);
    fd = newFd >= 0 ? newFd : STDERR_FILENO;
  }
};

LogState& state() {
  // Never destroyed: threads that outlive main's return may still log.
  static LogState* instance = new LogState;
  return *instance;
}

std::string formatText(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

std::string formatText(const char* format, va_list args) {
  if (format == nullptr) return {};
  char small[512];
  va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(small, sizeof small, format, args);
  std::string text;
  if (needed < 0) {
    text = "(unformattable log text)";
  } else if (static_cast<size_t>(needed) < sizeof small) {
    text.assign(small, static_cast<size_t>(needed));
  } else {
    text.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(&text[0], text.size(), format, again);
    text.resize(static_cast<size_t>(needed));
  }
  va_end(again);
  return text;
}

void appendEscaped(std::string& line, const std::string& text) {
  static const char hex[] = "0123456789abcdef";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if (c == '\t') {
      line += '\t';
    } else if (u < 0x20 || u == 0x7f) {
      line += "\\x";
      line += hex[u >> 4];
      line += hex[u & 0xf];
    } else {
      line += c;
    }
  }
}

void appendTimestamp(std::string& line) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  gmtime_r(&now.tv_sec, &utc);
  char buffer[40];
  const size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &utc);
  line.append(buffer, n);
  std::snprintf(buffer, sizeof buffer, ".%03ldZ", now.tv_nsec / 1000000);
  line += buffer;
}

// Writes the whole line; the caller holds the mutex so concurrent lines never interleave.
void writeAll(int fd, const std::string& line) {
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // nowhere left to report a failing log
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

bool passes(int callLevel, int threshold) {
  return callLevel <= std::max(threshold, -1);
}

bool writes(const LogState& s, int callLevel) {
  return !s.quiet && passes(callLevel, s.level);
}

bool captures(const LogState& s, int callLevel) {
  return s.captureLevel != kNoCapture && passes(callLevel, s.captureLevel);
}

}  // namespace

// Befriended by DiagLogCapture: registers captures and delivers records to them.
struct DiagLogSinks {
  static void emit(int level, bool hasJob, long long jobId, const std::string* tag,
                   const char* format, va_list args) __attribute__((format(printf, 5, 0)));

  static void add(DiagLogCapture* capture) {
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.captures.push_back(capture);
    refreshCaptureLevel(s);
  }

  static void remove(DiagLogCapture* capture) {
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.captures.erase(std::remove(s.captures.begin(), s.captures.end(), capture), s.captures.end());
    refreshCaptureLevel(s);
  }

  static void refreshCaptureLevel(LogState& s) {
    int highest = kNoCapture;
    for (const DiagLogCapture* c : s.captures) highest = std::max(highest, c->level_);
    s.captureLevel = highest;
  }
};

void DiagLogSinks::emit(int level, bool hasJob, long long jobId, const std::string* tag,
                        const char* format, va_list args) {
  LogState& s = state();
  const bool write = writes(s, level);
  const bool capture = captures(s, level);
  if (!write && !capture) return;

  const std::string text = formatText(format, args);
  std::string line;
  if (write) {
    line.reserve(text.size() + (tag != nullptr ? tag->size() : 0) + 64);
    appendTimestamp(line);
    line += ' ';
    line += std::to_string(static_cast<long>(::getpid()));
    if (hasJob) {
      line += " job=";
      line += std::to_string(jobId);
    }
    line += " L";
    line += std::to_string(level);
    line += ' ';
    if (tag != nullptr) {
      appendEscaped(line, *tag);
      line += ": ";
    }
    appendEscaped(line, text);
    line += '\n';
  }

  std::lock_guard<std::mutex> lock(s.mutex);
  if (write) writeAll(s.fd, line);
  for (DiagLogCapture* c : s.captures) {
    if (!passes(level, c->level_)) continue;
    DiagLogRecord record;
    record.level = level;
    record.hasJob = hasJob;
    record.jobId = jobId;
    if (tag != nullptr) record.tag = *tag;
    record.text = text;
    c->records_.push_back(std::move(record));
  }
}

void DiagLog::logLevel(const std::string& tag, int level, long long jobId, const char* format,
                       ...) {
  va_list args;
  va_start(args, format);
  DiagLogSinks::emit(level, true, jobId, &tag, format, args);
  va_end(args);
}

void DiagLog::vlogLevel(const std::string& tag, int level, long long jobId, const char* format,
                        va_list args) {
  DiagLogSinks::emit(level, true, jobId, &tag, format, args);
}

void DiagLog::logLevelNoJob(const std::string& tag, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DiagLogSinks::emit(level, false, 0, &tag, format, args);
  va_end(args);
}

void DiagLog::logJob(const std::string& tag, long long jobId, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DiagLogSinks::emit(-1, true, jobId, &tag, format, args);
  va_end(args);
}

void DiagLog::logLevelUntagged(int level, long long jobId, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DiagLogSinks::emit(level, true, jobId, nullptr, format, args);
  va_end(args);
}

DiagLogCapture::DiagLogCapture(int level) : level_(level) {
  DiagLogSinks::add(this);
}

DiagLogCapture::~DiagLogCapture() {
  DiagLogSinks::remove(this);
}

std::vector<DiagLogRecord> DiagLogCapture::records() const {
  std::lock_guard<std::mutex> lock(state().mutex);
  return records_;
}

bool DiagLogCapture::contains(const std::string& needle, const std::string& tag) const {
  std::lock_guard<std::mutex> lock(state().mutex);
  return std::any_of(records_.begin(), records_.end(), [&](const DiagLogRecord& r) {
    return r.text.find(needle) != std::string::npos &&
           (tag.empty() || r.tag.find(tag) != std::string::npos);
  });
}

void DiagLogCapture::clear() {
  std::lock_guard<std::mutex> lock(state().mutex);
  records_.clear();
}

namespace diaglog {

int level() {
  return state().level;
}

bool wouldLog(int callLevel) {
  const LogState& s = state();
  return writes(s, callLevel) || captures(s, callLevel);
}

void setLevel(int newLevel) {
  state().level = newLevel;
}

bool setFile(const std::string& path) {
  LogState& s = state();
  const int fd = path.empty() ? STDERR_FILENO : LogState::openLog(path.c_str());
  if (fd < 0) return false;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.replaceFd(fd);
  return true;
}

void setQuiet(bool quiet) {
  state().quiet = quiet;
}

void reloadFromEnvironment() {
  state().loadEnvironment();
}

}  // namespace diaglog
