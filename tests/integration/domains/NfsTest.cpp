// NFS export operations against the simulator: results, error state and the requests on the wire.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

const unsigned long long kNotFound = 131149829;
const SnapID kFileSnap = 38654705849ULL;  // FS_Home_hourly, a snapshot of file system fs_1
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
  EXPECT_EQ(all[0].id, id);
  EXPECT_EQ(all[0].name, "nfs_it");
  EXPECT_EQ(all[0].path, "/home");
  EXPECT_EQ(all[0].filesystem.id, "fs_1");
  EXPECT_EQ(all[0].nfsHostAccess.defaultAccess, UNITY_NFS_DEF_ACCESS_READ_ONLY);
  EXPECT_TRUE(all[0].nfsHostAccess.hosts.empty());
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
  EXPECT_TRUE(capture.contains("Successfully got NFS Exports of size [0] from fileserver [" +
                               sim().host() + "]"));

  ASSERT_TRUE(session().DeleteNfsExport(id)) << session().errorText;
  EXPECT_EQ(requests("DELETE").at(0).target, "/api/instances/nfsShare/" + id + "?&timeout=20");
  EXPECT_TRUE(capture.contains("Successfully Deleted the NFS share with id [" + id + "]"));
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
  const MergeCase rows[] = {
      {"Unchanged", {UNITY_NFS_DEF_ACCESS_READ_ONLY, {{"Host_1", UNITY_NFS_DEF_ACCESS_ROOT}}}, ""},
      {"OneHostAdded",
       {UNITY_NFS_DEF_ACCESS_READ_ONLY, {{"Host_3", UNITY_NFS_DEF_ACCESS_READ_ONLY}}},
       R"({"defaultAccess": 1, "noAccessHosts": [], "readOnlyHosts": [{"id": "Host_3"}], )"
       R"("readWriteHosts": [{"id": "Host_2"}], "rootAccessHosts": [{"id": "Host_1"}]})"},
      {"NewDefaultOnly",
       {UNITY_NFS_DEF_ACCESS_READ_WRITE, {}},
       R"({"defaultAccess": 2, "noAccessHosts": [], "readOnlyHosts": [], )"
       R"("readWriteHosts": [{"id": "Host_2"}], "rootAccessHosts": [{"id": "Host_1"}]})"},
  };
  for (const MergeCase& row : rows) {
    SCOPED_TRACE(row.name);
    bool resultFlag = false;
    _UnityNfsExportInfo current = listAll().at(0);
    // Reset the export to the start state through the library itself.
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

struct NfsRefusal {
  const char* name;
  std::function<bool(ManageEMCUnity&)> run;
  std::string text;
  bool chooseArray = true;
};

class NfsRefusalTest : public SimulatorTest, public ::testing::WithParamInterface<NfsRefusal> {};

// Refused inputs: code 2, the operation's text, "Error: ..." in the log, nothing sent.
TEST_P(NfsRefusalTest, NothingIsSent) {
  const NfsRefusal& c = GetParam();
  std::unique_ptr<ManageEMCUnity> session =
      c.chooseArray ? makeSession() : std::make_unique<ManageEMCUnity>(7);
  DiagLogCapture capture(0);
  EXPECT_FALSE(c.run(*session));
  EXPECT_EQ(session->errorCode, 2u);
  EXPECT_EQ(session->errorText, c.text);
  EXPECT_TRUE(capture.contains("Error: " + c.text));
  session.reset();
  EXPECT_EQ(sim().journal().size(), 0u);
}

std::string g_id;
bool g_flag;
_UnityNfsExportInfo g_export;
std::vector<_UnityNfsExportInfo> g_exports;
const char kOtherEmpty[] = "Fileserver name or other input is empty";

INSTANTIATE_TEST_SUITE_P(
    Operations, NfsRefusalTest,
    ::testing::Values(
        NfsRefusal{"CreateWithoutPath",
                   [](auto& s) { return s.CreateNfsExport(g_id, 5, "n", {}, ""); }, kOtherEmpty},
        NfsRefusal{"CreateOfNoSnapshot",
                   [](auto& s) { return s.CreateNfsExport(g_id, 0, "n", {}, "/"); }, kOtherEmpty},
        NfsRefusal{"SetAccessWithoutExportId",
                   [](auto& s) { return s.SetNfsHostAccess(g_flag, g_export, {}); },
                   "Fileserver name is empty or invalid inputs"},
        NfsRefusal{"DeleteWithoutArray", [](auto& s) { return s.DeleteNfsExport("NFSShare_1"); },
                   "Fileserver name is empty or invalid inputs", false},
        NfsRefusal{"ListWithoutArray", [](auto& s) { return s.GetNfsExportList(g_exports); },
                   "Fileserver name is empty", false},
        NfsRefusal{"ForHostWithoutHost",
                   [](auto& s) { return s.GetNfsExportsForHost(g_exports, ""); },
                   "Fileserver name or host id is empty."},
        NfsRefusal{"HostIdWithDoubleQuote",
                   [](auto& s) { return s.GetNfsExportsForHost(g_exports, "H\" OR (id ne \""); },
                   "Host id contains a double quote, which a filter cannot carry"}),
    [](const ::testing::TestParamInfo<NfsRefusal>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace unitytest
