#include "sim/Clock.h"

#include <cstdio>
#include <ctime>

namespace unitysim {

std::string isoTime(SimClock::TimePoint t) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch());
  const std::time_t secs = static_cast<std::time_t>(ms.count() / 1000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(ms.count() % 1000));
  return buf;
}

std::string intervalText(std::chrono::milliseconds d) {
  long long ms = d.count() < 0 ? 0 : d.count();
  char buf[96];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  return buf;
}

}  // namespace unitysim
