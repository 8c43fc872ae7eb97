// The session against the simulator: logins, tokens, re-login, errors, pages, logout, reuse.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/integration/session/TestMessages.h"
#include "tests/support/SimulatorFixture.h"
#include "unity/messages/SessionMessages.h"

namespace unitytest {
namespace {

using ::testing::StartsWith;

const unsigned long long kUnauthorized = 131149828;
const char kUnpairedSnap[] = "38654705848";  // Oracle_Logs_daily_1, in no snapshot group

class SessionRequestTest : public SimulatorTest {
 protected:
  // "METHOD status" of every request the simulator received, in order.
  std::vector<std::string> trace() const {
    std::vector<std::string> out;
    for (const unitysim::JournalEntry& e : requests(""))
      out.push_back(e.method + " " + std::to_string(e.status));
    return out;
  }
  static std::string token(const ManageEMCUnity& session) {
    const size_t colon = session.csrfHeader.find(": ");
    return colon == std::string::npos ? "" : session.csrfHeader.substr(colon + 2);
  }
};

TEST_F(SessionRequestTest, FirstGetLogsInByItselfAndLaterRequestsCarryTheToken) {
  DiagLogCapture capture;
  _UnityBasicSystemInfo info;
  ASSERT_TRUE(session().GetBasicSystemInformation(info)) << session().errorText;
  EXPECT_EQ(info.model + " " + info.apiVersion + " " + info.serialNumber,
            "Unity 480F 13.0 CKM00213300417");
  EXPECT_EQ(session().apiVersion, "4.0");
  EXPECT_EQ(session().csrfHeader.find_first_of("\r\n"), std::string::npos);
  const std::string csrf = token(session());
  ASSERT_FALSE(csrf.empty()) << session().csrfHeader;

  const auto sent = requests("");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].target,
            "/api/types/basicSystemInfo/instances?&fields=apiVersion,earliestApiVersion,model,name,"
            "softwareVersion");
  EXPECT_TRUE(sent[0].hasHeader("Authorization"));
  EXPECT_FALSE(sent[0].hasHeader("EMC-CSRF-TOKEN"));
  EXPECT_EQ(sent[0].header("Accept"), "application/json; version=4.0");
  EXPECT_EQ(sent[0].header("X-EMC-REST-CLIENT"), "true");
  EXPECT_EQ(sent[1].target, "/api/types/system/instances?&fields=serialNumber");
  EXPECT_EQ(sent[1].header("EMC-CSRF-TOKEN"), csrf);
  EXPECT_EQ(loginRequests(), 0u);

  EXPECT_TRUE(capture.contains("Request completed with successful login",
                               "ProcessWithServer::GetBasicSystemInformation"));
}

// POST and DELETE take one road: a change request logs in first, then carries the token.
TEST_F(SessionRequestTest, FirstChangeLogsInFirst) {
  TestCreateSnap create("sv_1", "first-post");
  ASSERT_TRUE(RunMessage(session(), create, "TestOperation")) << session().errorText;
  const auto sent = requests("");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].method + " " + sent[0].target, "GET /api/types/loginSessionInfo/instances");
  EXPECT_EQ(sent[1].method + " " + std::to_string(sent[1].status), "POST 201");
  EXPECT_EQ(sent[1].header("EMC-CSRF-TOKEN"), token(session()));
  EXPECT_FALSE(create.createdId.empty());
}

TEST_F(SessionRequestTest, OpenConnectionAdoptsTheArraysApiVersion) {
  ASSERT_TRUE(session().OpenConnection(true)) << session().errorText;
  EXPECT_EQ(session().apiVersion, "13.0");
  EXPECT_EQ(trace(), (std::vector<std::string>{"GET 200", "GET 200", "GET 200"}));
  // Choosing the same array again keeps the session but forgets the version.
  ASSERT_TRUE(session().SetFileServer(sim().host()));
  EXPECT_EQ(session().apiVersion, "4.0");
  EXPECT_TRUE(session().loggedIn);
}

