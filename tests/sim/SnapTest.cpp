// Snapshot behaviour the integration tests do not reach: group snapshots and refused actions.
#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using namespace unitysim::code;

using SnapTest = simtest::LoggedInTest;

TEST_F(SnapTest, ConsistencyGroupSnapshotHasMembers) {
  const Reply created = client_.post("/api/types/snap/instances",
                                     R"({"name": "cg_1", "storageResource": {"id": "res_2"}})");
  ASSERT_EQ(created.status, 201) << created.body;
  const std::string group = created.json()["content"]["id"];
  const unitysim::Json entries =
      client_
          .get("/api/types/snap/instances?fields=id,lun.id,name&filter=%28snapGroup.id%20eq%20%22" +
               group + "%22%29")
          .json()["entries"];
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]["content"]["lun"]["id"], "sv_3");
  EXPECT_EQ(entries[1]["content"]["lun"]["id"], "sv_4");
  EXPECT_EQ(sim_.model().count("snap"), 7u + 3u);
  EXPECT_EQ(client_.del("/api/instances/snap/" + group).status, 204);
  EXPECT_EQ(sim_.model().count("snap"), 7u);
}

TEST_F(SnapTest, RefusedActions) {
  const struct {
    const char* name;
    const char* snap;  // 846 and 848 are detached LUN snapshots, 849 a file snapshot, 851 a member
    const char* action;
    const char* body;
    int status;
    unsigned long long code;
  } rows[] = {
      {"ReplicateWithoutSession", "38654705848", "replicate", "{}", 422, kNotReplicated},
      {"AttachFileSnapshot", "38654705849", "attach", "", 422, kInvalidArgument},
      {"ModifyDetached", "38654705846", "modify", R"({"hostAccess": []})", 409,
       kHostAccessNeedsAttach},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Reply r = client_.post(
        std::string("/api/instances/snap/") + row.snap + "/action/" + row.action, row.body);
    EXPECT_EQ(r.status, row.status) << r.body;
    EXPECT_EQ(r.errorCode(), row.code);
  }
}

}  // namespace
