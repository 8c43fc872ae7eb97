// An error inside a background job travels in its messageOut; with a time-out it comes at once.
#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Json;

using JobTest = simtest::LoggedInTest;

TEST_F(JobTest, RequestErrorsInsideAJob) {
  sim_.setSlow("snap", "attach", 1);
  const Reply bg = client_.post("/api/instances/snap/38654705847/action/attach?timeout=0", "");
  ASSERT_EQ(bg.status, 202) << bg.body;
  const std::string id = bg.json()["id"];
  const std::string poll = "/api/instances/job/" + id + "?&fields=id,messageOut,state";
  EXPECT_EQ(content(poll)["state"], 2);
  const Json failed = content(poll);
  EXPECT_EQ(failed["state"], 5);
  EXPECT_EQ(failed["messageOut"]["errorCode"], unitysim::code::kAlreadyAttached);
  EXPECT_EQ(failed["messageOut"]["httpStatusCode"], 409);

  const Reply direct = client_.post("/api/instances/snap/38654705847/action/attach?timeout=20", "");
  EXPECT_EQ(direct.status, 409);
  EXPECT_EQ(direct.errorCode(), unitysim::code::kAlreadyAttached);
  EXPECT_EQ(client_.del("/api/instances/job/" + id).status, 204);
}

}  // namespace
