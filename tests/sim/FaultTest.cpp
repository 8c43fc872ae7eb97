#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Fault;

constexpr const char* kSystem = "/api/types/system/instances?fields=serialNumber";

// What each fault kind does to an answer, and which requests a fault matches, show through the
// control API (ControlTest) and the library's integration tests; these are the connection hazards.
using FaultRules = simtest::LoggedInTest;

TEST_F(FaultRules, DropOnReusedConnectionIsResentByLibcurl) {
  sim_.faults().add(Fault::drop());
  EXPECT_EQ(client_.get(kSystem).status, 200);
  const auto entries = sim_.journal().entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].fault, "drop");
  EXPECT_EQ(entries[1].status, 0);
  EXPECT_EQ(entries[2].target, entries[1].target);
  EXPECT_EQ(sim_.handshakeCount(), 2);
}

// A 204 answer has no body to break: a body sent after it would stay on the connection and be
// read as the start of the next answer.
TEST_F(FaultRules, BodyFaultsLeaveANoContentAnswerWhole) {
  for (const Fault& fault : {Fault::malformed(), Fault::truncated()}) {
    SCOPED_TRACE(unitysim::faultName(fault.kind));
    sim_.faults().add(Fault(fault).on("POST"));
    EXPECT_EQ(client_.post("/api/instances/snap/38654705846/action/replicate", "{}").status, 204);
    const Reply next = client_.get(kSystem);
    EXPECT_EQ(next.code, CURLE_OK);
    EXPECT_EQ(next.status, 200);
  }
}

// The hazard of that resend: a POST the array carried out is sent again.
TEST_F(FaultRules, DropAfterWorkMakesLibcurlRepeatThePost) {
  sim_.faults().add(Fault::dropAfterWork().on("POST"));
  const Reply r = client_.post("/api/types/snap/instances",
                               R"({"storageResource": {"id": "sv_2"}, "name": "once"})");
  EXPECT_EQ(r.status, 409);  // the resend meets the snapshot the first send created
  EXPECT_EQ(r.errorCode(), unitysim::code::kDuplicateName);
  EXPECT_EQ(sim_.journal().matching("POST", "/api/types/snap").size(), 2u);
  EXPECT_EQ(sim_.model().count("snap"), 8u);
}

}  // namespace
