// Block exposure against the default seed: lookups, host access, attach and detach per version.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "sim/Resources.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

const unsigned long long kBodyNotCorrect = 131149877;
const SnapID kLunSnap = 38654705846ULL;       // of sv_1, not attached
const SnapID kAttachedSnap = 38654705847ULL;  // of sv_1, attached to Host_1
const SnapID kGroupSnap = 38654705850ULL;     // of the consistency group res_2, two members
const char kSv1Wwn[] = "60:06:01:60:4A:B0:3F:00:5B:6E:A8:61:2C:0D:41:12";

class BlockTest : public SimulatorTest {
 protected:
  // The array reports `version`, and the session has read it.
  void UseApiVersion(const std::string& version) {
    sim().setApiVersion(version);
    ASSERT_TRUE(session().OpenConnection(true)) << session().errorText;
    ASSERT_EQ(session().apiVersion, version);
  }
  std::vector<unitysim::JournalEntry> posts() const { return requests("POST"); }
  std::vector<_UnityHostLun> HostLuns(std::vector<unsigned long long> snaps) {
    std::vector<_UnityHostLun> found;
    EXPECT_TRUE(session().GetSnapHostLun(found, snaps, {})) << session().errorText;
    return found;
  }
};

TEST_F(BlockTest, LunByWwnAndResourceByIdOrName) {
  _UnityLunInfo lun;
  ASSERT_TRUE(session().GetLunInfoFromWWN(lun, kSv1Wwn)) << session().errorText;
  EXPECT_EQ(lun.id + " " + lun.storageResource.id + " " + lun.storageResource.name,
            "sv_1 sv_1 Oracle_Data");
  EXPECT_EQ(lun.snapWwn, "60:06:01:60:4A:B0:3F:00:5B:6E:A8:61:2C:0D:41:13");
  EXPECT_EQ(requests("GET", "/api/types/lun/").back().target,
            "/api/types/lun/instances?&fields=id,name,snapWwn,storageResource.id,"
            "storageResource.name,storageResource.type,wwn&filter=(wwn+eq+\"" +
                std::string(kSv1Wwn) + "\")");
  EXPECT_FALSE(session().GetLunInfoFromWWN(lun, "60:00"));
  EXPECT_EQ(session().errorCode, kNotFound);

  _UnityStorageResource group;
  ASSERT_TRUE(session().GetStorageResourceInfo(group, "res_2")) << session().errorText;
  EXPECT_EQ(group.type, 2);
  ASSERT_EQ(group.hostAccess.size(), 2u);
  EXPECT_EQ(group.hostAccess[1].accessMask, 65535);

  std::string id;
  ASSERT_TRUE(session().GetResIdForName(id, "SQL_CG", static_cast<_UNITY_STG_RES_TYPE>(2)));
  EXPECT_EQ(id, "res_2");
  // The type is sent whole: 1234 asks for a type nothing has, not for 123.
  EXPECT_FALSE(session().GetResIdForName(id, "SQL_CG", static_cast<_UNITY_STG_RES_TYPE>(1234)));
  EXPECT_NE(requests("GET").back().target.find("%28type%20eq%201234%29"), std::string::npos);
  EXPECT_EQ(session().errorCode, kNotFound);
  // Two file systems' resources share a name.
  EXPECT_FALSE(session().GetResIdForName(id, "Projects", static_cast<_UNITY_STG_RES_TYPE>(1)));
  EXPECT_EQ(std::to_string(session().errorCode) + " " + session().errorText,
            "3 2 storage resources are named Projects (type 1); use its id");
}

