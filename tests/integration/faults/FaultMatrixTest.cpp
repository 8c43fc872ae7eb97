// Every fault of the array ends in a clear error state, within the retry bounds, without a crash.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

using unitysim::Fault;
using FaultMatrixTest = SimulatorTest;

TEST_F(FaultMatrixTest, EndsInAClearErrorState) {
  const char kList[] = "/api/types/snap/instances";
  const char kSnap[] = "/api/instances/snap/38654705846";
  const struct {
    const char* name;
    bool remove;  // the deletion of kSnap, else a list of two snapshots
    Fault fault;
    unsigned long long code;
    const char* text;
    size_t sends;  // requests of the operation's own method and path
  } rows[] = {
      {"ArrayErrorOnList", false, Fault::error(500, 1234, "boom"), 1234, "boom (Error Code:0x4d2)",
       1},
      // A complete answer that is not JSON: nothing is taken from it.
      {"MalformedAnswer", false, Fault::malformed(), 1, "The array's answer could not be read", 1},
      {"TruncatedAnswer", false, Fault::truncated(), 1, "No response body", 1},
      // libcurl resends once on a dropped kept-alive connection; the second drop is seen.
      {"DroppedTwice", false, Fault::drop().times(2), 1, "No response body", 2},
      {"ConflictOnDelete", true, Fault::error(409, 0x6000BDC, "in use"), 0x6000BDC,
       "in use (Error Code:0x6000bdc)", 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // Logged in first, so the request travels on a kept-alive connection.
    std::unique_ptr<ManageEMCUnity> session = makeSession();
    ASSERT_TRUE(session->OpenConnection(false));
    sim().journal().clear();
    const char* method = row.remove ? "DELETE" : "GET";
    const char* path = row.remove ? kSnap : kList;
    sim().faults().add(Fault(row.fault).on(method, path));
    std::vector<_UnitySnapInfo> snaps;
    EXPECT_FALSE(row.remove ? session->DeleteSnapshot(38654705846ULL)
                            : session->GetSnapShotList(
                                  snaps, std::vector<SnapID>{38654705846, 38654705847}, false));
    EXPECT_EQ(session->errorCode, row.code);
    EXPECT_EQ(session->errorText, row.text);
    EXPECT_EQ(requests(method, path).size(), row.sends);
  }
}

}  // namespace
}  // namespace unitytest
