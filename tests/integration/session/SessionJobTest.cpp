// Background jobs: a 202 answer is followed to the job's end, the sleep replaced by a counter.
#include <cstdint>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "platform/PlatformSettings.h"
#include "tests/integration/session/TestMessages.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

using ::testing::EndsWith;
using ::testing::StartsWith;

class SessionJobTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    ASSERT_TRUE(session().OpenConnection(false));
    sim().journal().clear();
  }
  // Creates a snapshot with the given time-out setting (0 makes the array answer with a job).
  bool createSnap(TestCreateSnap& message, const std::string& timeout,
                  const std::vector<unsigned long long>& successCodes = {}) {
    ScopedSetting setting(kUnitySettingsSection, "TestCreateSnap_unitytimeout", timeout);
    return RunMessage(session(), message, "TestCreateSnap", successCodes);
  }
  size_t jobQueries() const { return requests("GET", "/api/instances/job/").size(); }
};

TEST_F(SessionJobTest, JobFollowedToSuccessIsParsedLikeADirectAnswer) {
  sim().setSlow("snap", "create", 1);
  TestCreateSnap create("sv_1", "by-job");
  DiagLogCapture capture;
  ASSERT_TRUE(createSnap(create, "30")) << session().errorText;
  EXPECT_TRUE(capture.contains("Waiting for 5 secs before getting job details for id [",
                               "PollBackgroundJob::TestCreateSnap"));
  EXPECT_TRUE(capture.contains("Background job created on fileserver for this operation"));
  EXPECT_EQ(requests("POST").at(0).status, 202);
  // Running on the first poll, completed on the second: two queries, each after a 5 s wait.
  EXPECT_EQ(jobQueries(), 2u);
  EXPECT_EQ(sleeps().totalMillis(), 10000u);
  EXPECT_NE(sim().model().get("snap", create.createdId), nullptr);
  EXPECT_THAT(requests("GET", "/api/instances/job/").at(0).target,
              EndsWith("?&fields=id,messageOut,parametersOut,state"));
}

TEST_F(SessionJobTest, FailedJobReportsItsCodeAndText) {
  sim().failNextJob(100, "The pool is out of space.", 0);
  TestCreateSnap create("sv_1", "job-fails");
  EXPECT_FALSE(createSnap(create, "0"));
  EXPECT_EQ(session().errorCode, 100u);
  EXPECT_THAT(session().errorText, StartsWith("The pool is out of space."));
  EXPECT_EQ(jobQueries(), 1u);
}

TEST_F(SessionJobTest, OnlyTheJobsOwnOutcomeMeansSuccess) {
  // A job ending 404 or 409 failed even with a code accepted for a direct answer; one ending 401
  // ran, so it is not sent again after a new login.
  const struct {
    const char* name;
    int status;
  } rows[] = {{"notFound", 404}, {"conflict", 409}, {"unauthorised", 401}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    sim().journal().clear();
    sim().failNextJob(static_cast<std::uint32_t>(kNotFound), "Gone.", row.status);
    TestCreateSnap create("sv_1", std::string("job-") + row.name);
    EXPECT_FALSE(createSnap(create, "0", {kNotFound}));
    EXPECT_EQ(session().errorCode, kNotFound);
    EXPECT_EQ(session().httpStatus, row.status);
    EXPECT_EQ(requests("POST").size(), 1u);
  }
}

TEST_F(SessionJobTest, PollingStopsAtTheLimit) {
  ScopedSetting limit(kUnitySettingsSection, "UnityJobPollLimitSec", "10");
  sim().setSlow("snap", "create", 1000);
  TestCreateSnap create("sv_1", "never-ends");
  EXPECT_FALSE(createSnap(create, "30"));
  EXPECT_EQ(jobQueries(), 2u);
  EXPECT_EQ(session().errorCode, 1u);
  const std::string target = requests("GET", "/api/instances/job/").at(0).target;
  const std::string jobId = target.substr(19, target.find('?') - 19);
  EXPECT_EQ(session().errorText, "Background job [" + jobId + "] did not finish within 10 seconds");
}

TEST_F(SessionJobTest, A202WithoutJobIdOrUnreadableIsNotFollowed) {
  for (const unitysim::Fault& fault :
       {unitysim::Fault::body(202, "{\"state\": 2}"), unitysim::Fault::malformed()}) {
    sim().faults().add(unitysim::Fault(fault).on("POST"));
    TestCreateSnap create("sv_1", "not-followed");
    EXPECT_FALSE(createSnap(create, "0"));
    EXPECT_EQ(sleeps().waits(), 0);
    EXPECT_EQ(jobQueries(), 0u);
  }
  EXPECT_EQ(requests("POST").back().status, 202);
  EXPECT_EQ(session().errorText, "The array's answer could not be read");
}

}  // namespace
}  // namespace unitytest