// Each row on a fresh array: the merged list sent (null: nothing may be sent).
TEST_F(BlockTest, LunAccessSendsTheMergedListOrNothing) {
  const struct {
    const char* name;
    const char* resource;
    const char* host;
    bool group;
    int mask;
    bool remove;
    const char* body;
  } rows[] = {
      {"AddHeldBits", "sv_1", "Host_1", false, 1, false, nullptr},
      {"AddBitToHost", "sv_1", "Host_1", false, 2, false,
       R"({"lunParameters": {"hostAccess": [{"accessMask": 3, "host": {"id": "Host_1"}}]}})"},
      {"RemoveBit", "sv_1", "Host_1", false, 1, true,
       R"({"lunParameters": {"hostAccess": [{"accessMask": 0, "host": {"id": "Host_1"}}]}})"},
      {"AppendNewHost", "sv_2", "Host_2", false, 2, false,
       R"({"lunParameters": {"hostAccess": [{"accessMask": 2, "host": {"id": "Host_2"}}]}})"},
      {"MixedRewriteCounts", "res_2", "Host_1", true, 2, false,
       R"({"blockHostAccess": [{"accessMask": 3, "host": {"id": "Host_2"}}, )"
       R"({"accessMask": 3, "host": {"id": "Host_1"}}]})"},
      {"AllHostsRemove", "res_2", "", true, 2, true,
       R"({"blockHostAccess": [{"accessMask": 1, "host": {"id": "Host_2"}}, )"
       R"({"accessMask": 1, "host": {"id": "Host_1"}}]})"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    sim().model().seed(unitysim::Json::parse(unitysim::defaultSeedText()));
    sim().journal().clear();
    DiagLogCapture capture(0);
    ASSERT_TRUE(session().LunAccessToHost(row.resource, row.host, row.group, row.mask, row.remove))
        << session().errorText;
    const std::vector<unitysim::JournalEntry> sent = posts();
    if (row.body == nullptr) {
      EXPECT_TRUE(sent.empty());
      EXPECT_TRUE(capture.contains("Needed access is already granted. Success"));
      continue;
    }
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].target, std::string("/api/instances/storageResource/") + row.resource +
                                  "/action/" +
                                  (row.group ? "modifyConsistencyGroup" : "modifyLun") + "?");
    EXPECT_EQ(sent[0].body, row.body);
    // The array replaced its list with the one sent: asking again changes nothing.
    ASSERT_TRUE(session().LunAccessToHost(row.resource, row.host, row.group, row.mask, row.remove));
    EXPECT_EQ(posts().size(), 1u);
  }
}

TEST_F(BlockTest, ConsistencyGroupListReachesItsLuns) {
  // Only the named host's "mixed" entry is rewritten; the array refuses the value when another
  // host's entry carries it back.
  EXPECT_FALSE(session().LunAccessToHost("res_2", "Host_3", true, 1, false));
  EXPECT_EQ(session().errorCode, kBodyNotCorrect);
  ASSERT_TRUE(session().LunAccessToHost("res_2", "Host_1", true, 1, false)) << session().errorText;
  const unitysim::Json lun = *sim().model().find("lun", "sv_4");
  ASSERT_EQ(lun["hostAccess"].size(), 2u);
  EXPECT_EQ(lun["hostAccess"][1],
            (unitysim::Json{{"host", unitysim::Json{{"id", "Host_1"}}}, {"accessMask", 3}}));
  // Now every entry can be sent back.
  EXPECT_TRUE(session().LunAccessToHost("res_2", "Host_3", true, 1, false)) << session().errorText;
}

// Version 4 posts without a body, 5 merges hosts, and in between hosts cannot be named.
TEST_F(BlockTest, HostsNeedVersionFiveExceptAPlainDetachOnFourZero) {
  const struct {
    const char* version;
    bool attach;
    const char* action;  // null: refused, nothing sent
  } rows[] = {{"4.0", true, nullptr},  {"4.0", false, "detach"}, {"4.1", true, nullptr},
              {"4.1", false, nullptr}, {"5.0", true, "attach"},  {"5.0", false, "detach"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.version) + (row.attach ? " attach" : " detach"));
    sim().model().seed(unitysim::Json::parse(unitysim::defaultSeedText()));
    UseApiVersion(row.version);
    sim().journal().clear();
    const SnapID snap = row.attach ? kLunSnap : kAttachedSnap;
    const bool ok = session().ExposeLunAccess(snap, "Host_1", row.attach);
    const std::vector<unitysim::JournalEntry> sent = posts();
    if (row.action == nullptr) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(session().errorCode, kBodyNotCorrect);
      EXPECT_EQ(session().errorText, "Request body is not correct");
      EXPECT_TRUE(sent.empty());
      continue;
    }
    ASSERT_TRUE(ok) << session().errorText;
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].target, "/api/instances/snap/" + std::to_string(snap) + "/action/" +
                                  row.action + "?&timeout=20");
    EXPECT_EQ(sent[0].body, row.attach ? R"({"hostAccess": [{"allowedAccess": 1, )"
                                         R"("host": {"id": "Host_1"}}]})"
                                       : "");
    EXPECT_EQ(HostLuns({snap}).size(), row.attach ? 1u : 0u);
  }
}

