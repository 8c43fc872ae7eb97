// Cost of sending changing requests once: requests per second for a mix of queries and creations
// (four snapshot lookups, then one snapshot creation) through the transport, with a POST marked
// repeatable (libcurl may resend it on its own, the behaviour before the guard) and as the
// library sends it (never resent). Same simulator, same kept-alive connection per side, rounds
// alternating so drift in the machine's load falls on both alike.
//
//   resend_guard_bench [requests]     (default 3000 per side)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "sim/Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kRounds = 10;
const int kQueriesPerCreation = 4;

class Client {
 public:
  Client(const unitysim::Simulator& sim, bool repeatable)
      : base_(sim.baseUrl()), repeatable_(repeatable) {}

  bool login() {
    if (!transport_.init("Content-Type: application/json", true, true, nullptr) ||
        !transport_.appendHeader(HEADER_CREDENTIALS, "admin:Password123!") ||
        !send(HTTP_METHOD_GET, "/api/types/loginSessionInfo/instances", ""))
      return false;
    const char* line = transport_.getResponseHeader("EMC-CSRF-TOKEN");
    if (line == nullptr) return false;
    csrf_ = line;
    csrf_.erase(csrf_.find_first_of("\r\n"));
    return true;
  }

  // One creation after kQueriesPerCreation queries.
  bool request(int n) {
    if (n % (kQueriesPerCreation + 1) != kQueriesPerCreation)
      return send(HTTP_METHOD_GET, "/api/instances/snap/38654705846?fields=id,name", "");
    const std::string name = std::string(repeatable_ ? "before_" : "after_") + std::to_string(n);
    return send(HTTP_METHOD_POST, "/api/types/snap/instances",
                R"({"storageResource": {"id": "sv_1"}, "name": ")" + name + "\"}");
  }

 private:
  bool send(int method, const std::string& path, const std::string& body) {
    transport_.freeHeaderList();
    transport_.appendHeader(HEADER_LINE, "Accept: application/json; version=4.0");
    transport_.appendHeader(HEADER_LINE, "X-EMC-REST-CLIENT: true");
    if (!csrf_.empty()) transport_.appendHeader(HEADER_LINE, csrf_);
    return transport_.sendRequest(method, base_ + path, body.data(), body.size(), repeatable_,
                                  nullptr);
  }

  HttpTransport transport_;
  std::string base_;
  bool repeatable_;
  std::string csrf_;
};

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::max(kRounds, std::atoi(argv[1])) : 3000;
  const int perRound = requests / kRounds;
  diaglog::setQuiet(true);
  unitysim::Simulator sim;
  sim.start();
  PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, sim.caFile());

  Client before(sim, true);
  Client after(sim, false);
  if (!before.login() || !after.login()) {
    std::fprintf(stderr, "login failed\n");
    return 1;
  }
  double seconds[2] = {0, 0};
  int n = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (int side = 0; side < 2; ++side) {
      Client& client = side == 0 ? before : after;
      const Clock::time_point start = Clock::now();
      for (int i = 0; i < perRound; ++i) {
        if (!client.request(n + i)) {
          std::fprintf(stderr, "request %d failed\n", n + i);
          return 1;
        }
      }
      seconds[side] += std::chrono::duration<double>(Clock::now() - start).count();
    }
    n += perRound;
  }
  const double total = perRound * kRounds;
  std::printf("requests per side: %.0f (%d lookups per creation, one kept-alive connection each)\n",
              total, kQueriesPerCreation);
  std::printf("before (POST may be resent): %8.1f requests/s\n", total / seconds[0]);
  std::printf("after  (POST sent once):     %8.1f requests/s\n", total / seconds[1]);
  std::printf("ratio after/before: %.3f\n", seconds[0] / seconds[1]);
  std::printf("TLS handshakes: %ld (the simulator closes a connection after 1000 requests)\n",
              sim.handshakeCount());
  return 0;
}
