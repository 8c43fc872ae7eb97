// Connection lifecycle against the simulator: logout, destruction, changing arrays, the system
// information queries and connection reuse.
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/integration/session/TestMessages.h"
#include "tests/support/SimulatorFixture.h"
#include "unity/SessionMessages.h"

namespace unitytest {
namespace {

const char kLogoutPath[] = "/api/types/loginSessionInfo/action/logout";

using SessionLifecycleTest = SimulatorTest;

TEST_F(SessionLifecycleTest, DestructorLogsOutOnlyWhenLoggedIn) {
  {
    auto session = makeSession();
    ASSERT_TRUE(session->OpenConnection(false));
    EXPECT_EQ(sim().activeSessions(), 1u);
  }
  const auto logouts = requests("POST", kLogoutPath);
  ASSERT_EQ(logouts.size(), 1u);
  EXPECT_EQ(logouts[0].body, "{\"localCleanupOnly\": \"false\"}");
  EXPECT_EQ(logouts[0].status, 204);
  EXPECT_EQ(sim().activeSessions(), 0u);

  sim().journal().clear();
  { auto idle = makeSession(); }
  EXPECT_EQ(sim().journal().size(), 0u);
}

TEST_F(SessionLifecycleTest, LogoutAnswered401CountsAsDone) {
  auto session = makeSession();
  ASSERT_TRUE(session->OpenConnection(false));
  sim().faults().add(unitysim::Fault::httpStatus(401).on("POST", kLogoutPath));
  EXPECT_TRUE(session->CloseConnection(false));
  EXPECT_FALSE(session->loggedIn);
  EXPECT_EQ(requests("POST", kLogoutPath).size(), 1u);
}

TEST_F(SessionLifecycleTest, SetFileServerLogsOutOnlyWhenTheArrayChanges) {
  auto session = makeSession();
  ASSERT_TRUE(session->OpenConnection(false));
  ASSERT_TRUE(session->SetFileServer(sim().host()));
  EXPECT_TRUE(session->loggedIn);
  EXPECT_TRUE(requests("POST", kLogoutPath).empty());

  ASSERT_TRUE(session->SetFileServer("localhost:" + std::to_string(sim().port())));
  EXPECT_FALSE(session->loggedIn);
  EXPECT_EQ(requests("POST", kLogoutPath).size(), 1u);
  EXPECT_EQ(session->cookieFile, "/tmpEMCUnityCookie_localhost:" + std::to_string(sim().port()));

  // A logout that fails leaves no array chosen.
  ASSERT_TRUE(session->OpenConnection(false)) << session->errorText;
  sim().faults().add(unitysim::Fault::httpStatus(503).on("POST", kLogoutPath));
  EXPECT_FALSE(session->SetFileServer(sim().host()));
  EXPECT_TRUE(session->fileServer.empty());
  EXPECT_FALSE(session->loggedIn);
  EXPECT_EQ(session->httpStatus, 503);
}

TEST_F(SessionLifecycleTest, SystemInformationFailsWhenTheSecondQueryFails) {
  auto session = makeSession();
  sim().faults().add(unitysim::Fault::httpStatus(500).on("GET", "/api/types/system/"));
  _UnityBasicSystemInfo info;
  EXPECT_FALSE(session->GetBasicSystemInformation(info));
  EXPECT_EQ(session->httpStatus, 500);
  EXPECT_NE(session->errorCode, 0u);
  EXPECT_EQ(requests("GET", "/api/types/basicSystemInfo").at(0).status, 200);
}

TEST_F(SessionLifecycleTest, HundredRequestsWithReloginUseOneHandshake) {
  auto session = makeSession();
  for (int i = 0; i < 100; ++i) {
    if (i == 50) sim().faults().add(unitysim::Fault::httpStatus(401, false).on("GET"));
    EMCUnityJsonGetSystemInfo message;
    ASSERT_TRUE(RunMessage(*session, message, "GetSystemInfo")) << i << session->errorText;
  }
  EXPECT_EQ(loginRequests(), 1u);  // the re-login after the 401
  EXPECT_EQ(requests("GET", "/api/types/system").size(), 101u);
  EXPECT_EQ(sim().handshakeCount(), 1);
}

}  // namespace
}  // namespace unitytest
