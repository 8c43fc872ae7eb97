#pragma once
// Misbehaviour on demand: rules that make the next answers (optionally only those to a method
// and path prefix) fail in a chosen way. Rules apply in the order added; each matching request
// uses up one of its rule's answers. Thread-safe.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace unitysim {

enum class FaultKind {
  Status,          // answer `status` instead of processing the request
  MalformedBody,   // process, then answer with the body cut short (complete HTTP, broken JSON)
  TruncatedBody,   // process, then close the connection halfway through the body
                   // (both leave a 204 answer, which has no body, as it is)
  DropConnection,  // close the connection without answering; the request is not processed
  DropAfterWork,   // process the request, then close the connection without answering
  Delay,           // wait, then process normally
  NoCsrfHeader,    // process normally but leave EMC-CSRF-TOKEN out of the answer
  Stall,           // answer nothing until the client hangs up (at most `delay`), then close;
                   // the request is not processed
};

struct Fault {
  FaultKind kind = FaultKind::Status;
  int status = 500;
  bool withBody = true;         // Status: send the error envelope (or rawBody)
  std::uint32_t errorCode = 0;  // Status: envelope code; 0 picks one that suits the status
  std::string text;             // Status: envelope text; empty picks one
  std::string rawBody;          // Status: sent verbatim instead of the envelope when not empty
  std::chrono::milliseconds delay{0};  // Delay, Stall; capped at 10 seconds
  std::string method;                  // only requests with this method (empty = any)
  std::string pathPrefix;              // only requests whose path starts with this (empty = any)
  int count = 1;                       // number of answers affected

  static Fault httpStatus(int status, bool withBody = true);
  static Fault error(int status, std::uint32_t errorCode, std::string text);
  static Fault body(int status, std::string rawBody);
  static Fault malformed();
  static Fault truncated();
  static Fault drop();
  static Fault dropAfterWork();
  static Fault delayed(std::chrono::milliseconds by);
  static Fault noCsrf();
  static Fault stall();

  Fault& on(std::string m, std::string prefix = {}) {
    method = std::move(m);
    pathPrefix = std::move(prefix);
    return *this;
  }
  Fault& times(int n) {
    count = n;
    return *this;
  }
};

const char* faultName(FaultKind kind);

class Faults {
 public:
  // Decides on a fault for a request that no rule matched (e.g. a seeded random mix, see
  // RandomFaults). Called without the rules' lock held, from the server's threads.
  using Chooser =
      std::function<std::optional<Fault>(const std::string& method, const std::string& path)>;

  void add(Fault fault);
  void setChooser(Chooser chooser);  // an empty chooser removes it
  void clear();
  size_t pending() const;            // answers still to be affected
  std::vector<Fault> rules() const;  // the rules still pending, in the order they apply
  // Uses one answer of the first rule matching the request.
  std::optional<Fault> take(const std::string& method, const std::string& path);

 private:
  mutable std::mutex mutex_;
  std::vector<Fault> rules_;
  std::shared_ptr<const Chooser> chooser_;
};

}  // namespace unitysim
