// The NFS export and CIFS share messages: golden requests the integration tests do not already
// check on the wire, and answers with missing, null, repeated and wrong-typed fields.
#include <list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/messages/BuiltRequest.h"
#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";

using unitytest::Build;
using Built = unitytest::BuiltRequest;

Built Modify(const _UnityNfsHostAccess& access, long setting = -2) {
  EMCUnityJsonModifyNfsAccess m;
  m.Initialize(kArray, "NFSShare_7", access);
  return Build(m, setting);
}

template <typename List>
Built ByName(const std::string& name, const std::string& nas) {
  List m;
  m.InitializeWithName(kArray, name, nas);
  return Build(m);
}

TEST(ShareRequests, GoldenRequests) {
  EMCUnityJsonCreateNFSExport create;
  create.Initialize(kArray, 18446744073709551615ULL, "n", static_cast<_UNITY_NFS_DEF_ACCESS>(4),
                    "/p");
  EMCUnityJsonDeleteNFSExport del;
  del.Initialize(kArray, "NFSShare_7");
  const std::string api = "https://10.0.0.5/api/";
  const std::string nfs =
      api +
      "types/nfsShare/instances?&fields=defaultAccess,exportPaths,filesystem.id,id,name,"
      "noAccessHosts,path,readOnlyHosts,readWriteHosts,rootAccessHosts,type";
  const std::string cifs =
      api + "types/cifsShare/instances?&fields=exportPaths,filesystem.id,id,name,path,snap.id,type";
  const struct {
    const char* name;
    Built got;
    std::string uri;
    std::string body;
  } rows[] = {
      {"CreateKeepsAccessAndWholeSnapId", Build(create), api + "types/nfsShare/instances?",
       R"({"defaultAccess": 4, "name": "n", "path": "\/p", "snap": {"id": "18446744073709551615"}})"},
      {"ModifyNoHostsSendsFourEmptyLists", Modify({UNITY_NFS_DEF_ACCESS_ROOT, {}}),
       api + "instances/nfsShare/NFSShare_7/action/modify?",
       R"({"defaultAccess": 3, "noAccessHosts": [], "readOnlyHosts": [], "readWriteHosts": [], )"
       R"("rootAccessHosts": []})"},
      {"ModifyHostsByAccessInIdOrder",
       Modify({UNITY_NFS_DEF_ACCESS_NO_ACCESS,
               {{"Host_B", UNITY_NFS_DEF_ACCESS_READ_ONLY},
                {"Host_A", UNITY_NFS_DEF_ACCESS_ROOT},
                {"Host_C", UNITY_NFS_DEF_ACCESS_ROOT},
                {"Host_D", static_cast<_UNITY_NFS_DEF_ACCESS>(-1)},
                {"Host_E", static_cast<_UNITY_NFS_DEF_ACCESS>(4)}}},
              5),
       api + "instances/nfsShare/NFSShare_7/action/modify?&timeout=5",
       R"({"defaultAccess": 0, "noAccessHosts": [{"id": "Host_D"}, {"id": "Host_E"}], )"
       R"("readOnlyHosts": [{"id": "Host_B"}], "readWriteHosts": [], )"
       R"("rootAccessHosts": [{"id": "Host_A"}, {"id": "Host_C"}]})"},
      {"DeleteWithSetting", Build(del, 45), api + "instances/nfsShare/NFSShare_7?&timeout=45", ""},
      {"NfsNasWithoutNameIsNoFilter", ByName<EMCUnityJsonGetNFSExportList>("", "NAS_1"), nfs, ""},
      {"NfsNameEncoded", ByName<EMCUnityJsonGetNFSExportList>("a b&\xc3\xa9", ""),
       nfs + "&filter=%28name%20eq%20%22a%20b%26%C3%A9%22%29", ""},
      {"CifsNameAndNas", ByName<EMCUnityJsonGetCifsShareList>("s", "NAS 1"),
       cifs + "&filter=%28name%20eq%20%22s%22%29%20AND%20%28filesystem.nasServer.name%20eq%20"
              "%22NAS%201%22%29",
       ""},
      {"CifsNasOnly", ByName<EMCUnityJsonGetCifsShareList>("", "NAS_1"),
       cifs + "&filter=%28filesystem.nasServer.name%20eq%20%22NAS_1%22%29", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.got.built);
    EXPECT_EQ(row.got.uri, row.uri);
    EXPECT_EQ(row.got.body, row.body);
  }
}