TEST_F(BlockTest, VersionFiveMergesHostsSendsNothingWithoutAChangeAndSkipsMissingSnapshots) {
  UseApiVersion("5.0");
  const std::set<std::string> both = {"Host_2", "Host_1"};
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, both, true)) << session().errorText;
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, both, true));
  ASSERT_EQ(posts().size(), 1u);
  EXPECT_EQ(posts()[0].body, R"({"hostAccess": [{"allowedAccess": 1, "host": {"id": "Host_1"}}, )"
                             R"({"allowedAccess": 1, "host": {"id": "Host_2"}}]})");
  EXPECT_EQ(HostLuns({kLunSnap}).size(), 2u);

  // The attached snapshot is modifiable: removing one host modifies, the last one detaches.
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, "Host_1", false)) << session().errorText;
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, "Host_2", false)) << session().errorText;
  const std::vector<unitysim::JournalEntry> sent = posts();
  ASSERT_EQ(sent.size(), 3u);
  const std::string action = "/api/instances/snap/" + std::to_string(kLunSnap) + "/action/";
  EXPECT_EQ(sent[1].target, action + "modify?&timeout=20");
  EXPECT_EQ(sent[1].body, R"({"hostAccess": [{"allowedAccess": 1, "host": {"id": "Host_2"}}]})");
  EXPECT_EQ(sent[2].target, action + "detach?&timeout=20");
  EXPECT_EQ(sent[2].body, "");
  EXPECT_TRUE(HostLuns({kLunSnap}).empty());
  // Detached, so no longer modifiable: a further detach has nothing to do.
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, "Host_2", false));
  EXPECT_EQ(posts().size(), 3u);

  // A snapshot that is gone needs no detach; attaching it fails.
  DiagLogCapture capture(-1);
  EXPECT_TRUE(session().ExposeLunAccess(99, "Host_1", false));
  EXPECT_EQ(session().errorCode, kNotFound);
  EXPECT_TRUE(capture.contains("] Treating as success. No need to detach"));
  EXPECT_FALSE(session().ExposeLunAccess(99, "Host_1", true));
  EXPECT_EQ(session().errorCode, kNotFound);
  EXPECT_EQ(posts().size(), 3u);
}

TEST_F(BlockTest, GroupSnapshotHostLunsAreReportedUnderTheGroup) {
  UseApiVersion("5.0");
  ASSERT_TRUE(session().ExposeLunAccess(kGroupSnap, "Host_2", true)) << session().errorText;
  // The seeded host LUN of the attached snapshot, and one per group member under the group.
  std::set<std::string> shown;
  for (const _UnityHostLun& h : HostLuns({kGroupSnap, kAttachedSnap}))
    shown.insert(h.hostId + ":" + std::to_string(h.snapId) + ":" + h.lunId);
  EXPECT_EQ(shown, (std::set<std::string>{"Host_1:38654705847:sv_1", "Host_2:38654705850:sv_3",
                                          "Host_2:38654705850:sv_4"}));
  EXPECT_EQ(requests("GET", "/api/types/hostLUN/").back().target,
            "/api/types/hostLUN/instances?&fields=host.id,id,lun.id,snap.id,snap.snapGroup.id,type"
            "&filter=%28%28snap.id%20eq%20%2238654705850%22%20OR%20snap.snapGroup.id%20eq%20"
            "%2238654705850%22%29%20OR%20%28snap.id%20eq%20%2238654705847%22%20OR%20"
            "snap.snapGroup.id%20eq%20%2238654705847%22%29%29%20AND%20%28type%20eq%202%29");
}

TEST_F(BlockTest, VersionFourFormAcceptsTheArraysRepeatCodes) {
  // No hosts: the plain form on every version; repeating it is what the caller asked for.
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, "", true)) << session().errorText;
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, std::set<std::string>(), true));
  EXPECT_EQ(session().errorCode, 100666332u);
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, "", false)) << session().errorText;
  ASSERT_TRUE(session().ExposeLunAccess(kLunSnap, "", false));
  EXPECT_EQ(session().errorCode, 151032103u);
  ASSERT_TRUE(session().ExposeLunAccess(99, "", false));
  EXPECT_EQ(session().errorCode, kNotFound);
  const std::vector<unitysim::JournalEntry> sent = posts();
  ASSERT_EQ(sent.size(), 5u);
  for (const unitysim::JournalEntry& e : sent) EXPECT_EQ(e.body, "");
  EXPECT_EQ(sent[1].status, 409);
}

}  // namespace
}  // namespace unitytest
