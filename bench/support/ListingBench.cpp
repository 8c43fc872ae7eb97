#include "bench/support/ListingBench.h"

#include <curl/curl.h>
#include <strings.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"

namespace listbench {

const char kUser[] = "admin";
const char kPassword[] = "Password123!";

namespace {

// Which sides the rounds run: all, or one alone (argv[2] of Main).
enum class Sides { kAll, kLibrary, kRaw, kRawTarget };
Sides g_sides = Sides::kAll;

double WallNow() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Seconds(clockid_t clock) {
  timespec ts;
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double CpuNow() {
  return Seconds(CLOCK_PROCESS_CPUTIME_ID);
}

// The calling thread's CPU time: the client's own share, without the simulator's threads.
double ThreadCpuNow() {
  return Seconds(CLOCK_THREAD_CPUTIME_ID);
}

struct Traffic {
  long requests = 0;
  double sent = 0;
  double received = 0;
};

// Request bytes as the simulator received them: request line, header lines, blank line, body.
// The server's own entries (LOCAL_ADDR, REMOTE_PORT, ...) were not sent and are not counted.
Traffic FromJournal(unitysim::Simulator& sim) {
  Traffic t;
  for (const unitysim::JournalEntry& e : sim.journal().entries()) {
    ++t.requests;
    t.sent += static_cast<double>(e.method.size() + 1 + e.target.size() + 11 + 2 + e.body.size());
    for (const auto& h : e.headers) {
      if (h.first.rfind("LOCAL_", 0) == 0 || h.first.rfind("REMOTE_", 0) == 0) continue;
      t.sent += static_cast<double>(h.first.size() + 2 + h.second.size() + 2);
    }
  }
  return t;
}

size_t CountBody(char*, size_t size, size_t count, void* total) {
  *static_cast<double*>(total) += static_cast<double>(size * count);
  return size * count;
}

size_t KeepCsrfToken(char* data, size_t size, size_t count, void* token) {
  static const char kName[] = "EMC-CSRF-TOKEN:";
  const std::string line(data, size * count);
  if (line.size() > sizeof kName && strncasecmp(line.c_str(), kName, sizeof kName - 1) == 0) {
    std::string value = line.substr(sizeof kName - 1);
    value.erase(0, value.find_first_not_of(' '));
    value.erase(std::min(value.find_first_of("\r\n"), value.size()));
    *static_cast<std::string*>(token) = value;
  }
  return size * count;
}

// One request of the library as the journal recorded it: its URL and whether it carried the CSRF
// token (the library sends it from the login answer on, except on the result pages it follows).
struct RawRequest {
  std::string uri;
  bool csrf;
};

// The baseline: the same GETs on one easy handle, byte for byte the requests the library sends
// (its header lines and user agent, Basic credentials, the cookie, and the CSRF token the first
// answer hands out where the library sent it), certificate verification on. The plain loop gives
// libcurl whole URLs; the second baseline hands it each request target as it stands, as the
// library does, which spares libcurl reassembling long queries: against it the library's own work
// shows.
class RawClient {
 public:
  RawClient(const std::string& caFile, bool handsOverTarget)
      : curl_(curl_easy_init()), handsOverTarget_(handsOverTarget) {
    static const std::string userAgent =
        std::string("ManageEMCUnity/1.0 libcurl/") + curl_version_info(CURLVERSION_NOW)->version;
    base_ = BaseHeaders();
    curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile.c_str());
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, base_);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(curl_, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl_, CURLOPT_USERNAME, kUser);
    curl_easy_setopt(curl_, CURLOPT_PASSWORD, kPassword);
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CountBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &received_);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &KeepCsrfToken);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &token_);
  }
  ~RawClient() {
    curl_easy_cleanup(curl_);
    curl_slist_free_all(base_);
    curl_slist_free_all(withToken_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool Run(const std::vector<RawRequest>& requests, Traffic& traffic) {
    received_ = 0;
    traffic = Traffic();
    curl_slist* current = base_;
    for (const RawRequest& request : requests) {
      if (request.csrf && withToken_ == nullptr && !token_.empty()) {
        withToken_ = curl_slist_append(BaseHeaders(), ("EMC-CSRF-TOKEN: " + token_).c_str());
      }
      curl_slist* wanted = request.csrf && withToken_ != nullptr ? withToken_ : base_;
      if (wanted != current) {
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, wanted);
        current = wanted;
      }
      const size_t query = request.uri.find('?');
      if (handsOverTarget_ && query != std::string::npos) {
        const size_t path = request.uri.find('/', request.uri.find("://") + 3);
        curl_easy_setopt(curl_, CURLOPT_URL, request.uri.substr(0, query).c_str());
        curl_easy_setopt(curl_, CURLOPT_REQUEST_TARGET, request.uri.c_str() + path);
      } else {
        curl_easy_setopt(curl_, CURLOPT_URL, request.uri.c_str());
        curl_easy_setopt(curl_, CURLOPT_REQUEST_TARGET, static_cast<const char*>(nullptr));
      }
      long status = 0;
      if (curl_easy_perform(curl_) != CURLE_OK) return false;
      curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
      if (status != 200) return false;
      ++traffic.requests;
    }
    traffic.received = received_;
    return true;
  }

 private:
  static curl_slist* BaseHeaders() {
    curl_slist* list = curl_slist_append(nullptr, "Content-Type: application/json");
    list = curl_slist_append(list, "Accept: application/json; version=4.0");
    list = curl_slist_append(list, "X-EMC-REST-CLIENT: true");
    return curl_slist_append(list, "Expect:");
  }

  CURL* curl_;
  bool handsOverTarget_;
  curl_slist* base_ = nullptr;
  curl_slist* withToken_ = nullptr;
  std::string token_;
  double received_ = 0;
};

