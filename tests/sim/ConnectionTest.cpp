// The connection and session rules a well-behaved client never meets: a change needs a session
// (Basic credentials alone do not open one) and its own CSRF token; a broken 204 answer leaves
// the connection usable; the server's certificate file lives as long as the server.
#include "sim/TlsServer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Fault;
using namespace unitysim::code;

using ConnectionTest = simtest::SimTest;
using LoggedInConnectionTest = simtest::LoggedInTest;

constexpr const char* kCopy = "/api/instances/snap/38654705846/action/copy";
constexpr const char* kCopyBody = R"({"copyName": "c1"})";

TEST_F(ConnectionTest, ChangesNeedASessionAndItsToken) {
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

// A 204 answer has no body to break: a body sent after it would stay on the connection and be
// read as the start of the next answer.
TEST_F(LoggedInConnectionTest, BodyFaultsLeaveANoContentAnswerWhole) {
  for (const Fault& fault : {Fault::malformed(), Fault::truncated()}) {
    SCOPED_TRACE(unitysim::faultName(fault.kind));
    sim_.faults().add(Fault(fault).on("POST"));
    EXPECT_EQ(client_.post("/api/instances/snap/38654705846/action/replicate", "{}").status, 204);
    const Reply next = client_.get("/api/types/system/instances?fields=serialNumber");
    EXPECT_EQ(next.code, CURLE_OK);
    EXPECT_EQ(next.status, 200);
  }
}

TEST(TlsServerLifetime, CertificateFileRemovedAndStopIdempotent) {
  std::string path;
  {
    unitysim::TlsServer server;
    path = server.caFile();
    server.start();
    EXPECT_GT(server.port(), 0);
    server.stop();
    server.stop();
    EXPECT_EQ(::access(path.c_str(), R_OK), 0);
  }
  EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

}  // namespace
