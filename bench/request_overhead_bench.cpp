// Cost of the session's request road (headers, message building, parsing, log calls) over a bare
// libcurl loop that sends the same requests to the same in-process simulator: same URL, same
// headers, same credentials and cookie, same TLS verification, one easy handle.
//
//   request_overhead_bench [requests]     (default 2000)
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "sim/Simulator.h"
#include "unity/ManageEMCUnity.h"
#include "unity/messages/SessionMessages.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kUser[] = "admin";
const char kPassword[] = "Password123!";
const int kRounds = 10;

double MicrosSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

size_t KeepBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

size_t KeepCsrf(char* data, size_t size, size_t count, void* target) {
  const std::string line(data, size * count);
  const std::string name = "EMC-CSRF-TOKEN:";
  if (line.compare(0, name.size(), name) == 0) {
    *static_cast<std::string*>(target) = line.substr(0, line.find_first_of("\r\n"));
  }
  return size * count;
}

// The baseline: what the transport does for one request, without the session around it.
class RawClient {
 public:
  RawClient(const std::string& caFile, const std::string& host) : url_base_("https://" + host) {
    curl_ = curl_easy_init();
    curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile.c_str());
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl_, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(curl_, CURLOPT_USERNAME, kUser);
    curl_easy_setopt(curl_, CURLOPT_PASSWORD, kPassword);
    curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl_, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, KeepBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &body_);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, KeepCsrf);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &csrf_);
  }
  ~RawClient() {
    curl_slist_free_all(headers_);
    curl_easy_cleanup(curl_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool get(const std::string& path) {
    curl_slist_free_all(headers_);
    headers_ = nullptr;
    headers_ = curl_slist_append(headers_, "Content-Type: application/json");
    headers_ = curl_slist_append(headers_, "Accept: application/json; version=4.0");
    headers_ = curl_slist_append(headers_, "X-EMC-REST-CLIENT: true");
    if (!csrf_.empty()) headers_ = curl_slist_append(headers_, csrf_.c_str());
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
    const std::string url = url_base_ + path;
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    body_.clear();
    long status = 0;
    return curl_easy_perform(curl_) == CURLE_OK &&
           curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status == 200;
  }

 private:
  CURL* curl_ = nullptr;
  curl_slist* headers_ = nullptr;
  std::string url_base_;
  std::string body_;
  std::string csrf_;
};

struct Stats {
  std::vector<double> samples;
  double mean() const {
    double sum = 0;
    for (double s : samples) sum += s;
    return samples.empty() ? 0 : sum / static_cast<double>(samples.size());
  }
  double median() {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::max(kRounds, std::atoi(argv[1])) : 2000;
  const int perRound = requests / kRounds;
  diaglog::setQuiet(true);
  curl_global_init(CURL_GLOBAL_DEFAULT);

  unitysim::Simulator sim;
  sim.start();
  PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, sim.caFile());
  const std::string path =
      "/api/types/basicSystemInfo/instances?&fields=apiVersion,earliestApiVersion,model,name,"
      "softwareVersion";

  ManageEMCUnity session(1);
  session.userName = kUser;
  session.SetPasswd(kPassword, false, false);
  session.SetFileServer(sim.host());
  const auto libraryRequest = [&session]() {
    EMCUnityJsonGetBasicSystemInfo message;
    message.Init(session.jobId, session.apiVersion);
    message.Initialize(session.fileServer);
    EMCUnityJsonBase* msg = &message;
    std::vector<_UnityBasicSystemInfo> list;
    return session.ProcessWithServer("GetBasicSystemInformation", msg, {}) &&
           message.GetBasicSystemInfo(list) && !list.empty();
  };

  RawClient raw(sim.caFile(), sim.host());
  // Log in both ways and warm up connections, TLS sessions and caches.
  if (!session.OpenConnection(false) || !raw.get("/api/types/loginSessionInfo/instances")) {
    std::fprintf(stderr, "login failed: %s\n", session.errorText.c_str());
    return 1;
  }
  for (int i = 0; i < 50; ++i) {
    if (!libraryRequest() || !raw.get(path)) {
      std::fprintf(stderr, "warm-up request failed: %s\n", session.errorText.c_str());
      return 1;
    }
  }

  // Alternating rounds, so drift in the machine's load affects both sides alike.
  Stats library;
  Stats baseline;
  for (int round = 0; round < kRounds; ++round) {
    for (int i = 0; i < perRound; ++i) {
      const Clock::time_point start = Clock::now();
      if (!libraryRequest()) {
        std::fprintf(stderr, "library request failed: %s\n", session.errorText.c_str());
        return 1;
      }
      library.samples.push_back(MicrosSince(start));
    }
    for (int i = 0; i < perRound; ++i) {
      const Clock::time_point start = Clock::now();
      if (!raw.get(path)) {
        std::fprintf(stderr, "raw request failed\n");
        return 1;
      }
      baseline.samples.push_back(MicrosSince(start));
    }
  }

  const double libraryMean = library.mean();
  const double baselineMean = baseline.mean();
  std::printf("requests per side: %d (GET basicSystemInfo over HTTPS, one connection each)\n",
              perRound * kRounds);
  std::printf("library  ProcessWithServer: mean %8.1f us  median %8.1f us\n", libraryMean,
              library.median());
  std::printf("baseline raw libcurl:       mean %8.1f us  median %8.1f us\n", baselineMean,
              baseline.median());
  std::printf("ratio library/baseline: mean %.3f  median %.3f\n", libraryMean / baselineMean,
              library.median() / baseline.median());
  std::printf("TLS handshakes: %ld\n", sim.handshakeCount());
  return 0;
}
