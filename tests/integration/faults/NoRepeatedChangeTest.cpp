// A change whose answer was lost after the array did it is never resent: it fails as unknown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "tests/support/OperationTable.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

class NoRepeatedChangeTest : public SimulatorTest,
                             public ::testing::WithParamInterface<OperationRow> {};

TEST_P(NoRepeatedChangeTest, LostAnswerEndsInUnknownOutcome) {
  const OperationRow& row = GetParam();
  // The request then travels on a kept-alive connection, where libcurl would resend it.
  ASSERT_TRUE(session().OpenConnection(false));
  sim().faults().add(unitysim::Fault::dropAfterWork().on(row.method, row.path));
  DiagLogCapture capture(-1);

  EXPECT_FALSE(row.run(session()));
  EXPECT_EQ(session().errorCode, 1u);
  EXPECT_EQ(session().errorText, "No response body");
  const std::string reason = session().transport->lastTransportError();
  EXPECT_THAT(reason, ::testing::HasSubstr("whether the array carried it out is unknown"));
  EXPECT_TRUE(capture.contains("No answer from the array: " + reason));
  EXPECT_EQ(sim().faults().pending(), 0u);
  EXPECT_EQ(requests(row.method, row.path).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Operations, NoRepeatedChangeTest,
                         ::testing::ValuesIn(ChangingOperations()),
                         [](const auto& row) { return row.param.name; });

// Queries and deletions keep libcurl's resend on a fresh connection: the array may see them twice.
using ResendTest = SimulatorTest;

TEST_F(ResendTest, DroppedDeletionIsSentAgainAndDone) {
  ASSERT_TRUE(session().OpenConnection(false));
  sim().faults().add(unitysim::Fault::dropAfterWork().on("DELETE"));
  EXPECT_TRUE(session().DeleteSnapshot(38654705847ULL)) << session().errorText;
  EXPECT_EQ(requests("DELETE").size(), 2u);
  EXPECT_EQ(requests("DELETE").back().status, 404);
}

}  // namespace
}  // namespace unitytest
