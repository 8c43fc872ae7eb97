#include <gtest/gtest.h>

#include <regex>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using simtest::SimClient;
using unitysim::Json;
using namespace unitysim::code;

constexpr const char* kSnaps = "/api/types/snap/instances";
constexpr const char* kAttached = "/api/instances/snap/38654705847";  // attached, Host_1 has RW
constexpr const char* kDetached = "/api/instances/snap/38654705846";

class SnapTest : public simtest::LoggedInTest {
 protected:
  Json snap(const std::string& id) { return *sim_.model().find("snap", id); }
  std::string create(const std::string& body) {
    const Reply r = client_.post(kSnaps, body);
    EXPECT_EQ(r.status, 201) << r.body;
    return r.json()["content"]["id"];
  }
  // Status and error code of a POST to an action of kDetached.
  int status(const std::string& action, const std::string& body = "") {
    return client_.post(std::string(kDetached) + "/action/" + action, body).status;
  }
  unsigned long long error(const std::string& action, const std::string& body = "") {
    return client_.post(std::string(kDetached) + "/action/" + action, body).errorCode();
  }
};

TEST_F(SnapTest, CreateWithTheClientsBody) {
  const std::string a = create(
      R"({"filesystemAccessType": 1, "isAutoDelete": false, "name": "backup_1", "storageResource": {"id": "sv_2"}})");
  const std::string b = create(R"({"name": "backup_2", "storageResource": {"id": "sv_2"}})");
  // Decimal ids of the array's size, minted in increasing order.
  EXPECT_TRUE(std::regex_match(a, std::regex("[1-9][0-9]{10,}")));
  EXPECT_GT(std::stoull(a), 38654705852ULL);
  EXPECT_EQ(std::stoull(b), std::stoull(a) + 1);

  const Json s = snap(a);
  EXPECT_EQ(s["name"], "backup_1");
  EXPECT_EQ(s["storageResource"], Json({{"id", "sv_2"}}));
  EXPECT_EQ(s["isAutoDelete"], false);
  EXPECT_EQ(s["isModifiable"], false);
  EXPECT_EQ(sim_.model().find("storageResource", "sv_2")->at("snapCount"), 3);
}

struct RejectCase {
  const char* name;
  const char* body;
  int status;
  unsigned long long errorCode;
};

class SnapCreateRejectTest : public SnapTest, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(SnapCreateRejectTest, LeavesTheModelAlone) {
  const Reply r = client_.post(kSnaps, GetParam().body);
  EXPECT_EQ(r.status, GetParam().status) << r.body;
  EXPECT_EQ(r.errorCode(), GetParam().errorCode);
  EXPECT_EQ(sim_.model().count("snap"), 7u);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, SnapCreateRejectTest,
    ::testing::Values(
        RejectCase{"UnknownArgument", R"({"storageResource": {"id": "sv_2"}, "label": "x"})", 422,
                   kInvalidArgument},
        RejectCase{"MissingResource", R"({"name": "x"})", 422, kInvalidArgument},
        RejectCase{"UnknownResource", R"({"storageResource": {"id": "sv_404"}})", 404, kNotFound},
        RejectCase{"BadAccessType",
                   R"({"storageResource": {"id": "sv_2"}, "filesystemAccessType": 3})", 422,
                   kInvalidArgument},
        RejectCase{"DuplicateName",
                   R"({"storageResource": {"id": "sv_2"}, "name": "Oracle_Logs_daily_1"})", 409,
                   kDuplicateName}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SnapTest, ConsistencyGroupSnapshotHasMembers) {
  const std::string group = create(R"({"name": "cg_1", "storageResource": {"id": "res_2"}})");
  const Reply r =
      client_.get(std::string(kSnaps) + "?fields=id,lun.id,name&filter=%28snapGroup.id%20eq%20%22" +
                  group + "%22%29");
  const Json entries = r.json()["entries"];
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]["content"]["lun"]["id"], "sv_3");
  EXPECT_EQ(entries[1]["content"]["lun"]["id"], "sv_4");

  const Reply copy =
      client_.post("/api/instances/snap/" + group + "/action/copy", R"({"copyName": "cg_1c"})");
  const std::string copyId = copy.json()["content"]["copies"][0]["id"];
  EXPECT_EQ(sim_.model().count("snap"), 7u + 6u);
  EXPECT_EQ(client_.del("/api/instances/snap/" + copyId).status, 204);
  EXPECT_EQ(client_.del("/api/instances/snap/" + group).status, 204);
  EXPECT_EQ(sim_.model().count("snap"), 7u);
}

