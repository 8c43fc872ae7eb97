// The block exposure messages: the request forms the integration tests do not send (host filters,
// whole numbers, empty lists) and answers with null, missing and wrong-typed fields.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/messages/BuiltRequest.h"
#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";
const std::string kApi = "https://10.0.0.5/api/";

using unitytest::Build;
using Request = unitytest::BuiltRequest;

Request HostLuns(const std::vector<unsigned long long>& snaps, const std::set<std::string>& hosts,
                 int type) {
  EMCUnityJsonGetHostLun m;
  m.Initialize(kArray, snaps, hosts, static_cast<_UNITY_HOST_LUN_TYPE>(type));
  return Build(m);
}

Request LunAccess(const std::vector<_UnityHostAccess>& list, bool group) {
  EMCUnityJsonLunAccess m;
  m.Initialize(kArray, "res_9", list, group);
  return Build(m);
}

Request ResourceByName(const std::string& name, int type) {
  EMCUnityJsonGetStorageResource m;
  m.Initialize(kArray, name, static_cast<_UNITY_STG_RES_TYPE>(type));
  return Build(m);
}

Request ResourceById(const std::string& id) {
  EMCUnityJsonGetStorageResource m;
  m.Initialize(kArray, id);
  return Build(m);
}

Request Luns(const std::string& wwn) {
  EMCUnityJsonGetLunList m;
  m.Initialize(kArray, wwn);
  return Build(m);
}

TEST(BlockRequests, GoldenRequests) {
  const std::string hostLun =
      "types/hostLUN/instances?&fields=host.id,id,lun.id,snap.id,snap.snapGroup.id,type";
  const std::string snap7 = "%28snap.id%20eq%20%227%22%20OR%20snap.snapGroup.id%20eq%20%227%22%29";
  const std::string resource = "?&fields=blockHostAccess,id,luns,name,type";
  const struct {
    const char* name;
    Request got;
    std::string uri;  // after the common prefix
    std::string body;
  } rows[] = {
      {"HostLunNothingSet", HostLuns({}, {}, 0), hostLun, ""},
      {"HostLunOneHost", HostLuns({}, {"H 1"}, 0),
       hostLun + "&filter=%28host.id%20eq%20%22H%201%22%29", ""},
      {"HostLunTwoHostsSortedAndWrapped", HostLuns({7}, {"Host_2", "Host_1"}, 0),
       hostLun + "&filter=" + snap7 +
           "%20AND%20%28%28host.id%20eq%20%22Host_1%22%29%20OR%20%28host.id%20eq%20%22Host_2%22%29"
           "%29",
       ""},
      {"HostLunTypeSentWhole", HostLuns({}, {}, 123), hostLun + "&filter=%28type%20eq%20123%29",
       ""},
      {"ResourceByEmptyIdHasDefinedType", ResourceById(""),
       "types/storageResource/instances" + resource +
           "&filter=name%20eq%20%22%22%20AND%20%28type%20eq%20-1%29",
       ""},
      {"LunsWithoutWwnUnfiltered", Luns(""),
       "types/lun/instances?&fields=id,name,snapWwn,storageResource.id,storageResource.name,"
       "storageResource.type,wwn",
       ""},
      {"LunAccessEmptyLun", LunAccess({}, false),
       "instances/storageResource/res_9/action/modifyLun?",
       R"({"lunParameters": {"hostAccess": []}})"},
      {"LunAccessEmptyGroup", LunAccess({}, true),
       "instances/storageResource/res_9/action/modifyConsistencyGroup?",
       R"({"blockHostAccess": []})"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.got.built);
    EXPECT_EQ(row.got.uri, kApi + row.uri);
    EXPECT_EQ(row.got.body, row.body);
  }
}

TEST(BlockRequests, DoubleQuoteInFilterValueIsNotBuilt) {
  EXPECT_FALSE(HostLuns({7}, {"Host_1", "a\"b"}, 2).built);
  EXPECT_FALSE(ResourceByName("a\"b", 8).built);
  EXPECT_FALSE(Luns("60\"01").built);
}

std::string Entries(const std::string& contents) {
  return R"({"@base": "https://10.0.0.5/api/types/x/instances", "entries": [)" + contents + "]}";
}

std::string Content(const std::string& fields) {
  return R"({"content": {)" + fields + "}}";
}

