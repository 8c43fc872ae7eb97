#pragma once
// unitysim::Simulator: an in-process stand-in for a Unity array's REST interface over HTTPS on
// 127.0.0.1, for integration tests, demos and users' own tests. See docs/simulator.md.
//
//   unitysim::Simulator sim;            // default seed: a Unity 480F with LUNs and snapshots
//   sim.start();                        // ephemeral port, certificate generated in memory
//   client.setArray(sim.host());        // "127.0.0.1:<port>"; trust sim.caFile()
//   sim.faults().add(unitysim::Fault::httpStatus(503).on("POST", "/api/instances/snap"));
//   sim.setSlow("snap", "copy", 2);     // copy with timeout=N answers 202; done after 2 polls
//   ... run the client ...
//   EXPECT_EQ(sim.journal().last().status, 204);
//   EXPECT_EQ(sim.model().count("snap"), 8u);
//
// Everything here is thread-safe; the server answers on its own threads.

#include <chrono>
#include <cstdint>
#include <string>

#include "sim/Clock.h"
#include "sim/Control.h"
#include "sim/Faults.h"
#include "sim/Handlers.h"
#include "sim/Jobs.h"
#include "sim/Journal.h"
#include "sim/ObjectModel.h"
#include "sim/Router.h"
#include "sim/Sessions.h"
#include "sim/TlsServer.h"

namespace unitysim {

struct SimOptions {
  std::string user = "admin";
  std::string password = "Password123!";
  // Seed in the seed format ({"<type>": [objects]}); empty means the default seed, "{}" an
  // array without objects.
  std::string seed;
  size_t pageSize = 2000;  // entries per page when the request names no per_page (at most 2000)
  std::chrono::seconds idleTimeout{3600};
  bool rejectEmptyFilter = false;  // answer "filter=" with nothing after it as a syntax error
  // The REST API version the array reports (e.g. "4.0", "4.1", "5.0"); empty keeps the seed's.
  // Below 5.0 snapshots take no host access lists.
  std::string apiVersion;
  // Opens the control API under /_sim/ (header X-Sim-Control-Token); empty means a random one.
  std::string controlToken;
};

class Simulator {
 public:
  // Builds the model and the TLS server. Throws std::invalid_argument for a bad seed and
  // std::runtime_error when the certificate cannot be made.
  explicit Simulator(SimOptions options = {});
  ~Simulator();  // stops the server
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Returns once requests are accepted. Port 0 (tests) picks a free one.
  void start(int port = 0);
  void stop();  // idempotent

  int port() const { return tls_.port(); }
  std::string host() const;     // "127.0.0.1:<port>": the array address for the client
  std::string baseUrl() const;  // "https://127.0.0.1:<port>"
  const std::string& caFile() const { return tls_.caFile(); }  // PEM to trust
  std::string publicKeyPin() const { return tls_.publicKeyPin(); }

  long handshakeCount() const { return tls_.handshakeCount(); }
  long connectionCount() const { return tls_.connectionCount(); }
  long requestCount() const { return router_.requestCount(); }
  long loginCount() const { return router_.loginCount(); }  // sessions created by Basic login
  size_t activeSessions() const { return sessions_.active(); }

  Journal& journal() { return journal_; }
  Faults& faults() { return faults_; }
  ObjectModel& model() { return model_; }
  Jobs& jobs() { return jobs_; }

  void setCredentials(const std::string& user, const std::string& password);
  void setIdleTimeout(std::chrono::seconds t);
  void expireSessions();  // every session ends; the next request needs a new login
  // Moves simulated time: sessions idle longer than the idle timeout expire.
  void advanceClock(std::chrono::milliseconds by) { clock_.advance(by); }
  SimClock::TimePoint now() const { return clock_.now(); }

  // Requests with timeout=N to this action ("create", "delete" or an action name) run as
  // background jobs, reporting "running" for pollsBeforeDone polls. timeout=0 always does.
  void setSlow(const std::string& type, const std::string& action, int pollsBeforeDone);
  // The next background job fails with this error (state 5) instead of running its request.
  void failNextJob(std::uint32_t errorCode, const std::string& message, int httpStatus = 422);
  void setPageSize(size_t perPage);
  // The REST API version the array reports from now on (see SimOptions::apiVersion).
  void setApiVersion(const std::string& version);

  // Objects back to the seed; faults, slow actions, a pending job failure and the journal
  // cleared. Sessions, credentials and the clock stay.
  void reset();
  // Replaces the objects with those of `seed` (the seed format) and makes it the seed reset()
  // returns to. Throws std::invalid_argument for a bad seed and then changes nothing.
  void loadSeed(const Json& seed);
  Json seedDocument() const;  // the seed reset() returns to

  const std::string& controlToken() const { return control_.token(); }

 private:
  void applySeed(const Json& seed);  // caller holds the model lock

  SimClock clock_;
  ObjectModel model_;
  Jobs jobs_;
  Sessions sessions_{clock_};
  Faults faults_;
  Journal journal_;
  Handlers handlers_{model_, jobs_};
  Router router_{model_, handlers_, sessions_, faults_, journal_, clock_};
  Json seed_;               // guarded by the model lock
  std::string apiVersion_;  // reported instead of the seed's when not empty; model lock
  Control control_;
  TlsServer tls_;  // last: destroyed first, so no request runs while the rest goes away
};

}  // namespace unitysim