bool CarriesCsrfToken(const unitysim::JournalEntry& entry) {
  for (const auto& header : entry.headers) {
    if (strcasecmp(header.first.c_str(), "EMC-CSRF-TOKEN") == 0) return true;
  }
  return false;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One side's line: its traffic and the medians of its times.
void PrintSide(const std::string& label, const Traffic& traffic, double received,
               const std::vector<double>& wall, const std::vector<double>& cpu,
               const std::vector<double>& thread) {
  std::printf(
      "  %-24s: %ld requests, %.0f bytes sent, %.0f bytes received, wall %.3f s, cpu %.3f s "
      "(client thread %.4f s)\n",
      label.c_str(), traffic.requests, traffic.sent, received, Median(wall), Median(cpu),
      Median(thread));
}

std::unique_ptr<ManageEMCUnity> NewSession(unitysim::Simulator& sim) {
  std::unique_ptr<ManageEMCUnity> session(new ManageEMCUnity);
  session->userName = kUser;
  session->SetPasswd(kPassword, false, false);
  session->SetFileServer(sim.host());
  return session;
}

}  // namespace

unitysim::SimOptions Options(const std::string& seed) {
  unitysim::SimOptions options;
  options.user = kUser;
  options.password = kPassword;
  options.seed = seed;
  return options;
}