TEST(ShareRequests, DoubleQuoteInFilterValueIsNotBuilt) {
  EMCUnityJsonGetNFSExportList byPath, byHost;
  byPath.InitializeWithPath(kArray, 5, "/\"");
  byHost.InitializeWithHost(kArray, "H\"");
  EXPECT_FALSE(Build(byPath).built);
  EXPECT_FALSE(Build(byHost).built);
  EXPECT_FALSE((ByName<EMCUnityJsonGetNFSExportList>("a", "\"").built));
  EXPECT_FALSE((ByName<EMCUnityJsonGetCifsShareList>("a\"", "").built));
}

// One line per export: id|type|name|path|fs|paths,|default|host:access,
std::string Describe(const std::vector<_UnityNfsExportInfo>& list) {
  std::ostringstream out;
  for (const _UnityNfsExportInfo& e : list) {
    out << e.id << "|" << e.type << "|" << e.name << "|" << e.path << "|" << e.filesystem.id << "|";
    for (const std::string& p : e.exportPaths) out << p << ",";
    out << "|" << e.nfsHostAccess.defaultAccess << "|";
    for (const auto& h : e.nfsHostAccess.hosts) out << h.first << ":" << h.second << ",";
    out << "\n";
  }
  return out.str();
}

std::string Export(const std::string& extra, const std::string& defaultAccess = "1",
                   const std::string& paths = R"(, "exportPaths": ["10.0.0.9:/nfs_1"])") {
  return R"({"content": {"id": "NFSShare_1", "type": 1, "name": "nfs_1", "path": "/",)"
         R"( "filesystem": {"id": "fs_1"}, "defaultAccess": )" +
         defaultAccess + paths + extra + "}}";
}
std::string Entries(const std::string& entries) {
  return R"({"@base": "https://a/api/types/nfsShare/instances", "entries": [)" + entries + "]}";
}
const std::string kPlain = "NFSShare_1|1|nfs_1|/|fs_1|10.0.0.9:/nfs_1,|1|\n";

struct ListCase {
  const char* name;
  std::string answer;
  bool ok;
  std::string records;
};

class NfsListAnswerTest : public testing::TestWithParam<ListCase> {};

TEST_P(NfsListAnswerTest, Reads) {
  const ListCase& c = GetParam();
  EMCUnityJsonGetNFSExportList m;
  m.InitializeWithHost(kArray, "Host_1");
  ASSERT_TRUE(Build(m).built);
  std::string answer = c.answer;
  EXPECT_EQ(m.ParseResponse(answer), c.ok);
  std::vector<_UnityNfsExportInfo> list(3);  // replaced by the getter
  m.GetNfsList(list);
  EXPECT_EQ(Describe(list), c.records);
}

INSTANTIATE_TEST_SUITE_P(
    Nfs, NfsListAnswerTest,
    testing::Values(
        ListCase{"HostListsByAccess",
                 Entries(Export(R"(, "noAccessHosts": [{"id": "H0"}], "readOnlyHosts": [],)"
                                R"( "readWriteHosts": [{"id": "H2"}, {"id": "H3"}],)"
                                R"( "rootAccessHosts": [{"id": "H1"}])")),
                 true, "NFSShare_1|1|nfs_1|/|fs_1|10.0.0.9:/nfs_1,|1|H0:0,H1:3,H2:2,H3:2,\n"},
        ListCase{"HostInTwoListsKeepsTheLater",
                 Entries(Export(R"(, "readOnlyHosts": [{"id": "H"}],)"
                                R"( "rootAccessHosts": [{"id": "H"}])")),
                 true, "NFSShare_1|1|nfs_1|/|fs_1|10.0.0.9:/nfs_1,|1|H:3,\n"},
        ListCase{"HostListsMissingNullOrNotLists",
                 Entries(Export(R"(, "noAccessHosts": null, "readOnlyHosts": {"id": "H"})")), true,
                 kPlain},
        ListCase{"DefaultOutsideTheCodesIsKept", Entries(Export("", "7")), true,
                 "NFSShare_1|1|nfs_1|/|fs_1|10.0.0.9:/nfs_1,|7|\n"},
        ListCase{"ExportPathsNotAListOrNotText",
                 Entries(Export("", "1", R"(, "exportPaths": {"a": 1})") + "," +
                         Export("", "1", R"(, "exportPaths": [5, "x:/y"])")),
                 true, "NFSShare_1|1|nfs_1|/|fs_1||1|\nNFSShare_1|1|nfs_1|/|fs_1|x:/y,|1|\n"},
        ListCase{"ExportPathsMissing", Entries(Export("") + "," + Export("", "1", "")), false,
                 kPlain},
        ListCase{"HostWithoutId", Entries(Export(R"(, "rootAccessHosts": [{"name": "h"}])")), false,
                 ""},
        ListCase{"HostNotAnObject", Entries(Export(R"(, "rootAccessHosts": ["Host_1"])")), false,
                 ""},
        ListCase{"DefaultAsText", Entries(Export("", "\"1\"")), false, ""},
        ListCase{"DefaultBeyond32Bits", Entries(Export("", "4294967297")), false, ""}),
    [](const testing::TestParamInfo<ListCase>& row) { return std::string(row.param.name); });