TEST_F(SessionRequestTest, RefusedLoginReportsTheArraysCodeOrCode5) {
  const struct {
    const char* name;
    bool wrongPassword;
    unsigned long long code;
    const char* text;
  } rows[] = {
      {"wrongPassword", true, kUnauthorized, "The username or password is not correct."},
      {"bodiless401", false, 5, "Unauthorised. Incorrect username/password"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    sim().journal().clear();
    auto session = makeSession();
    if (row.wrongPassword) {
      session->SetPasswd("not-the-password", false, false);
    } else {
      sim().faults().add(unitysim::Fault::httpStatus(401, false));
    }
    EXPECT_FALSE(session->OpenConnection(false));
    EXPECT_EQ(session->errorCode, row.code);
    EXPECT_THAT(session->errorText, StartsWith(row.text));
    EXPECT_EQ(trace(), std::vector<std::string>{"GET 401"});
  }
}

TEST_F(SessionRequestTest, LoginAnswerWithoutTokenFailsWithAnError) {
  sim().faults().add(unitysim::Fault::noCsrf());
  EXPECT_FALSE(session().OpenConnection(false));
  EXPECT_EQ(session().errorCode, 1u);
  EXPECT_EQ(session().errorText, "The array's login answer carried no EMC-CSRF-TOKEN header");
}

TEST_F(SessionRequestTest, ExpiredSessionLogsInAgainAndResends) {
  ASSERT_TRUE(session().OpenConnection(false));
  const std::string oldToken = token(session());
  sim().expireSessions();
  sim().journal().clear();

  TestCreateSnap create("sv_1", "after-expiry");
  ASSERT_TRUE(RunMessage(session(), create, "TestCreateSnap")) << session().errorText;
  EXPECT_EQ(trace(), (std::vector<std::string>{"POST 401", "GET 200", "POST 201"}));
  const auto posts = requests("POST");
  EXPECT_EQ(posts[0].header("EMC-CSRF-TOKEN"), oldToken);
  EXPECT_EQ(posts[1].header("EMC-CSRF-TOKEN"), token(session()));
  EXPECT_NE(token(session()), oldToken);
}

TEST_F(SessionRequestTest, AtMostThreeSendsPerPage) {
  const struct {
    const char* name;
    bool withBody;
    unsigned long long code;
    const char* text;
  } rows[] = {
      {"bodiless", false, 5, "Unauthorised. Session logged out. Retry"},
      {"arrayError", true, kUnauthorized,
       "The user is not authenticated or the session has expired."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto session = makeSession();
    ASSERT_TRUE(session->OpenConnection(false));
    sim().journal().clear();
    sim().faults().add(
        unitysim::Fault::httpStatus(401, row.withBody).on("POST", "/api/types/snap").times(5));
    TestCreateSnap create("sv_1", std::string("never-") + row.name);
    DiagLogCapture capture;
    EXPECT_FALSE(RunMessage(*session, create, "TestCreateSnap"));
    EXPECT_TRUE(capture.contains("Going to retry with new connection",
                                 "ProcessWithServer::TestCreateSnap"));
    EXPECT_TRUE(
        capture.contains("Error [HTTP:401][" + std::to_string(row.code) + "] [" + row.text));
    EXPECT_EQ(session->errorCode, row.code);
    EXPECT_EQ(trace(),
              (std::vector<std::string>{"POST 401", "GET 200", "POST 401", "GET 200", "POST 401"}));
    sim().faults().clear();
  }
}

TEST_F(SessionRequestTest, RefusedReloginEndsWithTheLoginsError) {
  ASSERT_TRUE(session().OpenConnection(false));
  sim().journal().clear();
  sim().faults().add(unitysim::Fault::httpStatus(401, false).on("POST"));
  sim().faults().add(unitysim::Fault::httpStatus(401, false).on("GET"));
  TestCreateSnap create("sv_1", "never");
  EXPECT_FALSE(RunMessage(session(), create, "TestCreateSnap"));
  EXPECT_EQ(session().errorCode, 5u);
  EXPECT_EQ(session().errorText, "Unauthorised. Incorrect username/password");
  EXPECT_FALSE(session().loggedIn);
  EXPECT_EQ(trace(), (std::vector<std::string>{"POST 401", "GET 401"}));
}

TEST_F(SessionRequestTest, AcceptedErrorOnOnePageDoesNotExcuseALaterPage) {
  // Page 1 is the accepted not-found of a deletion; page 2, the same deletion, cannot be read.
  struct TwoPages : TestDeleteSnap {
    TwoPages() : TestDeleteSnap("999") {}
    bool ParseResponse(std::string& response) override {
      return pagesRead == 0 && TestDeleteSnap::ParseResponse(response);
    }
    void ParseNextURI(std::string&) override {
      if (++pagesRead > 1) nextURI.clear();
    }
    int pagesRead = 0;
  } remove;
  ASSERT_TRUE(session().OpenConnection(false));
  sim().journal().clear();
  EXPECT_FALSE(RunMessage(session(), remove, "TestDeleteSnap", {kNotFound}));
  EXPECT_EQ(trace().size(), 2u);
}

TEST_F(SessionRequestTest, ErrorWithoutBodyOrCode) {
  ASSERT_TRUE(session().OpenConnection(false));
  sim().faults().add(unitysim::Fault::httpStatus(500, false).on("DELETE"));
  TestDeleteSnap remove(kUnpairedSnap);
  DiagLogCapture capture;
  EXPECT_FALSE(RunMessage(session(), remove, "TestDeleteSnap", {kNotFound}));
  // The status is all such an answer says, so the failure line carries it.
  EXPECT_TRUE(capture.contains("Failed with Error [1][No response body] [HTTP 500]",
                               "ProcessWithServer::TestDeleteSnap"));
  EXPECT_EQ(session().httpStatus, 500);
}

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
  ASSERT_TRUE(session().OpenConnection(false));
  sim().faults().add(unitysim::Fault::httpStatus(401).on("POST", kLogoutPath));
  EXPECT_TRUE(session().CloseConnection(false));
  EXPECT_FALSE(session().loggedIn);
}

TEST_F(SessionLifecycleTest, SetFileServerLogsOutOnlyWhenTheArrayChanges) {
  ASSERT_TRUE(session().OpenConnection(false));
  ASSERT_TRUE(session().SetFileServer("localhost:" + std::to_string(sim().port())));
  EXPECT_FALSE(session().loggedIn);
  EXPECT_EQ(requests("POST", kLogoutPath).size(), 1u);
  EXPECT_EQ(session().cookieFile, "/tmpEMCUnityCookie_localhost:" + std::to_string(sim().port()));

  // A logout that fails leaves no array chosen.
  ASSERT_TRUE(session().OpenConnection(false)) << session().errorText;
  sim().faults().add(unitysim::Fault::httpStatus(503).on("POST", kLogoutPath));
  EXPECT_FALSE(session().SetFileServer(sim().host()));
  EXPECT_TRUE(session().fileServer.empty());
  EXPECT_FALSE(session().loggedIn);
  EXPECT_EQ(session().httpStatus, 503);
}

TEST_F(SessionLifecycleTest, SystemInformationFailsWhenTheSecondQueryFails) {
  sim().faults().add(unitysim::Fault::httpStatus(500).on("GET", "/api/types/system/"));
  _UnityBasicSystemInfo info;
  EXPECT_FALSE(session().GetBasicSystemInformation(info));
  EXPECT_EQ(session().httpStatus, 500);
  EXPECT_EQ(requests("GET", "/api/types/basicSystemInfo").at(0).status, 200);
}

TEST_F(SessionLifecycleTest, HundredRequestsWithReloginUseOneHandshake) {
  for (int i = 0; i < 100; ++i) {
    if (i == 50) sim().faults().add(unitysim::Fault::httpStatus(401, false).on("GET"));
    EMCUnityJsonGetSystemInfo message;
    ASSERT_TRUE(RunMessage(session(), message, "GetSystemInfo")) << i << session().errorText;
  }
  EXPECT_EQ(loginRequests(), 1u);  // the re-login after the 401
  EXPECT_EQ(requests("GET", "/api/types/system").size(), 101u);
  EXPECT_EQ(sim().handshakeCount(), 1);
}

}  // namespace
}  // namespace unitytest
