// NFS export operations against the simulator: results, error state and the requests on the wire.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

const std::string kTypeUri = "/api/types/nfsShare/instances";

class NfsOpsTest : public SimulatorTest {
 protected:
  std::string createExport(const std::string& name, const std::string& path = "/") {
    std::string id;
    EXPECT_TRUE(
        session().CreateNfsExport(id, kFileSnap, name, UNITY_NFS_DEF_ACCESS_READ_ONLY, path))
        << session().errorText;
    return id;
  }
  std::vector<_UnityNfsExportInfo> listAll() {
    std::vector<_UnityNfsExportInfo> all;
    EXPECT_TRUE(session().GetNfsExportList(all)) << session().errorText;
    return all;
  }
};

TEST_F(NfsOpsTest, CreateListFindByHostAndDelete) {
  DiagLogCapture capture(0);
  const std::string id = createExport("nfs_it", "/home");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(requests("POST").at(0).target, kTypeUri + "?");
  EXPECT_EQ(requests("POST").at(0).body,
            R"({"defaultAccess": 1, "name": "nfs_it", "path": "\/home", )"
            R"("snap": {"id": "38654705849"}})");
  EXPECT_TRUE(capture.contains("Successfully Created NFS Export with id [" + id +
                               "] on fileserver [" + sim().host() + "]"));

  const std::vector<_UnityNfsExportInfo> all = listAll();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].id + " " + all[0].path + " " + all[0].filesystem.id, id + " /home fs_1");
  EXPECT_EQ(requests("GET", kTypeUri).at(0).target,
            kTypeUri +
                "?&fields=defaultAccess,exportPaths,filesystem.id,id,name,noAccessHosts,"
                "path,readOnlyHosts,readWriteHosts,rootAccessHosts,type");

  // Only root access counts for the host lookup.
  _UnityNfsHostAccess access;
  access.defaultAccess = UNITY_NFS_DEF_ACCESS_READ_ONLY;
  access.hosts = {{"Host_1", UNITY_NFS_DEF_ACCESS_ROOT},
                  {"Host_2", UNITY_NFS_DEF_ACCESS_READ_WRITE}};
  bool resultFlag = true;
  ASSERT_TRUE(session().SetNfsHostAccess(resultFlag, all[0], access)) << session().errorText;
  EXPECT_FALSE(resultFlag);
  std::vector<_UnityNfsExportInfo> forHost(2);
  ASSERT_TRUE(session().GetNfsExportsForHost(forHost, "Host_1")) << session().errorText;
  ASSERT_EQ(forHost.size(), 1u);
  EXPECT_EQ(forHost[0].nfsHostAccess.hosts, access.hosts);
  EXPECT_EQ(requests("GET", kTypeUri).back().target,
            requests("GET", kTypeUri).at(0).target +
                "&filter=%28rootAccessHosts.id%20eq%20%22Host_1%22%29");
  ASSERT_TRUE(session().GetNfsExportsForHost(forHost, "Host_2")) << session().errorText;
  EXPECT_TRUE(forHost.empty());

  ASSERT_TRUE(session().DeleteNfsExport(id)) << session().errorText;
  EXPECT_EQ(requests("DELETE").at(0).target, "/api/instances/nfsShare/" + id + "?&timeout=20");
  // A missing export is the array's error, not success.
  EXPECT_FALSE(session().DeleteNfsExport(id));
  EXPECT_EQ(session().errorCode, kNotFound);
}

struct MergeCase {
  const char* name;
  _UnityNfsHostAccess required;
  std::string body;  // empty: nothing is sent
};

