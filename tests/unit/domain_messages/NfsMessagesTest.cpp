// The NFS export messages: golden requests the integration tests do not already check on the wire,
// and list answers with missing, null, repeated and wrong-typed fields.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";

struct Built {
  bool ok;
  std::string uri;
  std::string body;
};

template <typename Message>
Built Build(Message& message, long setting = -2) {
  message.Init(7, "5.0");
  if (setting != -2) message.setTimeout(setting);  // what the session does with a setting
  std::string body = "stale";
  const bool ok = message.BuildRequest(body);
  return Built{ok, message.GetNextURI(), body};
}

Built Modify(const _UnityNfsHostAccess& access, long setting = -2) {
  EMCUnityJsonModifyNfsAccess m;
  m.Initialize(kArray, "NFSShare_7", access);
  return Build(m, setting);
}

Built List(const std::string& name, const std::string& nas, SnapID snap = 0,
           const std::string& path = "", const std::string& host = "") {
  EMCUnityJsonGetNFSExportList m;
  if (!name.empty() || !nas.empty()) m.InitializeWithName(kArray, name, nas);
  if (snap != 0 || !path.empty()) m.InitializeWithPath(kArray, snap, path);
  if (!host.empty()) m.InitializeWithHost(kArray, host);
  if (name.empty() && nas.empty() && snap == 0 && path.empty() && host.empty()) {
    m.Initialize(kArray);
  }
  return Build(m);
}

TEST(NfsRequests, GoldenRequests) {
  EMCUnityJsonCreateNFSExport create;
  create.Initialize(kArray, 18446744073709551615ULL, "n", static_cast<_UNITY_NFS_DEF_ACCESS>(4),
                    "/p");
  EMCUnityJsonDeleteNFSExport del;
  del.Initialize(kArray, "NFSShare_7");
  const std::string api = "https://10.0.0.5/api/";
  const std::string modify = api + "instances/nfsShare/NFSShare_7/action/modify?";
  const std::string list =
      api +
      "types/nfsShare/instances?&fields=defaultAccess,exportPaths,filesystem.id,id,name,"
      "noAccessHosts,path,readOnlyHosts,readWriteHosts,rootAccessHosts,type";
  const struct {
    const char* name;
    Built got;
    std::string uri;
    std::string body;
  } rows[] = {
      {"CreateKeepsAccessAndWholeSnapId", Build(create), api + "types/nfsShare/instances?",
       R"({"defaultAccess": 4, "name": "n", "path": "\/p", "snap": {"id": "18446744073709551615"}})"},
      {"ModifyNoHostsSendsFourEmptyLists", Modify({UNITY_NFS_DEF_ACCESS_ROOT, {}}), modify,
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
      {"ListAll", List("", ""), list, ""},
      {"ListNasWithoutNameIsNoFilter", List("", "NAS_1"), list, ""},
      {"ListNameEncoded", List("a b&\xc3\xa9", ""),
       list + "&filter=%28name%20eq%20%22a%20b%26%C3%A9%22%29", ""},
      {"ListHostOnlyForRootAccess", List("", "", 0, "", "Host 1"),
       list + "&filter=%28rootAccessHosts.id%20eq%20%22Host%201%22%29", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.got.ok);
    EXPECT_EQ(row.got.uri, row.uri);
    EXPECT_EQ(row.got.body, row.body);
  }
}

TEST(NfsRequests, DoubleQuoteInFilterValueIsNotBuilt) {
  EXPECT_FALSE(List("a\"", "").ok);
  EXPECT_FALSE(List("a", "\"").ok);
  EXPECT_FALSE(List("", "", 5, "/\"").ok);
  EXPECT_FALSE(List("", "", 0, "", "H\"").ok);
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
  m.Init(1, "5.0");
  m.InitializeWithHost(kArray, "Host_1");
  std::string body;
  ASSERT_TRUE(m.BuildRequest(body));
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
        ListCase{"DefaultBeyond32Bits", Entries(Export("", "4294967297")), false, ""},
        ListCase{"FilesystemNotAnObject",
                 Entries(R"({"content": {"id": "N", "type": 1, "name": "n", "path": "/",)"
                         R"( "filesystem": "fs_1", "defaultAccess": 1, "exportPaths": []}})"),
                 false, ""},
        ListCase{"ArrayError",
                 R"({"error": {"errorCode": 131149829, "httpStatusCode": 404,)"
                 R"( "messages": [{"en-US": "The requested resources do not exist"}]}})",
                 true, ""}),
    [](const testing::TestParamInfo<ListCase>& row) { return std::string(row.param.name); });

TEST(NfsCreateAnswer, ReadsTheNewId) {
  const struct {
    const char* answer;
    bool ok;
    std::string id;
  } rows[] = {
      {R"({"content": {"id": "NFSShare_9"}})", true, "NFSShare_9"},
      {R"({"content": {"id": 9}})", false, ""},
      {R"({"content": ["NFSShare_9"]})", false, ""},
      {R"({"error": {"errorCode": 100666337, "messages": [{"en-US": "exists"}]}})", true, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.answer);
    EMCUnityJsonCreateNFSExport m;
    m.Initialize(kArray, 5, "n", UNITY_NFS_DEF_ACCESS_READ_ONLY, "/");
    std::string answer = row.answer;
    EXPECT_EQ(m.ParseResponse(answer), row.ok);
    std::string id = "stale";
    m.GetShareId(id);
    EXPECT_EQ(id, row.id);
  }
}

}  // namespace
