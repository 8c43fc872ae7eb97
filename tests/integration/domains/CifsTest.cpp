// CIFS share operations against the simulator: results, error state and the requests on the wire.
#include <functional>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

class CifsOpsTest : public SimulatorTest {
 protected:
  std::string createShare(SnapID snap, const std::string& name) {
    std::string id;
    EXPECT_TRUE(session().CreateCifsShare(id, snap, name, "/")) << session().errorText;
    return id;
  }
};

// One line per entry: sid:type:level.
std::string Describe(const std::list<_UnityCifsShareACE>& aces) {
  std::string out;
  for (const _UnityCifsShareACE& ace : aces) {
    out += ace.sid + ":" + std::to_string(ace.accessType) + ":" + std::to_string(ace.accessLevel) +
           "\n";
  }
  return out;
}

TEST_F(CifsOpsTest, CreateListAccessEntriesAndDelete) {
  DiagLogCapture capture(0);
  const std::string id = createShare(kFileSnap, "smb_it");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(requests("POST").at(0).target, "/api/types/cifsShare/instances?");
  EXPECT_EQ(requests("POST").at(0).body,
            R"({"name": "smb_it", "path": "\/", "snap": {"id": "38654705849"}})");
  EXPECT_TRUE(capture.contains("Successfully Created cifs share with id [" + id +
                               "] on fileserver [" + sim().host() + "]"));

  std::vector<_UnityCifsShareInfo> all;
  ASSERT_TRUE(session().GetCifsShareList(all)) << session().errorText;
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].snapId, kFileSnap);
  EXPECT_EQ(all[0].exportPaths,
            (std::vector<std::string>{"\\\\10.245.48.21\\smb_it", "\\\\10.245.48.22\\smb_it"}));

  // A new share has no entries: the array answers without content.
  std::list<_UnityCifsShareACE> aces(1);
  ASSERT_TRUE(session().GetCifsShareACE(aces, id)) << session().errorText;
  EXPECT_TRUE(aces.empty());
  EXPECT_EQ(requests("POST").back().target, "/api/instances/cifsShare/" + id + "/action/getACEs?");

  const std::list<_UnityCifsShareACE> written = {{"S-1-5-21-1-2-3-1001", 1, 4}, {"S-1-1-0", 0, 2}};
  ASSERT_TRUE(session().SetCifsShareACE(id, written)) << session().errorText;
  EXPECT_EQ(requests("POST").back().target, "/api/instances/cifsShare/" + id + "/action/setACEs?");
  EXPECT_EQ(requests("POST").back().body,
            R"({"cifsShareACEs": [{"accessLevel": 4, "accessType": 1, )"
            R"("sid": "S-1-5-21-1-2-3-1001"}, {"accessLevel": 2, "accessType": 0, )"
            R"("sid": "S-1-1-0"}]})");
  ASSERT_TRUE(session().GetCifsShareACE(aces, id)) << session().errorText;
  EXPECT_EQ(Describe(aces), Describe(written));
  EXPECT_TRUE(capture.contains("Successfully Got Cifs Share ACEs. ACE size [2]"));

  ASSERT_TRUE(session().DeleteCifsShare(id)) << session().errorText;
  EXPECT_EQ(requests("DELETE").at(0).target, "/api/instances/cifsShare/" + id + "?&timeout=20");
  EXPECT_FALSE(session().DeleteCifsShare(id));
  EXPECT_EQ(session().errorCode, kNotFound);
}

TEST_F(CifsOpsTest, LookupsNeedExactlyOneMatch) {
  SnapID devSnap = 0;  // a snapshot of a file system on the other NAS server
  ASSERT_TRUE(session().CreateSnapShot(devSnap, "res_17", "it_dev", true)) << session().errorText;
  createShare(kFileSnap, "smb_a");
  createShare(devSnap, "smb_a");
  const struct {
    const char* name;
    std::function<bool(ManageEMCUnity&, _UnityCifsShareInfo&)> run;
    size_t found;
    std::string filesystem;
    std::string error;  // code and text of a failure
  } rows[] = {
      {"NameOnOneNasServer",
       [](auto& s, auto& c) { return s.GetCifsShareForName(c, "smb_a", "NAS_Prod"); }, 1, "FS_Home",
       ""},
      {"NameOnTwoNasServers",
       [](auto& s, auto& c) { return s.GetCifsShareForName(c, "smb_a", ""); }, 2, "",
       "3 2 CIFS shares are named smb_a; name the NAS server too"},
      {"NameOnSnapshot",
       [devSnap](auto& s, auto& c) { return s.GetCifsShareForSnap(c, devSnap, "smb_a"); }, 1,
       "Dev_Builds", ""},
      {"NoSuchName", [](auto& s, auto& c) { return s.GetCifsShareForSnap(c, kFileSnap, "x"); }, 0,
       "", "131149829 The requested resources do not exist"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DiagLogCapture capture(0);
    _UnityCifsShareInfo found;
    EXPECT_EQ(row.run(session(), found), row.found == 1) << session().errorText;
    EXPECT_EQ(found.filesystem.name, row.filesystem);
    if (row.found != 1) {
      EXPECT_TRUE(capture.contains("Got invalid number of cifs share info [" +
                                   std::to_string(row.found) + "]"));
      EXPECT_EQ(std::to_string(session().errorCode) + " " + session().errorText, row.error);
    }
  }
  const std::vector<unitysim::JournalEntry> lists =
      requests("GET", "/api/types/cifsShare/instances");
  EXPECT_EQ(lists.at(2).target,
            "/api/types/cifsShare/instances?&fields=exportPaths,filesystem.id,id,name,path,snap.id,"
            "type&filter=%28name%20eq%20%22smb_a%22%29%20AND%20%28snap.id%20eq%20%22" +
                std::to_string(devSnap) + "%22%29");
}

}  // namespace
}  // namespace unitytest