// Lists of another kind count as absent; elements that are not complete objects fail the parse.
TEST(BlockAnswers, StorageResources) {
  const std::string head = R"("id": "res_2", "name": "CG", "type": 2)";
  const struct {
    const char* name;
    std::string answer;
    bool parsed;  // into one record with both lists empty
  } rows[] = {
      {"NullLists", Entries(Content(head + R"(, "blockHostAccess": null, "luns": null)")), true},
      {"ListsOfAnotherKind",
       Entries(Content(head + R"(, "blockHostAccess": "x", "luns": {"id": "sv_3"})")), true},
      {"AccessWithoutHostId",
       Entries(Content(head + R"(, "blockHostAccess": [{"accessMask": 1, "host": {}}])")), false},
      {"AccessElementNotAnObject", Entries(Content(head + R"(, "blockHostAccess": [3])")), false},
      {"LunElementNotAnObject", Entries(Content(head + R"(, "luns": ["sv_3"])")), false},
      {"EntryNotAnObject", Entries(R"([1], 2)"), false},
      {"TypeAsText", Entries(Content(R"("id": "r", "name": "n", "type": "2")")), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EMCUnityJsonGetStorageResource m;
    m.Initialize(kArray, "res_2");
    Build(m);
    std::string answer = row.answer;
    EXPECT_EQ(m.ParseResponse(answer), row.parsed);
    std::vector<_UnityStorageResource> list;
    m.GetStorageResourceList(list);
    ASSERT_EQ(list.size(), row.parsed ? 1u : 0u);
    for (const _UnityStorageResource& r : list)
      EXPECT_TRUE(r.hostAccess.empty() && r.lunIds.empty());
  }
}

TEST(BlockAnswers, HostLunsReportTheGroupOfAGroupedSnapshot) {
  const std::string head = R"("id": "HL_1", "type": 2, "host": {"id": "H"}, "lun": {"id": "sv_3"})";
  const struct {
    const char* name;
    std::string snap;
    SnapID snapId;
  } rows[] = {
      {"NullGroup", R"(, "snap": {"id": "11", "snapGroup": null})", 11},
      {"BothNull", R"(, "snap": null)", 0},
      {"GroupIdAsNumber", R"(, "snap": {"id": "11", "snapGroup": {"id": 10}})", 11},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EMCUnityJsonGetHostLun m;
    m.Initialize(kArray, {}, {}, UNITY_HOST_LUN_TYPE_SNAP);
    Build(m);
    std::string answer = Entries(Content(head + row.snap));
    EXPECT_TRUE(m.ParseResponse(answer));
    std::vector<_UnityHostLun> list;
    m.GetHostLuns(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].snapId, row.snapId);
    EXPECT_EQ(list[0].hostId, "H");
    EXPECT_EQ(list[0].lunId, "sv_3");
  }
  for (const char* broken :
       {R"("id": "HL", "type": 2, "host": {"id": "H"})",
        R"("id": "HL", "type": "2", "host": {"id": "H"}, "lun": {"id": "L"})"}) {
    SCOPED_TRACE(broken);
    EMCUnityJsonGetHostLun m;
    Build(m);
    std::string answer = Entries(Content(broken));
    EXPECT_FALSE(m.ParseResponse(answer));
  }
}

// A wrong-typed or null required field fails the parse; GetLunInfo then finds no LUN and reports
// the array's "does not exist". Two LUNs leave the message's error as it was.
TEST(BlockAnswers, LunInfoNeedsExactlyOneLun) {
  const std::string lun = R"("id": "sv_1", "name": "L", "wwn": "W", )"
                          R"("storageResource": {"id": "sv_1", "name": "L", "type": 8})";
  for (const std::string& answer :
       {Entries(Content(lun + R"(, "snapWwn": "S")") + "," + Content(lun + R"(, "snapWwn": "S")")),
        Entries(Content(lun + R"(, "snapWwn": null)"))}) {
    SCOPED_TRACE(answer);
    EMCUnityJsonGetLunList m;
    m.Initialize(kArray, "W");
    Build(m);
    std::string text = answer;
    const bool two = m.ParseResponse(text);
    _UnityLunInfo info;
    EXPECT_FALSE(m.GetLunInfo(info));
    unsigned long long code = 0;
    m.getError(code, text);
    EXPECT_EQ(code, two ? ~0ULL : 131149829ULL);
  }
}

}  // namespace
