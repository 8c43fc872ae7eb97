// unity-sim: runs the array simulator stand-alone until SIGINT or SIGTERM. Prints its URL, the
// path of the CA file clients must trust, and the token of its control API.

#include <signal.h>
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "sim/ControlCodec.h"
#include "sim/Resources.h"
#include "sim/ScaleSeed.h"
#include "sim/Simulator.h"
#include "tools/CliManual.h"

int main(int argc, char** argv) {
  CLI::App app{"Unity array REST simulator (HTTPS on 127.0.0.1)"};
  int port = 0;
  std::string user = "admin";
  std::string password = "Password123!";
  std::string seedFile;
  size_t pageSize = 2000;
  long idleTimeout = 3600;
  bool printSeed = false;
  std::string apiVersion;
  size_t scale = 0;
  std::string controlToken;
  std::vector<std::string> slow;
  std::vector<std::string> faults;
  app.add_option("--port", port, "port to listen on (0 = any free port)");
  app.add_option("--user", user, "user name accepted for Basic login");
  app.add_option("--password", password, "password accepted for Basic login");
  app.add_option("--seed", seedFile, "JSON file with the objects to start with")
      ->check(CLI::ExistingFile);
  app.add_option("--page-size", pageSize, "entries per page when a request names no per_page")
      ->check(CLI::Range(1, 2000));
  app.add_option("--idle-timeout", idleTimeout, "seconds of idleness before a session expires")
      ->check(CLI::PositiveNumber);
  app.add_option("--api-version", apiVersion,
                 "REST API version the array reports, e.g. 4.0, 4.1 or 5.0 (default: the seed's)");
  app.add_option("--scale", scale,
                 "add this many LUNs, storage resources, hosts (with an initiator and an IP port) "
                 "and file systems to the seed");
  app.add_option("--control-token", controlToken,
                 "token that opens the control API under /_sim/ (default: a random one, printed)");
  app.add_option("--slow", slow,
                 "TYPE:ACTION:POLLS: requests with timeout=N to this action (create, delete or an "
                 "action name) run as background jobs reporting running for POLLS polls; "
                 "repeatable, e.g. snap:create:3")
      ->allow_extra_args(false);
  app.add_option("--fault", faults,
                 "a fault for the next answers, as the JSON object POST /_sim/api/faults takes, "
                 "e.g. '{\"kind\": \"error\", \"status\": 409, \"errorCode\": 100666337, "
                 "\"method\": \"POST\", \"path\": \"/api/types/snap/instances\"}'; "
                 "repeatable, applied in order")
      ->allow_extra_args(false);
  app.add_flag("--print-seed", printSeed, "print the default seed and exit");
  climanual::AddGenerateDocOption(app, "ManageEMCUnity " UNITY_PROJECT_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;  // usage errors exit with 2, like unityctl
  }

  if (printSeed) {
    std::cout << unitysim::defaultSeedText() << std::endl;
    return 0;
  }
  // Block the signals before any thread starts, so that only sigwait below receives them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  unitysim::SimOptions options;
  options.user = user;
  options.password = password;
  options.pageSize = pageSize;
  options.idleTimeout = std::chrono::seconds(idleTimeout);
  options.apiVersion = apiVersion;
  options.controlToken = controlToken;
  if (!seedFile.empty()) {
    std::ifstream in(seedFile);
    std::stringstream text;
    text << in.rdbuf();
    options.seed = text.str();
  }
  try {
    unitysim::Simulator sim(options);
    if (scale > 0) {
      unitysim::addScaleObjects(sim.model(), scale);
      sim.loadSeed(sim.model().dump());  // a reset returns to the scaled array
    }
    try {
      for (const std::string& s : slow) unitysim::applySlow(sim, unitysim::slowFromText(s));
      for (const std::string& f : faults) {
        const unitysim::Json request = unitysim::Json::parse(f, nullptr, false);
        if (request.is_discarded()) throw std::invalid_argument("'" + f + "' is not JSON");
        sim.faults().add(unitysim::faultFromJson(request));
      }
    } catch (const std::invalid_argument& e) {
      std::cerr << "unity-sim: " << e.what() << std::endl;
      return 2;
    }
    sim.start(port);
    std::cout << "url " << sim.baseUrl() << "\n"
              << "ca-file " << sim.caFile() << "\n"
              << "pinned-key " << sim.publicKeyPin() << "\n"
              << "control-token " << sim.controlToken() << "\n"
              << "console " << sim.baseUrl() << "/_sim/" << std::endl;
    int received = 0;
    sigwait(&signals, &received);
    std::cerr << "unity-sim: stopping on signal " << received << std::endl;
    sim.stop();
  } catch (const std::exception& e) {
    std::cerr << "unity-sim: " << e.what() << std::endl;
    return 1;
  }
  return 0;
}
