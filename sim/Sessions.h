#pragma once
// Login sessions: Basic credentials create one on a GET; the mod_sec_emc cookie names it; its
// CSRF token (stable for the session) guards POST and DELETE; it expires after an idle time.
// Thread-safe.

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "sim/Clock.h"

namespace unitysim {

// Hexadecimal text of `bytes` bytes from OpenSSL's random generator.
std::string randomHex(size_t bytes);

struct Session {
  std::string cookie;  // value of mod_sec_emc
  std::string csrfToken;
  std::string user;
  SimClock::TimePoint lastUsed;
};

class Sessions {
 public:
  explicit Sessions(const SimClock& clock) : clock_(clock) {}

  void setCredentials(std::string user, std::string password);
  bool checkCredentials(const std::string& user, const std::string& password) const;
  void setIdleTimeout(std::chrono::seconds t);
  std::chrono::seconds idleTimeout() const;

  Session create(const std::string& user);
  // The live session named by the cookie value, marked as used now; expired ones are removed.
  std::optional<Session> touch(const std::string& cookie);
  void end(const std::string& cookie);
  void expireAll();
  size_t active() const;

  // Parses a Cookie header for mod_sec_emc; empty when absent.
  static std::string cookieFrom(const std::string& cookieHeader);
  // Parses "Basic <base64>" into user and password.
  static std::optional<std::pair<std::string, std::string>> basicFrom(const std::string& header);

 private:
  const SimClock& clock_;
  mutable std::mutex mutex_;
  std::string user_ = "admin";
  std::string password_ = "Password123!";
  std::chrono::seconds idle_{3600};
  std::map<std::string, Session> sessions_;
};

}  // namespace unitysim
