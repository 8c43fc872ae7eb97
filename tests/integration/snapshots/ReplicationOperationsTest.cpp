// Replication operations against the simulator.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

// The default seed: sv_1 and res_1 each have one replication session, sv_2 none.
const std::string kSession = "81604378625_CKM00213300417_0000_81604378632_CKM00213300955_0000";

using ReplicationOpsTest = SimulatorTest;

TEST_F(ReplicationOpsTest, MarkSnapForReplication) {
  ASSERT_TRUE(session().MarkSnapForReplication(38654705846ULL)) << session().errorText;
  const unitysim::JournalEntry mark = requests("POST").at(0);
  EXPECT_EQ(mark.target, "/api/instances/snap/38654705846/action/replicate?");
  EXPECT_EQ(mark.body, R"({"isRemoteAutoDelete": false})");
  const unitysim::Json snap = sim().model().find("snap", "38654705846").value();
  EXPECT_FALSE(snap["snapRemoteRetentionPolicies"][0]["isRemoteAutoDelete"].get<bool>());
}

TEST_F(ReplicationOpsTest, SyncByResourceFindsItsOneSession) {
  DiagLogCapture capture(0);
  ASSERT_TRUE(session().SyncReplicationSessionForResource("sv_1")) << session().errorText;
  EXPECT_EQ(requests("GET", "/api/types/replicationSession/").at(0).target,
            "/api/types/replicationSession/instances?&fields=id,remoteSystem.id"
            "&filter=(srcResourceId+eq+\"sv_1\")");
  EXPECT_EQ(requests("POST", "/api/instances/replicationSession/").at(0).target,
            "/api/instances/replicationSession/" + kSession + "/action/sync?&timeout=20");
  EXPECT_TRUE(capture.contains("Successfully synced replication session [" + kSession + "]"));
}

TEST_F(ReplicationOpsTest, SyncByResourceNeedsExactlyOneSession) {
  unitysim::Json second = sim().model().find("replicationSession", kSession).value();
  second["id"] = "second_session";
  sim().model().add("replicationSession", second);
  const struct {
    const char* resource;
    const char* sizeLine;
  } rows[] = {{"sv_2", "Incorrect response size [0]"}, {"sv_1", "Incorrect response size [2]"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.resource);
    DiagLogCapture capture;
    EXPECT_FALSE(session().SyncReplicationSessionForResource(row.resource));
    EXPECT_TRUE(capture.contains(row.sizeLine));
    EXPECT_TRUE(capture.contains("Failed to get replication info for resource [" +
                                 std::string(row.resource) + "] of fileserver [" + sim().host() +
                                 "]"));
  }
  EXPECT_TRUE(requests("POST", "/api/instances/replicationSession/").empty());
}

TEST_F(ReplicationOpsTest, FailedSyncLogsTheSessionId) {
  sim().model().update("replicationSession", kSession,
                       [](unitysim::Json& s) { s["localRole"] = 2; });  // destination side
  DiagLogCapture capture;
  EXPECT_FALSE(session().SyncReplicationSessionForResource("sv_1"));
  EXPECT_TRUE(capture.contains("Failed to sync replication session resource [" + kSession + "]"));
  EXPECT_NE(session().errorCode, 0u);
}

// The array reads back exactly the id that was asked for, though it holds URL syntax.
TEST_F(ReplicationOpsTest, UrlBytesInResourceIdAreEncoded) {
  unitysim::Json odd = sim().model().find("replicationSession", kSession).value();
  odd["id"] = "odd_session";
  odd["srcResourceId"] = "sv 1&x=#+%";
  sim().model().add("replicationSession", odd);
  ReplicationSessionInfo info;
  ASSERT_TRUE(session().GetReplicationInfoForResId(info, "sv 1&x=#+%")) << session().errorText;
  EXPECT_EQ(info.sessionId, "odd_session");
  EXPECT_EQ(requests("GET", "/api/types/replicationSession/").at(0).target,
            "/api/types/replicationSession/instances?&fields=id,remoteSystem.id"
            "&filter=(srcResourceId+eq+\"sv+1%26x=%23%2B%25\")");
}

}  // namespace
}  // namespace unitytest
