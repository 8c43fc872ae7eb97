#pragma once
// The control API and console page under /_sim/, on the simulator's own HTTPS port: what the
// Simulator class offers to C++ tests (state, reset, journal, faults, slow and failing jobs,
// clock, session expiry), as JSON for testers in any language. See docs/simulator.md.
//
// Every request under /_sim/api/ needs the control token in the X-Sim-Control-Token header;
// without it the answer is 401 and nothing changes. The array's credentials do not open it, and
// the token does not open the array's REST interface. Control requests are not journaled, not
// counted as requests and never meet injected faults. Safe to call concurrently.

#include <string>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace unitysim {

class Simulator;

class Control {
 public:
  static constexpr const char* kTokenHeader = "X-Sim-Control-Token";

  Control(Simulator& sim, std::string token);

  // True for the paths this class answers: /_sim and everything below it.
  static bool owns(const std::string& path);
  void handle(const httplib::Request& req, httplib::Response& res);

  const std::string& token() const { return token_; }

 private:
  Simulator& sim_;
  const std::string token_;
};

}  // namespace unitysim
