// The array's session rules that a well-behaved client never meets: a change needs a session
// (Basic credentials alone do not open one) and the session's own CSRF token.
#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using namespace unitysim::code;

constexpr const char* kCopy = "/api/instances/snap/38654705846/action/copy";
constexpr const char* kCopyBody = R"({"copyName": "c1"})";

using SessionTest = simtest::SimTest;

TEST_F(SessionTest, ChangesNeedASessionAndItsToken) {
  const Reply noSession = client_.post(kCopy, kCopyBody);
  EXPECT_EQ(noSession.status, 401);
  EXPECT_EQ(noSession.errorCode(), kUnauthorized);

  ASSERT_EQ(client_.login().status, 200);
  const std::string token = client_.csrfToken();
  EXPECT_EQ(client_.post(kCopy, kCopyBody, {true, true, /*csrf=*/false, {}}).errorCode(), kCsrf);
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

}  // namespace
