#pragma once
// A libcurl client for the simulator's tests: verified TLS, in-memory cookies, and the last
// answer's CSRF token sent back on POST and DELETE, as a REST client of the array does.

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/Json.h"
#include "sim/Simulator.h"

namespace simtest {

struct Reply {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;

  std::string header(const std::string& name) const;  // case-insensitive; "" when absent
  unitysim::Json json() const;                        // discarded value when not JSON
  // errorCode of an error envelope, 0 when there is none.
  unsigned long long errorCode() const;
};

struct RequestOptions {
  bool restClientHeader = true;
  bool credentials = true;
  bool csrf = true;
  std::vector<std::string> extraHeaders;
};

class SimClient {
 public:
  explicit SimClient(unitysim::Simulator& sim);
  ~SimClient();
  SimClient(const SimClient&) = delete;
  SimClient& operator=(const SimClient&) = delete;

  Reply get(const std::string& target, const RequestOptions& o = {});
  Reply post(const std::string& target, const std::string& body = "", const RequestOptions& o = {});
  Reply del(const std::string& target, const RequestOptions& o = {});
  Reply send(const std::string& method, const std::string& target, const std::string& body,
             const RequestOptions& o);

  // Logs in (GET of loginSessionInfo) and returns the reply.
  Reply login();
  const std::string& csrfToken() const { return csrf_; }
  void setCsrfToken(std::string t) { csrf_ = std::move(t); }
  void forgetCookies();

 private:
  unitysim::Simulator& sim_;
  CURL* curl_;
  std::string csrf_;
};

// A started simulator with one client; LoggedInTest also logs the client in.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { sim_.start(); }
  unitysim::Simulator sim_;
  SimClient client_{sim_};
};

class LoggedInTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(client_.login().status, 200);
  }
};

}  // namespace simtest
