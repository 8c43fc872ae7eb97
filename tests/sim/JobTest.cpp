#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Json;
using namespace unitysim::code;

constexpr const char* kJobFields = "?&fields=id,messageOut,parametersOut,state";

class JobTest : public simtest::LoggedInTest {
 protected:
  Json poll(const std::string& id) {
    const Reply r = client_.get("/api/instances/job/" + id + kJobFields);
    EXPECT_EQ(r.status, 200) << r.body;
    return r.json()["content"];
  }
};

TEST_F(JobTest, TimeoutZeroAnswersBareRunningJob) {
  const Reply r = client_.post("/api/instances/snap/38654705846/action/copy?timeout=0",
                               R"({"copyName": "bg"})");
  ASSERT_EQ(r.status, 202) << r.body;
  const Json job = r.json();
  EXPECT_FALSE(job.contains("content"));  // bare job object, not wrapped
  EXPECT_EQ(job["state"], 2);
  EXPECT_EQ(job["id"].get<std::string>().rfind("N-", 0), 0u);
  EXPECT_EQ(job["methodName"], "snap.copy");

  const Json done = poll(job["id"]);
  EXPECT_EQ(done["state"], 4);
  const std::string copyId = done["parametersOut"]["copies"][0]["id"];
  EXPECT_TRUE(sim_.model().find("snap", copyId));
  EXPECT_EQ(done["messageOut"]["errorCode"], 0);
  EXPECT_EQ(done["messageOut"]["httpStatusCode"], 200);
  EXPECT_EQ(done["messageOut"]["messages"][0]["message"], "Success");
}

TEST_F(JobTest, WithoutTimeoutOrSlowSettingTheAnswerIsDirect) {
  sim_.setSlow("snap", "copy", 3);
  EXPECT_EQ(
      client_.post("/api/instances/snap/38654705846/action/copy", R"({"copyName": "a"})").status,
      200);
  EXPECT_EQ(client_.del("/api/instances/snap/38654705848?timeout=20").status, 204);
  EXPECT_EQ(sim_.model().count("job"), 0u);
}

TEST_F(JobTest, FailNextJobReportsStateFiveAndSkipsTheRequest) {
  sim_.failNextJob(108008449, "The specified file system size is too small.", 422);
  const Reply r = client_.del("/api/instances/snap/38654705848?timeout=0");
  ASSERT_EQ(r.status, 202);
  const Json done = poll(r.json()["id"]);
  EXPECT_EQ(done["state"], 5);
  EXPECT_EQ(done["messageOut"]["errorCode"], 108008449);
  EXPECT_EQ(done["messageOut"]["httpStatusCode"], 422);
  EXPECT_EQ(done["messageOut"]["messages"][0]["message"],
            "The specified file system size is too small. (Error Code:0x6701401)");
  EXPECT_TRUE(sim_.model().find("snap", "38654705848"));

  const Json tasks =
      client_.get("/api/instances/job/" + done["id"].get<std::string>() + "?fields=tasks")
          .json()["content"]["tasks"];
  EXPECT_EQ(tasks[0]["state"], 3);
  EXPECT_EQ(tasks[0]["messages"][0]["errorCode"], 108008449);
  EXPECT_EQ(tasks[0]["messages"][0]["messages"][0]["locale"], "en_US");
}

TEST_F(JobTest, RequestErrorsInsideAJob) {
  // timeout=0: the error travels in the job; timeout=N: the array reports it at once.
  sim_.setSlow("snap", "attach", 1);
  const Reply bg = client_.post("/api/instances/snap/38654705847/action/attach?timeout=0", "");
  ASSERT_EQ(bg.status, 202);
  const std::string id = bg.json()["id"];
  EXPECT_EQ(poll(id)["state"], 2);
  const Json failed = poll(id);
  EXPECT_EQ(failed["state"], 5);
  EXPECT_EQ(failed["messageOut"]["errorCode"], kAlreadyAttached);
  EXPECT_EQ(failed["messageOut"]["httpStatusCode"], 409);

  const Reply direct = client_.post("/api/instances/snap/38654705847/action/attach?timeout=20", "");
  EXPECT_EQ(direct.status, 409);
  EXPECT_EQ(direct.errorCode(), kAlreadyAttached);
  EXPECT_EQ(client_.del("/api/instances/job/" + id).status, 204);
}

}  // namespace
