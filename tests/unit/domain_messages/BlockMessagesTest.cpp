// The block exposure messages: the request forms the integration tests do not send (filters with
// zero, one and several snapshots and hosts, whole numbers, empty lists, every body form) and
// answers with null, missing and wrong-typed fields.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";
const std::string kApi = "https://10.0.0.5/api/";

struct Request {
  bool built;
  std::string uri;
  std::string body;
};

template <typename Message>
Request Build(Message& message) {
  message.Init(7, "5.0");
  std::string body = "stale";
  const bool built = message.BuildRequest(body);
  return Request{built, message.GetNextURI(), body};
}

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

Request Expose(const std::vector<_UnityHostAccess>& list, bool modify) {
  EMCUnityJsonExposeLun m;
  m.Initialize(kArray, 38654705846ULL, list, modify);
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

_UnityHostAccess Access(int mask, const char* host) {
  _UnityHostAccess a;
  a.accessMask = mask;
  a.hostId = host;
  return a;
}

TEST(BlockRequests, GoldenRequests) {
  const std::string hostLun =
      "types/hostLUN/instances?&fields=host.id,id,lun.id,snap.id,snap.snapGroup.id,type";
  const std::string snap7 = "%28snap.id%20eq%20%227%22%20OR%20snap.snapGroup.id%20eq%20%227%22%29";
  const std::string snap8 = "%28snap.id%20eq%20%228%22%20OR%20snap.snapGroup.id%20eq%20%228%22%29";
  const std::string resource = "?&fields=blockHostAccess,id,luns,name,type";
  const std::vector<_UnityHostAccess> two = {Access(3, "Host_1"), Access(65535, "Host_2")};
  const std::string snapAction = "instances/snap/38654705846/action/";
  const struct {
    const char* name;
    Request got;
    std::string uri;  // after the common prefix
    std::string body;
  } rows[] = {
      {"HostLunNothingSet", HostLuns({}, {}, 0), hostLun, ""},
      {"HostLunOneSnapAndType", HostLuns({7}, {}, 2),
       hostLun + "&filter=" + snap7 + "%20AND%20%28type%20eq%202%29", ""},
      {"HostLunTwoSnapsWrapped", HostLuns({7, 8}, {}, 2),
       hostLun + "&filter=%28" + snap7 + "%20OR%20" + snap8 + "%29%20AND%20%28type%20eq%202%29",
       ""},
      {"HostLunOneHost", HostLuns({}, {"H 1"}, 0),
       hostLun + "&filter=%28host.id%20eq%20%22H%201%22%29", ""},
      {"HostLunTwoHostsSortedAndWrapped", HostLuns({7}, {"Host_2", "Host_1"}, 0),
       hostLun + "&filter=" + snap7 +
           "%20AND%20%28%28host.id%20eq%20%22Host_1%22%29%20OR%20%28host.id%20eq%20%22Host_2%22%29"
           "%29",
       ""},
      {"HostLunTypeSentWhole", HostLuns({}, {}, 123), hostLun + "&filter=%28type%20eq%20123%29",
       ""},
      {"ResourceByNameTypeSentWhole", ResourceByName("a&b", 1234),
       "types/storageResource/instances" + resource +
           "&filter=name%20eq%20%22a%26b%22%20AND%20%28type%20eq%201234%29",
       ""},
      {"ResourceByEmptyIdHasDefinedType", ResourceById(""),
       "types/storageResource/instances" + resource +
           "&filter=name%20eq%20%22%22%20AND%20%28type%20eq%20-1%29",
       ""},
      {"ResourceByIdIsInstance", ResourceById("sv_1"), "instances/storageResource/sv_1" + resource,
       ""},
      {"LunsWithoutWwnUnfiltered", Luns(""),
       "types/lun/instances?&fields=id,name,snapWwn,storageResource.id,storageResource.name,"
       "storageResource.type,wwn",
       ""},
      {"LunAccessOfLun", LunAccess(two, false), "instances/storageResource/res_9/action/modifyLun?",
       R"({"lunParameters": {"hostAccess": [{"accessMask": 3, "host": {"id": "Host_1"}}, )"
       R"({"accessMask": 65535, "host": {"id": "Host_2"}}]}})"},
      {"LunAccessOfGroup", LunAccess(two, true),
       "instances/storageResource/res_9/action/modifyConsistencyGroup?",
       R"({"blockHostAccess": [{"accessMask": 3, "host": {"id": "Host_1"}}, )"
       R"({"accessMask": 65535, "host": {"id": "Host_2"}}]})"},
      {"LunAccessEmptyLun", LunAccess({}, false),
       "instances/storageResource/res_9/action/modifyLun?",
       R"({"lunParameters": {"hostAccess": []}})"},
      {"LunAccessEmptyGroup", LunAccess({}, true),
       "instances/storageResource/res_9/action/modifyConsistencyGroup?",
       R"({"blockHostAccess": []})"},
      {"ExposeEmptyListDetaches", Expose({}, true), snapAction + "detach?&timeout=20", ""},
      {"ExposeModifyTwoHosts", Expose(two, true), snapAction + "modify?&timeout=20",
       R"({"hostAccess": [{"allowedAccess": 3, "host": {"id": "Host_1"}}, )"
       R"({"allowedAccess": 65535, "host": {"id": "Host_2"}}]})"},
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

TEST(BlockAnswers, StorageResources) {
  const std::string head = R"("id": "res_2", "name": "CG", "type": 2)";
  const struct {
    const char* name;
    std::string answer;
    bool parsed;
    size_t records;
    size_t hostAccess;  // of the first record
    size_t luns;
  } rows[] = {
      {"Lists",
       Entries(Content(head + R"(, "blockHostAccess": [{"accessMask": 65535, )"
                              R"("host": {"id": "Host_2"}}], "luns": [{"id": "sv_3"}, )"
                              R"({"id": "sv_4"}])")),
       true, 1, 1, 2},
      {"NullLists", Entries(Content(head + R"(, "blockHostAccess": null, "luns": null)")), true, 1,
       0, 0},
      {"ListsOfAnotherKindAreAbsent",
       Entries(Content(head + R"(, "blockHostAccess": "x", "luns": {"id": "sv_3"})")), true, 1, 0,
       0},
      {"InstanceAnswer", Content(head), true, 1, 0, 0},
      {"AccessWithoutHostId",
       Entries(Content(head + R"(, "blockHostAccess": [{"accessMask": 1, "host": {}}])")), false, 0,
       0, 0},
      {"AccessMaskAsText",
       Entries(Content(head + R"(, "blockHostAccess": [{"accessMask": "1", )"
                              R"("host": {"id": "H"}}])")),
       false, 0, 0, 0},
      {"AccessElementNotAnObject", Entries(Content(head + R"(, "blockHostAccess": [3])")), false, 0,
       0, 0},
      {"LunElementNotAnObject", Entries(Content(head + R"(, "luns": ["sv_3"])")), false, 0, 0, 0},
      {"EntryNotAnObject", Entries(R"([1], 2)"), false, 0, 0, 0},
      {"TypeAsText", Entries(Content(R"("id": "r", "name": "n", "type": "2")")), false, 0, 0, 0},
      {"NameMissing", Entries(Content(R"("id": "r", "type": 2)")), false, 0, 0, 0},
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
    ASSERT_EQ(list.size(), row.records);
    if (row.records == 0) continue;
    EXPECT_EQ(list[0].type, 2);
    EXPECT_EQ(list[0].hostAccess.size(), row.hostAccess);
    EXPECT_EQ(list[0].lunIds.size(), row.luns);
  }
}

TEST(BlockAnswers, HostLunsReportTheGroupOfAGroupedSnapshot) {
  const std::string head = R"("id": "HL_1", "type": 2, "host": {"id": "H"}, "lun": {"id": "sv_3"})";
  const struct {
    const char* name;
    std::string snap;
    bool parsed;
    SnapID snapId;
  } rows[] = {
      {"GroupWins", R"(, "snap": {"id": "11", "snapGroup": {"id": "10"}})", true, 10},
      {"NullGroup", R"(, "snap": {"id": "11", "snapGroup": null})", true, 11},
      {"BothNull", R"(, "snap": null)", true, 0},
      {"GroupIdAsNumber", R"(, "snap": {"id": "11", "snapGroup": {"id": 10}})", true, 11},
      {"NoSnap", "", true, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EMCUnityJsonGetHostLun m;
    m.Initialize(kArray, {}, {}, UNITY_HOST_LUN_TYPE_SNAP);
    Build(m);
    std::string answer = Entries(Content(head + row.snap));
    EXPECT_EQ(m.ParseResponse(answer), row.parsed);
    std::vector<_UnityHostLun> list;
    m.GetHostLuns(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].snapId, row.snapId);
    EXPECT_EQ(list[0].hostId, "H");
    EXPECT_EQ(list[0].lunId, "sv_3");
  }
  for (const char* broken : {R"("id": "HL", "type": 2, "host": {"id": "H"})",
                             R"("id": "HL", "type": "2", "host": {"id": "H"}, "lun": {"id": "L"})",
                             R"("id": "HL", "type": 2, "host": null, "lun": {"id": "L"})"}) {
    SCOPED_TRACE(broken);
    EMCUnityJsonGetHostLun m;
    Build(m);
    std::string answer = Entries(Content(broken));
    EXPECT_FALSE(m.ParseResponse(answer));
  }
}

TEST(BlockAnswers, LunInfoNeedsExactlyOneLun) {
  const unsigned long long kUntouched = ~0ULL;  // what parsing an answer without error leaves
  const std::string lun = Content(R"("id": "sv_1", "name": "L", "wwn": "W", "snapWwn": "S", )"
                                  R"("storageResource": {"id": "sv_1", "name": "L", "type": 8})");
  const struct {
    const char* name;
    std::string answer;
    bool parsed;
    bool found;
    unsigned long long code;
  } rows[] = {
      {"One", Entries(lun), true, true, kUntouched},
      {"None", Entries(""), true, false, 131149829ULL},
      {"Two", Entries(lun + "," + lun), true, false, kUntouched},
      {"TypeAsText",
       Entries(Content(R"("id": "sv_1", "name": "L", "wwn": "W", "snapWwn": "S", )"
                       R"("storageResource": {"id": "sv_1", "name": "L", "type": "8"})")),
       false, false, 131149829ULL},
      {"SnapWwnNull",
       Entries(Content(R"("id": "sv_1", "name": "L", "wwn": "W", "snapWwn": null, )"
                       R"("storageResource": {"id": "sv_1", "name": "L", "type": 8})")),
       false, false, 131149829ULL},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EMCUnityJsonGetLunList m;
    m.Initialize(kArray, "W");
    Build(m);
    std::string answer = row.answer;
    EXPECT_EQ(m.ParseResponse(answer), row.parsed);
    _UnityLunInfo info;
    EXPECT_EQ(m.GetLunInfo(info), row.found);
    unsigned long long code = 0;
    std::string text;
    m.getError(code, text);
    EXPECT_EQ(code, row.code);
    if (row.found) {
      EXPECT_EQ(info.snapWwn, "S");
      EXPECT_EQ(info.storageResource.type, 8);
    }
  }
}

}  // namespace
