#include <gtest/gtest.h>

#include "SimClient.h"

namespace {

using simtest::Reply;
using unitysim::Fault;

constexpr const char* kSystem = "/api/types/system/instances?fields=serialNumber";

// What each fault kind does to an answer, and libcurl's resend after a drop, show through the
// control API (ControlTest) and the library's integration tests; this is the hazard they miss.
using FaultRules = simtest::LoggedInTest;

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

}  // namespace
