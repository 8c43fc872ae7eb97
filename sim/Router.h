#pragma once
// The HTTP side of the simulator: journal, fault injection, the X-EMC-REST-CLIENT rule, Basic
// login and session cookies, CSRF checks on POST and DELETE, then the REST handlers, and the
// array's response headers. Installed as the server's only handler; safe to call concurrently.

#include <atomic>
#include <string>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace unitysim {

class Faults;
class Handlers;
class Journal;
class ObjectModel;
class Sessions;
class SimClock;
struct ApiAnswer;
struct Fault;

class Router {
 public:
  Router(ObjectModel& model, Handlers& handlers, Sessions& sessions, Faults& faults,
         Journal& journal, const SimClock& clock)
      : model_(model),
        handlers_(handlers),
        sessions_(sessions),
        faults_(faults),
        journal_(journal),
        clock_(clock) {}

  void handle(const httplib::Request& req, httplib::Response& res);

  long requestCount() const { return requests_.load(); }
  long loginCount() const { return logins_.load(); }

 private:
  ApiAnswer faultAnswer(const Fault& fault) const;

  ObjectModel& model_;
  Handlers& handlers_;
  Sessions& sessions_;
  Faults& faults_;
  Journal& journal_;
  const SimClock& clock_;
  std::atomic<long> requests_{0};
  std::atomic<long> logins_{0};
};

}  // namespace unitysim
