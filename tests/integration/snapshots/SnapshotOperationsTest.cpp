// Snapshot and replication operations against the simulator.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "platform/PlatformSettings.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;

const unsigned long long kFirstId = 38654705664ULL;
const int kSeeded = 130;

// Occurrences of one encoded filter term in a list request.
size_t Terms(const std::string& target, const std::string& term) {
  size_t count = 0;
  for (size_t at = target.find(term); at != std::string::npos; at = target.find(term, at + 1))
    ++count;
  return count;
}

class SnapshotOpsTest : public SimulatorTest {
 protected:
  // 130 snapshots of sv_1 with consecutive ids, snap_000 to snap_129, besides the default seed.
  void SetUp() override {
    SimulatorTest::SetUp();
    char name[16];
    for (int i = 0; i < kSeeded; ++i) {
      std::snprintf(name, sizeof name, "snap_%03d", i);
      sim().model().add("snap", {{"id", std::to_string(kFirstId + static_cast<unsigned>(i))},
                                 {"name", name},
                                 {"storageResource", {{"id", "sv_1"}}},
                                 {"isModifiable", false},
                                 {"state", 2}});
    }
  }
  static std::vector<SnapID> Ids(int count) {
    std::vector<SnapID> ids;
    for (int i = 0; i < count; ++i) ids.push_back(kFirstId + static_cast<unsigned long long>(i));
    return ids;
  }
  std::vector<unitysim::JournalEntry> listRequests() const {
    std::vector<unitysim::JournalEntry> all = requests("GET", "/api/types/snap/instances");
    for (const unitysim::JournalEntry& e : requests("GET", "/api/instances/snap/"))
      all.push_back(e);
    return all;
  }
};

TEST_F(SnapshotOpsTest, CreateCopyLookUpRestoreDelete) {
  DiagLogCapture capture(0);
  SnapID id = 0;
  ASSERT_TRUE(session().CreateSnapShot(id, "sv_2", "it_snap", false)) << session().errorText;
  ASSERT_NE(id, 0u);
  EXPECT_EQ(requests("POST", "/api/types/snap/instances").at(0).body,
            R"({"filesystemAccessType": 1, "isAutoDelete": false, "name": "it_snap", )"
            R"("storageResource": {"id": "sv_2"}})");
  EXPECT_TRUE(capture.contains("Successfully created Snapshot with id [" + std::to_string(id) +
                               "] on fileserver[" + sim().host() + "]"));

  SnapID copy = 0;
  ASSERT_TRUE(session().CopySnapshot(copy, id, "it_copy")) << session().errorText;
  const unitysim::JournalEntry copyRequest = requests("POST", "/api/instances/snap/").at(0);
  EXPECT_EQ(copyRequest.target + " " + copyRequest.body,
            "/api/instances/snap/" + std::to_string(id) +
                "/action/copy?&timeout=20 {\"copyName\": \"it_copy\"}");
  _UnitySnapInfo info;
  ASSERT_TRUE(session().GetSnapShotInfo(info, copy)) << session().errorText;
  EXPECT_EQ(info.name + " " + info.storageResourceId, "it_copy sv_2");

  ASSERT_TRUE(session().RestoreWithSnapshot(id)) << session().errorText;
  EXPECT_EQ(requests("POST", "/api/instances/snap/").back().target,
            "/api/instances/snap/" + std::to_string(id) + "/action/restore?&timeout=20");

  ASSERT_TRUE(session().DeleteSnapshot(copy)) << session().errorText;
  EXPECT_FALSE(sim().model().find("snap", std::to_string(copy)).has_value());
  // Already gone: the array's "does not exist" counts as deleted.
  EXPECT_TRUE(session().DeleteSnapshot(copy));
  EXPECT_EQ(requests("DELETE").back().status, 404);
  EXPECT_EQ(session().errorCode, kNotFound);
}