// Each raw client closes its connection before the next round and long before the server stops
// (a live keep-alive connection would hold the stop up).
int Measure(unitysim::Simulator& sim, const std::string& title, const std::string& libraryLabel,
            int rounds, const Listing& listing) {
  PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, sim.caFile());

  std::vector<double> libWall, libCpu, libThread, wallRatio, cpuRatio, targetWallRatio,
      targetCpuRatio;
  // The two raw loops: whole URLs, and targets as they stand.
  struct RawSide {
    bool handsOverTarget;
    Traffic traffic;
    std::vector<double> wall, cpu, thread;
  } plain{false, {}, {}, {}, {}}, asIs{true, {}, {}, {}, {}};
  Traffic lib;
  std::vector<RawRequest> requests;

  // One listing through the library: a fresh session, whose first GET logs in, as a job would.
  const auto runLibrary = [&]() {
    sim.journal().clear();
    const std::unique_ptr<ManageEMCUnity> session = NewSession(sim);
    const double w0 = WallNow(), c0 = CpuNow(), t0 = ThreadCpuNow();
    const bool ok = listing(*session);
    libWall.push_back(WallNow() - w0);
    libCpu.push_back(CpuNow() - c0);
    libThread.push_back(ThreadCpuNow() - t0);
    if (!ok) return false;
    lib = FromJournal(sim);
    requests.clear();
    for (const unitysim::JournalEntry& e : sim.journal().entries()) {
      requests.push_back({sim.baseUrl() + e.target, CarriesCsrfToken(e)});
    }
    return true;
  };  // the session logs out on return, outside the measurement

  // The same requests through a raw client on a new connection, as the library's job has one.
  const auto runRaw = [&](RawSide& side) {
    sim.journal().clear();
    RawClient rawClient(sim.caFile(), side.handsOverTarget);
    const double w0 = WallNow(), c0 = CpuNow(), t0 = ThreadCpuNow();
    const bool ok = rawClient.Run(requests, side.traffic);
    side.wall.push_back(WallNow() - w0);
    side.cpu.push_back(CpuNow() - c0);
    side.thread.push_back(ThreadCpuNow() - t0);
    if (!ok) {
      std::fprintf(stderr, "raw libcurl loop failed\n");
      return false;
    }
    const double received = side.traffic.received;
    side.traffic = FromJournal(sim);  // sent bytes counted the same way for all
    side.traffic.received = received;
    return true;
  };

  // The first listing records the requests; after it each round runs the three sides back to back,
  // their order turning from round to round, so none always runs first or on the caches another
  // warmed. Each round gives one ratio per loop, and the median of those ratios is reported: a busy
  // machine slows whole rounds, not one side.
  if (!runLibrary()) return 1;
  libWall.clear();
  libCpu.clear();
  libThread.clear();
  for (int round = 0; round < rounds; ++round) {
    if (g_sides != Sides::kAll) {
      const bool ok = g_sides == Sides::kLibrary ? runLibrary()
                      : g_sides == Sides::kRaw   ? runRaw(plain)
                                                 : runRaw(asIs);
      if (!ok) return 1;
      continue;
    }
    for (int turn = 0; turn < 3; ++turn) {
      const int side = (round + turn) % 3;
      if (!(side == 0 ? runLibrary() : runRaw(side == 1 ? plain : asIs))) return 1;
    }
    wallRatio.push_back(libWall.back() / plain.wall.back());
    cpuRatio.push_back(libCpu.back() / plain.cpu.back());
    targetWallRatio.push_back(libWall.back() / asIs.wall.back());
    targetCpuRatio.push_back(libCpu.back() / asIs.cpu.back());
  }

  // Bytes the library received (answer bodies), from its own protocol trace in one more,
  // unmeasured round.
  double libReceived = 0;
  {
    DiagLogCapture capture(5);
    const std::unique_ptr<ManageEMCUnity> session = NewSession(sim);
    listing(*session);
    const std::string prefix = "Json response : [";
    for (const DiagLogRecord& r : capture.records()) {
      if (r.text.compare(0, prefix.size(), prefix) == 0) {
        libReceived += static_cast<double>(r.text.size() - prefix.size() - 1);
      }
    }
  }

  std::printf("%s, %d rounds (median)%s\n", title.c_str(), rounds,
              g_sides == Sides::kAll ? "" : ", one side only");
  const auto printRaw = [](const char* label, const RawSide& side) {
    PrintSide(label, side.traffic, side.traffic.received, side.wall, side.cpu, side.thread);
  };
  const bool all = g_sides == Sides::kAll;
  if (all || g_sides == Sides::kLibrary) {
    PrintSide(libraryLabel, lib, libReceived, libWall, libCpu, libThread);
  }
  if (all || g_sides == Sides::kRaw) printRaw("raw libcurl loop", plain);
  if (all || g_sides == Sides::kRawTarget) printRaw("raw loop, targets as is", asIs);
  if (!all) return 0;
  std::printf("  ratio library / raw     : wall %.2f, cpu %.2f (median of the rounds' ratios)\n",
              Median(wallRatio), Median(cpuRatio));
  std::printf("  ratio library / raw loop with targets as is: wall %.2f, cpu %.2f\n",
              Median(targetWallRatio), Median(targetCpuRatio));
  return 0;
}

int Main(int argc, char** argv, const std::function<int(int rounds)>& run) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  if (argc > 2) {
    const std::string side = argv[2];
    if (side != "library" && side != "raw" && side != "raw-target") {
      std::fprintf(stderr, "usage: %s [rounds] [library|raw|raw-target]\n", argv[0]);
      return 2;
    }
    g_sides = side == "library" ? Sides::kLibrary : side == "raw" ? Sides::kRaw : Sides::kRawTarget;
  }
  diaglog::setQuiet(true);
  diaglog::setLevel(0);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const int status = run(rounds);
  curl_global_cleanup();
  return status;
}

}  // namespace listbench