// The new share's id; an answer of the array's error parses, without an id.
TEST(ShareCreateAnswer, ReadsTheNewId) {
  const struct {
    const char* answer;
    bool ok;
    std::string id;
  } rows[] = {
      {R"({"content": {"id": 9}})", false, ""},
      {R"({"content": ["SMBShare_9"]})", false, ""},
      {R"({"error": {"errorCode": 100666337, "messages": [{"en-US": "exists"}]}})", true, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.answer);
    EMCUnityJsonCreateCifsShare m;
    m.Initialize(kArray, 5, "n", "/");
    std::string answer = row.answer;
    EXPECT_EQ(m.ParseResponse(answer), row.ok);
    std::string id = "stale";
    m.GetShareId(id);
    EXPECT_EQ(id, row.id);
  }
}

// Only a text id is a snapshot: anything else is a share of a file system.
TEST(CifsListAnswer, SnapshotIdOfEveryKind) {
  const struct {
    const char* snap;
    unsigned long long snapId;
  } rows[] = {
      {R"(, "snap": null)", 0},
      {"", 0},
      {R"(, "snap": {"id": 38654705849})", 0},
      {R"(, "snap": "38654705849")", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.snap);
    EMCUnityJsonGetCifsShareList m;
    m.InitializeWithSnap(kArray, 5, "s");
    ASSERT_TRUE(Build(m).built);
    std::string answer =
        std::string(R"({"entries": [{"content": {"id": "SMBShare_1", "type": 1, "name": "s",)"
                    R"( "path": "/", "filesystem": {"id": "fs_1"}, "exportPaths": ["\\\\a\\s"])") +
        row.snap + "}}]}";
    EXPECT_TRUE(m.ParseResponse(answer));
    std::vector<_UnityCifsShareInfo> list;
    m.GetCifsList(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].snapId, row.snapId);
    EXPECT_EQ(list[0].exportPaths, std::vector<std::string>{"\\\\a\\s"});
  }
}

// sid:type:level per entry.
std::string Describe(const std::list<_UnityCifsShareACE>& aces) {
  std::string out;
  for (const _UnityCifsShareACE& a : aces) {
    out += a.sid + ":" + std::to_string(a.accessType) + ":" + std::to_string(a.accessLevel) + ",";
  }
  return out;
}

TEST(CifsAceAnswer, ReadsEntriesInOrder) {
  const struct {
    const char* name;
    std::string answer;
    bool ok;
    std::string aces;
  } rows[] = {
      {"ContentNotAnObject", R"({"content": 5})", true, ""},
      {"EntriesMissing", R"({"content": {}})", true, ""},
      {"EntriesNotAList", R"({"content": {"cifsShareACEs": {"sid": "S"}}})", true, ""},
      {"LevelMissingKeepsEarlierEntries",
       R"({"content": {"cifsShareACEs": [{"sid": "S-1", "accessType": 1, "accessLevel": 1},)"
       R"( {"sid": "S-2", "accessType": 1}]}})",
       false, "S-1:1:1,"},
      {"EntryNotAnObject", R"({"content": {"cifsShareACEs": ["S-1-1-0"]}})", false, ""},
      {"SidAsNumber",
       R"({"content": {"cifsShareACEs": [{"sid": 1, "accessType": 1, "accessLevel": 1}]}})", false,
       ""},
      {"TypeBeyond32Bits",
       R"({"content": {"cifsShareACEs": [{"sid": "S", "accessType": 4294967297,)"
       R"( "accessLevel": 1}]}})",
       false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EMCUnityJsonGetCifsACE m;
    m.Initialize(kArray, "SMBShare_1");
    Build(m);
    std::string answer = row.answer;
    EXPECT_EQ(m.ParseResponse(answer), row.ok);
    std::list<_UnityCifsShareACE> aces(2);  // replaced by the getter
    m.GetCifsShareACE(aces);
    EXPECT_EQ(Describe(aces), row.aces);
  }
}

}  // namespace
