// Operations against an array that misbehaves: every fault ends in a clear error state (or in the
// success the operation's rules allow), within the retry bounds, without a crash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

enum class Op { List, Delete };

struct FaultCase {
  const char* name;
  Op op;
  unitysim::Fault fault;
  bool ok;
  unsigned long long code;
  const char* text;  // nullptr: not checked
  size_t sends;      // requests of the operation's own method and path
};

const char* MethodOf(Op op) {
  return op == Op::List ? "GET" : "DELETE";
}
const char* PathOf(Op op) {
  return op == Op::Delete ? "/api/instances/snap/38654705846" : "/api/types/snap/instances";
}

class FaultMatrixTest : public SimulatorTest, public testing::WithParamInterface<FaultCase> {
 protected:
  bool run(Op op) {
    switch (op) {
      case Op::List: {
        std::vector<_UnitySnapInfo> snaps;
        return session().GetSnapShotList(snaps, std::vector<SnapID>{38654705846, 38654705847},
                                         false);
      }
      case Op::Delete:
        return session().DeleteSnapshot(38654705846ULL);
    }
    return false;
  }
};

TEST_P(FaultMatrixTest, EndsInAClearErrorState) {
  const FaultCase& c = GetParam();
  ASSERT_TRUE(session().OpenConnection(false));
  unitysim::Fault fault = c.fault;
  sim().faults().add(fault.on(MethodOf(c.op), PathOf(c.op)));

  EXPECT_EQ(run(c.op), c.ok);
  EXPECT_EQ(session().errorCode, c.code);
  if (c.text != nullptr) {
    EXPECT_EQ(session().errorText, c.text);
  }
  EXPECT_EQ(requests(MethodOf(c.op), PathOf(c.op)).size(), c.sends);
}

using unitysim::Fault;
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultMatrixTest,
    testing::Values(
        FaultCase{"ArrayErrorOnList", Op::List, Fault::error(500, 1234, "boom"), false, 1234,
                  "boom (Error Code:0x4d2)", 1},
        // A complete answer that is not JSON: the parse fails and nothing is taken from it.
        FaultCase{"MalformedAnswer", Op::List, Fault::malformed(), false, 1,
                  "The array's answer could not be read", 1},
        FaultCase{"TruncatedAnswer", Op::List, Fault::truncated(), false, 1, "No response body", 1},
        // libcurl resends once on a dropped kept-alive connection; the second drop is seen.
        FaultCase{"DroppedTwice", Op::List, Fault::drop().times(2), false, 1, "No response body",
                  2},
        FaultCase{"ConflictOnDelete", Op::Delete, Fault::error(409, 0x6000BDC, "in use"), false,
                  0x6000BDC, "in use (Error Code:0x6000bdc)", 1}),
    [](const testing::TestParamInfo<FaultCase>& row) { return row.param.name; });

}  // namespace
}  // namespace unitytest