// Fifty ids or names a request (a longer URL is refused with 414); a lone last id is a
// single-instance query. Ids add to the caller's list, names replace it.
TEST_F(SnapshotOpsTest, IdsAndNamesTravelInBatchesOfFifty) {
  const struct {
    const char* name;
    int count;
    bool byName;
    std::vector<size_t> terms;  // filter terms of each request; 0 for a single-instance query
  } rows[] = {{"51Ids", 51, false, {50, 0}}, {"120Names", 120, true, {50, 50, 20}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    sim().journal().clear();
    std::vector<_UnitySnapInfo> list(1);
    list[0].name = "kept";
    std::vector<std::string> names;
    char name[16];
    for (int i = 0; i < row.count; ++i) {
      std::snprintf(name, sizeof name, "snap_%03d", i);
      names.push_back(name);
    }
    ASSERT_TRUE(row.byName ? session().GetSnapShotList(list, names, false)
                           : session().GetSnapShotList(list, Ids(row.count), false))
        << session().errorText;
    std::vector<size_t> sent;
    for (const unitysim::JournalEntry& e : listRequests())
      sent.push_back(Terms(e.target, row.byName ? "%28name%20eq%20" : "%28id%20eq%20"));
    EXPECT_EQ(sent, row.terms);
    ASSERT_EQ(list.size(), static_cast<size_t>(row.count) + (row.byName ? 0 : 1));
    EXPECT_EQ(list.front().name, row.byName ? "snap_000" : "kept");
    EXPECT_EQ(list.back().name, names.back());
    EXPECT_EQ(list.back().snapId, kFirstId + static_cast<unsigned long long>(row.count) - 1);
    if (row.terms.back() == 0) {
      EXPECT_EQ(listRequests().back().target,
                "/api/instances/snap/" + std::to_string(list.back().snapId) +
                    "?&fields=attachedWWN,id,isModifiable,lun.id,name,storageResource.id");
    }
  }
}

// A batch failing on its second page (pages of 20) keeps the earlier batches, none of its own.
TEST_F(SnapshotOpsTest, FailedBatchKeepsTheBatchesBeforeIt) {
  sim().setPageSize(20);
  int lists = 0;
  sim().faults().setChooser([&lists](const std::string& method,
                                     const std::string& path) -> std::optional<unitysim::Fault> {
    if (method != "GET" || path.rfind("/api/types/snap/instances", 0) != 0 || ++lists != 5) {
      return std::nullopt;
    }
    return unitysim::Fault::error(422, 100666000, "page failed");
  });
  std::vector<_UnitySnapInfo> list(1);
  list[0].name = "kept";
  EXPECT_FALSE(session().GetSnapShotList(list, Ids(120), false));
  sim().faults().setChooser({});
  EXPECT_EQ(lists, 5);
  ASSERT_EQ(list.size(), 51u);
  EXPECT_EQ(list[0].name, "kept");
  EXPECT_EQ(list[50].snapId, kFirstId + 49);
}

TEST_F(SnapshotOpsTest, UnknownIdFailsAloneAndIsAbsentInAFilter) {
  _UnitySnapInfo info;
  EXPECT_FALSE(session().GetSnapShotInfo(info, 99));
  EXPECT_EQ(session().errorCode, kNotFound);
  EXPECT_EQ(requests("GET", "/api/instances/snap/99?").size(), 1u);

  std::vector<_UnitySnapInfo> list;
  ASSERT_TRUE(session().GetSnapShotList(list, std::vector<SnapID>{99, kFirstId}, false));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].snapId, kFirstId);
}

// A UTF-8 name travels in the body and the filter and comes back byte for byte.
TEST_F(SnapshotOpsTest, Utf8NameSurvivesTheRoundTrip) {
  const std::string name = "Sicherung_\xC3\xA4\xE2\x80\x93\xE6\x97\xA5\xE6\x9C\xAC";
  SnapID id = 0;
  ASSERT_TRUE(session().CreateSnapShot(id, "sv_2", name, false)) << session().errorText;
  EXPECT_THAT(requests("POST", "/api/types/snap/instances").at(0).body,
              HasSubstr("\"name\": \"" + name + "\""));

  _UnitySnapInfo byName;
  ASSERT_TRUE(session().GetSnapShotForName(byName, name)) << session().errorText;
  EXPECT_EQ(byName.snapId, id);
  EXPECT_EQ(byName.name, name);
}