TEST_F(SnapTest, CopyNamesAndParent) {
  const Reply one = client_.post(std::string(kDetached) + "/action/copy?&timeout=20",
                                 R"({"copyName": "Oracle copy"})");
  ASSERT_EQ(one.status, 200) << one.body;
  const std::string id = one.json()["content"]["copies"][0]["id"];
  EXPECT_EQ(snap(id)["name"], "Oracle copy");
  EXPECT_EQ(snap(id)["parentSnap"], Json({{"id", "38654705846"}}));
}

TEST_F(SnapTest, RestoreTakesABackupFirst) {
  const Reply r = client_.post(std::string(kDetached) + "/action/restore?&timeout=20");
  ASSERT_EQ(r.status, 200) << r.body;
  const std::string backup = r.json()["content"]["backup"]["id"];
  EXPECT_EQ(snap(backup)["creatorType"], 6);
  EXPECT_EQ(snap(backup)["storageResource"], Json({{"id", "sv_1"}}));
  EXPECT_EQ(client_.post("/api/instances/snap/38654705851/action/restore").errorCode(),
            kInvalidArgument);  // a member of a group snapshot
}

TEST_F(SnapTest, ReplicateNeedsAReplicatedResource) {
  EXPECT_EQ(status("replicate?", R"({"isRemoteAutoDelete": false})"), 204);
  EXPECT_EQ(snap("38654705846")["snapRemoteRetentionPolicies"][0],
            Json::parse(R"({"isRemoteAutoDelete": false, "isRemoteRetentionSameAsSource": false,
                            "remoteSystem": {"id": "RS_1"}})"));
  const Reply r = client_.post("/api/instances/snap/38654705848/action/replicate",
                               R"({"isRemoteAutoDelete": false})");
  EXPECT_EQ(r.status, 422);
  EXPECT_EQ(r.errorCode(), kNotReplicated);
}

TEST_F(SnapTest, AttachModifyDetach) {
  ASSERT_EQ(status("attach?&timeout=20",
                   R"({"hostAccess": [{"allowedAccess": 1, "host": {"id": "Host_1"}}]})"),
            204);
  Json s = snap("38654705846");
  EXPECT_EQ(s["isModifiable"], true);
  EXPECT_TRUE(std::regex_match(s["attachedWWN"].get<std::string>(),
                               std::regex("60:06:01:60(:[0-9A-F]{2}){12}")));
  const Reply twice = client_.post(std::string(kDetached) + "/action/attach", "");
  EXPECT_EQ(twice.status, 409);
  EXPECT_EQ(twice.errorCode(), kAlreadyAttached);

  EXPECT_EQ(status("modify", R"({"hostAccess": [{"host": {"id": "Host_3"}, "allowedAccess": 1}]})"),
            204);
  EXPECT_EQ(snap("38654705846")["hostAccess"][0]["host"]["id"], "Host_3");
  EXPECT_EQ(error("modify", R"({"hostAccess": [{"host": {"id": "Host_3"}, "allowedAccess": 2}]})"),
            kInvalidArgument);

  EXPECT_EQ(status("detach?&timeout=20"), 204);
  s = snap("38654705846");
  EXPECT_FALSE(s.contains("attachedWWN"));
  EXPECT_FALSE(s.contains("hostAccess"));
  EXPECT_EQ(error("detach"), kNotAttached);
  EXPECT_EQ(error("modify", R"({"hostAccess": []})"), kHostAccessNeedsAttach);
  EXPECT_EQ(client_.post("/api/instances/snap/38654705849/action/attach").errorCode(),
            kInvalidArgument);  // file snapshot
}

TEST_F(SnapTest, AttachACopy) {
  const Reply r =
      client_.post(std::string(kAttached) + "/action/attach", R"({"copyName": "mount"})");
  ASSERT_EQ(r.status, 200) << r.body;
  const std::string copy = r.json()["content"]["copy"]["id"];
  EXPECT_TRUE(snap(copy).contains("attachedWWN"));
  EXPECT_NE(snap(copy)["attachedWWN"], snap("38654705847")["attachedWWN"]);
}

TEST_F(SnapTest, ReplicationSync) {
  const std::string id = "81604378625_CKM00213300417_0000_81604378632_CKM00213300955_0000";
  EXPECT_EQ(
      client_.post("/api/instances/replicationSession/" + id + "/action/sync?&timeout=20").status,
      204);
  EXPECT_NE(sim_.model().find("replicationSession", id)->at("lastSyncTime"),
            "2024-05-02T11:30:00.000Z");
}

}  // namespace