TEST_F(NfsOpsTest, HostAccessMergeKeepsUnnamedHostsAndSendsAllLists) {
  const std::string id = createExport("nfs_merge");
  const _UnityNfsHostAccess start{
      UNITY_NFS_DEF_ACCESS_READ_ONLY,
      {{"Host_1", UNITY_NFS_DEF_ACCESS_ROOT}, {"Host_2", UNITY_NFS_DEF_ACCESS_READ_WRITE}}};
  // Rows are built at run time: GCC 12 at -O2 wrongly reports the maps of a braced table as
  // maybe-uninitialized.
  const auto access = [](_UNITY_NFS_DEF_ACCESS def,
                         std::map<std::string, _UNITY_NFS_DEF_ACCESS> hosts) {
    _UnityNfsHostAccess a;
    a.defaultAccess = def;
    a.hosts = std::move(hosts);
    return a;
  };
  std::vector<MergeCase> rows;
  rows.push_back({"Unchanged",
                  access(UNITY_NFS_DEF_ACCESS_READ_ONLY, {{"Host_1", UNITY_NFS_DEF_ACCESS_ROOT}}),
                  ""});
  rows.push_back(
      {"OneHostAdded",
       access(UNITY_NFS_DEF_ACCESS_READ_ONLY, {{"Host_3", UNITY_NFS_DEF_ACCESS_READ_ONLY}}),
       R"({"defaultAccess": 1, "noAccessHosts": [], "readOnlyHosts": [{"id": "Host_3"}], )"
       R"("readWriteHosts": [{"id": "Host_2"}], "rootAccessHosts": [{"id": "Host_1"}]})"});
  rows.push_back(
      {"NewDefaultOnly", access(UNITY_NFS_DEF_ACCESS_READ_WRITE, {}),
       R"({"defaultAccess": 2, "noAccessHosts": [], "readOnlyHosts": [], )"
       R"("readWriteHosts": [{"id": "Host_2"}], "rootAccessHosts": [{"id": "Host_1"}]})"});
  for (const MergeCase& row : rows) {
    SCOPED_TRACE(row.name);
    bool resultFlag = false;
    _UnityNfsExportInfo current = listAll().at(0);
    current.nfsHostAccess.hosts.clear();
    ASSERT_TRUE(session().SetNfsHostAccess(resultFlag, current, start));
    current = listAll().at(0);
    ASSERT_EQ(current.nfsHostAccess.hosts, start.hosts);
    sim().journal().clear();

    DiagLogCapture capture(0);
    ASSERT_TRUE(session().SetNfsHostAccess(resultFlag, current, row.required))
        << session().errorText;
    const std::vector<unitysim::JournalEntry> sent = requests("POST");
    if (row.body.empty()) {
      EXPECT_TRUE(sent.empty());
      EXPECT_TRUE(capture.contains("Required Access is already provided. No need to change"));
      continue;
    }
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].target, "/api/instances/nfsShare/" + id + "/action/modify?");
    EXPECT_EQ(sent[0].body, row.body);
    EXPECT_TRUE(capture.contains(
        "Successfully Modified access for nfs [nfs_merge] on fileserver [" + sim().host() + "]"));
  }
}

// Lookups take exactly one export: none is the array's missing resource, two are no answer.
TEST_F(NfsOpsTest, LookupsNeedExactlyOneMatch) {
  SnapID devSnap = 0;  // a snapshot of a file system on the other NAS server
  ASSERT_TRUE(session().CreateSnapShot(devSnap, "res_17", "it_dev", true)) << session().errorText;
  createExport("nfs_a", "/");
  createExport("nfs_b", "/b");
  std::string other;
  ASSERT_TRUE(session().CreateNfsExport(other, devSnap, "nfs_a", {}, "/"));
  const struct {
    const char* name;
    std::function<bool(ManageEMCUnity&, _UnityNfsExportInfo&)> run;
    size_t found;
    std::string filesystem;
    std::string error;  // code and text of a failure
  } rows[] = {
      {"NameOnOneNasServer",
       [](auto& s, auto& e) { return s.GetNfsExportForName(e, "nfs_a", "NAS_Dev"); }, 1,
       "Dev_Builds", ""},
      {"NameOnTwoNasServers",
       [](auto& s, auto& e) { return s.GetNfsExportForName(e, "nfs_a", ""); }, 2, "",
       "3 2 NFS exports are named nfs_a; name the NAS server too"},
      {"SnapAndPath", [](auto& s, auto& e) { return s.GetNfsExportForPath(e, kFileSnap, "/b"); }, 1,
       "FS_Home", ""},
      {"SnapWithTwoExports",
       [](auto& s, auto& e) { return s.GetNfsExportForPath(e, kFileSnap, ""); }, 2, "",
       "3 2 NFS exports are on snapshot 38654705849; give the path too"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DiagLogCapture capture;
    _UnityNfsExportInfo found;
    EXPECT_EQ(row.run(session(), found), row.found == 1) << session().errorText;
    EXPECT_EQ(found.filesystem.name, row.filesystem);
    if (row.found != 1) {
      EXPECT_TRUE(capture.contains("Got invalid number of NFS export info [" +
                                   std::to_string(row.found) + "]"));
      EXPECT_EQ(std::to_string(session().errorCode) + " " + session().errorText, row.error);
    }
  }
  const std::vector<unitysim::JournalEntry> lists = requests("GET", kTypeUri);
  EXPECT_NE(lists.at(0).target.find(
                "&filter=%28name%20eq%20%22nfs_a%22%29%20AND%20%28filesystem.nasServer.name%20eq%20"
                "%22NAS_Dev%22%29"),
            std::string::npos);
  EXPECT_NE(lists.at(2).target.find("&filter=%28snap.id%20eq%20%2238654705849%22%20and%20path%20"
                                    "eq%20%22%2Fb%22%29"),
            std::string::npos);
  EXPECT_NE(lists.at(3).target.find("&filter=%28snap.id%20eq%20%2238654705849%22%20%29"),
            std::string::npos);
}

}  // namespace
}  // namespace unitytest
