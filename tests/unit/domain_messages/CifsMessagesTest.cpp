// The CIFS share messages: golden requests the integration tests do not already check on the
// wire, list answers with a snapshot id of every kind, and access control entry answers.
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";

template <typename Message>
std::string Uri(Message& message, long setting = -2, bool built = true) {
  message.Init(7, "5.0");
  if (setting != -2) message.setTimeout(setting);
  std::string body = "stale";
  EXPECT_EQ(message.BuildRequest(body), built);
  EXPECT_EQ(body, "");
  return message.GetNextURI();
}

std::string ListByName(const std::string& name, const std::string& nas, bool built = true) {
  EMCUnityJsonGetCifsShareList m;
  m.InitializeWithName(kArray, name, nas);
  return Uri(m, -2, built);
}

TEST(CifsRequests, GoldenUris) {
  EMCUnityJsonGetCifsShareList all;
  all.Initialize(kArray);
  EMCUnityJsonDeleteCifsShare del;
  del.Initialize(kArray, "SMBShare_3");
  EMCUnityJsonGetCifsACE aces;
  aces.Initialize(kArray, "SMBShare_3");
  const std::string api = "https://10.0.0.5/api/";
  const std::string list =
      api + "types/cifsShare/instances?&fields=exportPaths,filesystem.id,id,name,path,snap.id,type";
  const struct {
    const char* name;
    std::string got;
    std::string uri;
  } rows[] = {
      {"ListAll", Uri(all), list},
      {"ListNameAndNas", ListByName("s", "NAS 1"),
       list + "&filter=%28name%20eq%20%22s%22%29%20AND%20%28filesystem.nasServer.name%20eq%20"
              "%22NAS%201%22%29"},
      {"ListNasOnly", ListByName("", "NAS_1"),
       list + "&filter=%28filesystem.nasServer.name%20eq%20%22NAS_1%22%29"},
      {"DeleteWithSetting", Uri(del, 30), api + "instances/cifsShare/SMBShare_3?&timeout=30"},
      {"ReadEntriesSendsNoFields", Uri(aces),
       api + "instances/cifsShare/SMBShare_3/action/getACEs?"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.got, row.uri);
  }
  ListByName("a\"", "", false);
  ListByName("a", "n\"", false);
}

// Only a text id is a snapshot: anything else is a share of a file system.
TEST(CifsListAnswer, SnapshotIdOfEveryKind) {
  const struct {
    const char* snap;
    unsigned long long snapId;
  } rows[] = {
      {R"(, "snap": {"id": "38654705849"})", 38654705849ULL},
      {R"(, "snap": null)", 0},
      {"", 0},
      {R"(, "snap": {"id": 38654705849})", 0},
      {R"(, "snap": "38654705849")", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.snap);
    EMCUnityJsonGetCifsShareList m;
    m.Init(1, "5.0");
    m.InitializeWithSnap(kArray, 5, "s");
    std::string body;
    ASSERT_TRUE(m.BuildRequest(body));
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
  const std::string two = R"([{"sid": "S-1-1-0", "accessType": 1, "accessLevel": 4},)"
                          R"( {"sid": "S-1-5-32-544", "accessType": 0, "accessLevel": 2}])";
  const struct {
    const char* name;
    std::string answer;
    bool ok;
    std::string aces;
  } rows[] = {
      {"TwoInOrder", R"({"content": {"cifsShareACEs": )" + two + "}}", true,
       "S-1-1-0:1:4,S-1-5-32-544:0:2,"},
      {"NoContent", "", true, ""},
      {"ContentNotAnObject", R"({"content": 5})", true, ""},
      {"EntriesMissing", R"({"content": {}})", true, ""},
      {"EntriesNull", R"({"content": {"cifsShareACEs": null}})", true, ""},
      {"EntriesNotAList", R"({"content": {"cifsShareACEs": {"sid": "S"}}})", true, ""},
      {"EmptyList", R"({"content": {"cifsShareACEs": []}})", true, ""},
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
    Uri(m);
    std::string answer = row.answer;
    EXPECT_EQ(m.ParseResponse(answer), row.ok);
    std::list<_UnityCifsShareACE> aces(2);  // replaced by the getter
    m.GetCifsShareACE(aces);
    EXPECT_EQ(Describe(aces), row.aces);
  }
}

}  // namespace
