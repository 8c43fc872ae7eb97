#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using simtest::RequestOptions;
using simtest::SimClient;
using namespace unitysim::code;

constexpr const char* kLogin = "/api/types/loginSessionInfo/instances";
constexpr const char* kLogout = "/api/types/loginSessionInfo/action/logout";
constexpr const char* kCopy = "/api/instances/snap/38654705846/action/copy";
constexpr const char* kCopyBody = R"({"copyName": "c1"})";
RequestOptions Without(bool RequestOptions::*flag) {
  RequestOptions o;
  o.*flag = false;
  return o;
}
const RequestOptions kAnonymous = Without(&RequestOptions::credentials);

using SessionTest = simtest::SimTest;

TEST_F(SessionTest, LoginGivesCookieAndStableToken) {
  const Reply r = client_.login();
  ASSERT_EQ(r.status, 200);
  const std::string cookie = r.header("Set-Cookie");
  EXPECT_EQ(cookie.rfind("mod_sec_emc=value3&1&value1&", 0), 0u) << cookie;
  EXPECT_NE(cookie.find("; path=/; secure; HttpOnly"), std::string::npos) << cookie;
  const std::string token = r.header("EMC-CSRF-TOKEN");
  EXPECT_EQ(token.size(), 108u);
  EXPECT_EQ(sim_.loginCount(), 1);

  const auto content = r.json()["entries"][0]["content"];
  EXPECT_EQ(content, unitysim::Json({{"id", "admin"}}));  // id only without fields

  // Later requests ride on the cookie: same token, no new login, no new cookie.
  const Reply again = client_.get(kLogin);
  EXPECT_EQ(again.header("EMC-CSRF-TOKEN"), token);
  EXPECT_EQ(again.header("Set-Cookie"), "");
  EXPECT_EQ(sim_.loginCount(), 1);
}

TEST_F(SessionTest, RefusedCredentialsAndMissingSession) {
  SimClient wrong(sim_, "admin", "nope");
  const Reply bad = wrong.login();
  EXPECT_EQ(bad.status, 401);
  EXPECT_EQ(bad.errorCode(), kUnauthorized);
  EXPECT_EQ(bad.json()["error"]["httpStatusCode"], 401);

  EXPECT_EQ(client_.get(kLogin, kAnonymous).status, 401);
  EXPECT_EQ(sim_.loginCount(), 0);

  // basicSystemInfo is the one query answered without credentials (and without a session).
  const Reply info = client_.get("/api/types/basicSystemInfo/instances?fields=model", kAnonymous);
  EXPECT_EQ(info.status, 200);
  EXPECT_EQ(info.json()["entries"][0]["content"]["model"], "Unity 480F");
  EXPECT_EQ(info.header("EMC-CSRF-TOKEN"), "");
  EXPECT_EQ(sim_.activeSessions(), 0u);
}

TEST_F(SessionTest, MutatingRequestsNeedSessionAndToken) {
  // Basic credentials alone do not open a session for a POST.
  const Reply noSession = client_.post(kCopy, kCopyBody);
  EXPECT_EQ(noSession.status, 401);
  EXPECT_EQ(noSession.errorCode(), kUnauthorized);

  ASSERT_EQ(client_.login().status, 200);
  const std::string token = client_.csrfToken();
  EXPECT_EQ(client_.post(kCopy, kCopyBody, Without(&RequestOptions::csrf)).errorCode(), kCsrf);
  client_.setCsrfToken(token.substr(1) + "A");
  EXPECT_EQ(client_.del("/api/instances/snap/38654705846").status, 401);
  client_.setCsrfToken(token);
  EXPECT_EQ(sim_.model().count("snap"), 7u);  // nothing was done

  const Reply ok = client_.post(kCopy, kCopyBody);
  EXPECT_EQ(ok.status, 200) << ok.body;
  EXPECT_EQ(ok.header("EMC-CSRF-TOKEN"), token);  // the token is on every answer
  // The request carried both the cookie and Basic credentials, as the vendor's examples do.
  const auto last = sim_.journal().last();
  EXPECT_TRUE(last.hasHeader("Authorization"));
  EXPECT_NE(last.header("Cookie").find("mod_sec_emc="), std::string::npos);
}

TEST_F(SessionTest, IdleSessionExpires) {
  sim_.setIdleTimeout(std::chrono::seconds(60));
  ASSERT_EQ(client_.login().status, 200);
  sim_.advanceClock(std::chrono::seconds(59));
  EXPECT_EQ(client_.post(kCopy, kCopyBody).status, 200);  // use renews idleness
  sim_.advanceClock(std::chrono::seconds(61));
  const Reply expired = client_.post(kCopy, R"({"copyName": "c2"})");
  EXPECT_EQ(expired.status, 401);
  EXPECT_EQ(sim_.activeSessions(), 0u);
  // The stale cookie without credentials is refused.
  EXPECT_EQ(client_.get(kLogin, kAnonymous).status, 401);

  // A GET with credentials logs in again; the new session has a new token.
  const std::string oldToken = client_.csrfToken();
  EXPECT_EQ(client_.login().status, 200);
  EXPECT_NE(client_.csrfToken(), oldToken);
  EXPECT_EQ(sim_.loginCount(), 2);
  EXPECT_EQ(client_.post(kCopy, R"({"copyName": "c2"})").status, 200);
}

struct LogoutCase {
  const char* name;
  const char* body;
  int status;
};

class LogoutTest : public simtest::SimTest, public ::testing::WithParamInterface<LogoutCase> {};

TEST_P(LogoutTest, EndsTheSession) {
  ASSERT_EQ(client_.login().status, 200);
  const Reply r = client_.post(kLogout, GetParam().body);
  EXPECT_EQ(r.status, GetParam().status) << r.body;
  if (GetParam().status != 204) return;
  EXPECT_EQ(r.body, "");
  EXPECT_EQ(sim_.activeSessions(), 0u);
  EXPECT_EQ(client_.post(kCopy, kCopyBody).status, 401);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, LogoutTest,
    ::testing::Values(LogoutCase{"StringFalse", R"({"localCleanupOnly": "false"})", 204},
                      LogoutCase{"NoBody", "", 204},
                      LogoutCase{"NotABoolean", R"({"localCleanupOnly": "maybe"})", 422},
                      LogoutCase{"NotJson", "{localCleanupOnly", 400}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
