#pragma once
// A REST request after transport, authentication and fault handling, and the answer the
// handlers produce for it.

#include <string>

#include "sim/Clock.h"
#include "sim/Query.h"

namespace unitysim {

struct ApiRequest {
  std::string method;
  RequestTarget target;
  std::string body;
  std::string baseUrl;  // "https://<host as the client addressed it>"
  std::string user;     // the session's user; empty for anonymous queries
  SimClock::TimePoint now;
};

struct ApiAnswer {
  int status = 200;
  std::string body;         // JSON text, empty for 204
  bool endSession = false;  // a logout succeeded
  bool endAllSessions = false;
};

struct ListingOptions {
  size_t defaultPerPage = 2000;
  size_t maxPerPage = 2000;
  bool rejectEmptyFilter = false;
};

}  // namespace unitysim