TEST_F(SnapshotOpsTest, NameSharedByTwoSnapshotsIsNoAnswer) {
  SnapID first = 0, second = 0;
  ASSERT_TRUE(session().CreateSnapShot(first, "sv_1", "shared", false));
  ASSERT_TRUE(session().CreateSnapShot(second, "sv_2", "shared", false));
  DiagLogCapture capture;
  _UnitySnapInfo info;
  EXPECT_FALSE(session().GetSnapShotForName(info, "shared"));
  EXPECT_TRUE(capture.contains("Got invalid number of snap info [2]",
                               "ManageEMCUnity::GetSnapShotForName"));
  EXPECT_EQ(std::to_string(session().errorCode) + " " + session().errorText,
            "3 2 snapshots are named shared; look one up by its id");
}

// The time-out setting reaches requests that change the array, except a snapshot creation.
TEST_F(SnapshotOpsTest, TimeoutSettingReachesDeletionButNotCreationOrQuery) {
  ScopedSetting deletion(kUnitySettingsSection, "DeleteSnapshot_unitytimeout", "600");
  ScopedSetting creation(kUnitySettingsSection, "CreateSnapshot_unitytimeout", "600");
  ScopedSetting query(kUnitySettingsSection, "GetSnapShotInfo_unitytimeout", "600");
  DiagLogCapture capture(0);
  SnapID id = 0;
  ASSERT_TRUE(session().CreateSnapShot(id, "sv_1", "timed", true));
  EXPECT_EQ(requests("POST", "/api/types/snap/instances").at(0).target,
            "/api/types/snap/instances?");
  EXPECT_TRUE(capture.contains("Cannot change timeout for CreateSnapshot. Defaulting to [-1]"));
  _UnitySnapInfo info;
  ASSERT_TRUE(session().GetSnapShotInfo(info, id));
  EXPECT_EQ(requests("GET", "/api/instances/snap/").at(0).target.find("timeout"),
            std::string::npos);
  ASSERT_TRUE(session().DeleteSnapshot(id));
  EXPECT_THAT(requests("DELETE").at(0).target, EndsWith("?&timeout=600"));
}

// Default seed: sv_1 and res_1 have one replication session each, sv_2 none.
const std::string kSession = "81604378625_CKM00213300417_0000_81604378632_CKM00213300955_0000";

using ReplicationOpsTest = SimulatorTest;

TEST_F(ReplicationOpsTest, MarkSnapForReplication) {
  ASSERT_TRUE(session().MarkSnapForReplication(38654705846ULL)) << session().errorText;
  const unitysim::JournalEntry mark = requests("POST").at(0);
  EXPECT_EQ(mark.target, "/api/instances/snap/38654705846/action/replicate?");
  EXPECT_EQ(mark.body, R"({"isRemoteAutoDelete": false})");
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
    const char* error;  // code and text
  } rows[] = {
      {"sv_2", "Incorrect response size [0]", "131149829 The requested resources do not exist"},
      {"sv_1", "Incorrect response size [2]",
       "3 2 replication sessions are listed for resource sv_1"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.resource);
    DiagLogCapture capture;
    EXPECT_FALSE(session().SyncReplicationSessionForResource(row.resource));
    EXPECT_TRUE(capture.contains(row.sizeLine));
    EXPECT_TRUE(capture.contains("Failed to get replication info for resource [" +
                                 std::string(row.resource) + "] of fileserver [" + sim().host() +
                                 "]"));
    EXPECT_EQ(std::to_string(session().errorCode) + " " + session().errorText, row.error);
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
