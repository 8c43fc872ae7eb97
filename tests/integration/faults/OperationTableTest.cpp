// The operation table itself: every row succeeds on a fresh default seed and sends its request,
// so the checks that run the table exercise each operation to its end rather than a refusal.
#include <gtest/gtest.h>

#include "tests/support/OperationTable.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

class OperationTableTest : public SimulatorTest,
                           public ::testing::WithParamInterface<OperationRow> {};

TEST_P(OperationTableTest, RowSucceedsOnTheDefaultSeed) {
  const OperationRow& row = GetParam();
  ASSERT_TRUE(session().OpenConnection(false));  // a logout is sent only by a logged-in session
  EXPECT_TRUE(row.run(session())) << session().errorText;
  EXPECT_FALSE(requests(row.method, row.path).empty());
}

INSTANTIATE_TEST_SUITE_P(Operations, OperationTableTest, ::testing::ValuesIn(OperationTable()),
                         [](const auto& row) { return row.param.name; });

}  // namespace
}  // namespace unitytest
