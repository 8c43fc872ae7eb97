// Resource behaviour the library's integration tests do not reach: a group snapshot made and
// deleted, an FC initiator made and orphaned, a share's access entries rewritten.
#include <gtest/gtest.h>

#include "SimClient.h"

namespace {

using simtest::Reply;
using unitysim::Json;

using ResourceTest = simtest::LoggedInTest;

TEST_F(ResourceTest, ConsistencyGroupSnapshotHasMembers) {
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

TEST_F(ResourceTest, FcInitiatorShowsItsWWNsAndOutlivesItsHost) {
  const Reply host = client_.post("/api/types/host/instances", R"({"name": "fc-01", "type": 1})");
  const std::string hostId = host.json()["content"]["id"];
  const Reply r = client_.post(
      "/api/types/hostInitiator/instances",
      R"({"host": {"id": ")" + hostId +
          R"("}, "initiatorType": 1, "initiatorWWNorIqn": "20:00:00:25:B5:0A:00:07:21:00:00:25:B5:0A:00:07"})");
  ASSERT_EQ(r.status, 201) << r.body;
  const std::string id = r.json()["content"]["id"];
  EXPECT_EQ(sim_.model().find("hostInitiator", id)->at("portWWN"), "21:00:00:25:B5:0A:00:07");
  EXPECT_EQ(client_.del("/api/instances/host/" + hostId).status, 204);
  EXPECT_FALSE(sim_.model().find("hostInitiator", id)->contains("parentHost"));
}

TEST_F(ResourceTest, SetAcesSetsPerSidAndTypeAndNoneRemoves) {
  const Reply share = client_.post("/api/types/cifsShare/instances",
                                   R"({"snap": {"id": "38654705849"}, "path": "/", "name": "c1"})");
  ASSERT_EQ(share.status, 201) << share.body;
  const std::string actions =
      "/api/instances/cifsShare/" + share.json()["content"]["id"].get<std::string>() + "/action/";
  EXPECT_EQ(client_.post(actions + "getACEs").status, 204);
  const char* writes[] = {
      R"({"cifsShareACEs": [{"sid": "S-1", "accessType": 1, "accessLevel": 1},)"
      R"( {"sid": "S-2", "accessType": 0, "accessLevel": 4}]})",
      // S-1's grant changes level in place; S-1 gains a deny entry; S-2 is removed.
      R"({"cifsShareACEs": [{"sid": "S-1", "accessType": 1, "accessLevel": 2},)"
      R"( {"sid": "S-2", "accessType": 2, "accessLevel": 1},)"
      R"( {"sid": "S-1", "accessType": 0, "accessLevel": 4}]})",
  };
  for (const char* body : writes) ASSERT_EQ(client_.post(actions + "setACEs", body).status, 204);
  const Reply r = client_.post(actions + "getACEs");
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_EQ(r.json()["content"]["cifsShareACEs"],
            Json::parse(R"([{"sid": "S-1", "accessType": 1, "accessLevel": 2},)"
                        R"( {"sid": "S-1", "accessType": 0, "accessLevel": 4}])"));
  EXPECT_EQ(client_.post(actions + "setACEs", R"({"cifsShareACEs": [{"accessType": 1}]})").status,
            422);
}

}  // namespace
