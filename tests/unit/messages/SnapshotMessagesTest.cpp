// The snapshot and replication messages: golden requests (those the operations' integration tests
// check on the wire exactly are not repeated here), the filter text rules, and realistic and
// malformed answers.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/unit/messages/BuiltRequest.h"
#include "unity/EMCUnityJSON.h"
#include "unity/messages/FilterText.h"

namespace {

template <typename Row>
std::string RowName(const testing::TestParamInfo<Row>& row) {
  return row.param.name;
}

const char kArray[] = "10.0.0.5";
const std::string kApi = "https://10.0.0.5/api/";
const std::string kSnapFields =
    "?&fields=attachedWWN,hostAccess,id,isModifiable,lun.id,name,storageResource.id";

using unitytest::Build;
using Request = unitytest::BuiltRequest;

Request List(const std::vector<SnapID>& ids, bool group, const std::string& api = "5.0") {
  EMCUnityJsonGetSnapshotList m;
  m.Initialize(kArray, ids, group);
  return Build(m, -2, api);
}

Request ListNames(const std::vector<std::string>& names, bool group) {
  EMCUnityJsonGetSnapshotList m;
  m.Initialize(kArray, names, group);
  return Build(m);
}

Request Replication(const std::string& resource) {
  EMCUnityJsonGetReplicationInfo m;
  m.Initialize(kArray, resource);
  return Build(m);
}

TEST(SnapshotRequests, GoldenRequests) {
  EMCUnityJsonCreateSnap create;
  create.Initialize(kArray, "res_1", "a/\"b\"", true);
  EMCUnityJsonCopySnap copy;
  copy.Initialize(kArray, 38654705680ULL, "copy of nightly");
  const std::string list = "types/snap/instances" + kSnapFields + "&filter=";
  const std::string replication =
      "types/replicationSession/instances?&fields=id,remoteSystem.id&filter=(srcResourceId+eq+\"";
  const int GET = UNITY_HTTP_GET, POST = UNITY_HTTP_POST;
  const struct {
    const char* name;
    Request got;
    int method;
    std::string uri;  // after the common prefix
    std::string body;
  } rows[] = {
      {"CreateProtocolAccessRefusesTimeout", Build(create, 600), POST, "types/snap/instances?",
       R"({"filesystemAccessType": 2, "isAutoDelete": false, "name": "a\/\"b\"", )"
       R"("storageResource": {"id": "res_1"}})"},
      {"Copy", Build(copy), POST, "instances/snap/38654705680/action/copy?&timeout=20",
       R"({"copyName": "copy of nightly"})"},
      {"ListApi51HasHostAccess", List({18446744073709551615ULL}, false, "5.1"), GET,
       "instances/snap/18446744073709551615" + kSnapFields, ""},
      {"ListOneGroupIdIsFiltered", List({12}, true), GET,
       list + "%28snapGroup.id%20eq%20%2212%22%29", ""},
      {"ListThreeIdsInOrder", List({38654705680ULL, 2, 1}, false), GET,
       list + "%28id%20eq%20%2238654705680%22%29%20OR%20%28id%20eq%20%222%22%29"
              "%20OR%20%28id%20eq%20%221%22%29",
       ""},
      {"ListNoIdsHasEmptyFilter", List({}, false), GET, list, ""},
      {"ListNamesPercentEncoded", ListNames({"a b", "x&y+%"}, false), GET,
       list + "%28name%20eq%20%22a%20b%22%29%20OR%20%28name%20eq%20%22x%26y%2B%25%22%29", ""},
      {"ListOneGroupName", ListNames({"cg"}, true), GET,
       list + "%28snapGroup.name%20eq%20%22cg%22%29", ""},
      {"ReplicationOrdinaryIdUnchanged", Replication("sv_12-a.b~c/d:e(f)'g*!$,;=@"), GET,
       replication + "sv_12-a.b~c/d:e(f)'g*!$,;=@\")", ""},
      {"ReplicationUrlBytesEncoded", Replication(std::string("a%b&c#d+e\x01\x1f\x7f\xe9", 13)), GET,
       replication + "a%25b%26c%23d%2Be%01%1F%7F%E9\")", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.got.built);
    EXPECT_EQ(row.got.method, row.method);
    EXPECT_EQ(row.got.uri, kApi + row.uri);
    EXPECT_EQ(row.got.body, row.body);
  }
}

TEST(SnapshotRequests, DoubleQuoteInFilterValueIsNotBuilt) {
  EXPECT_FALSE(ListNames({"ok", "say \"hi\""}, false).built);
  EXPECT_FALSE(Replication("res\"1").built);
}

TEST(FilterText, UrlSafeEncodesOnlyMeaningfulBytes) {
  std::string every;
  for (int b = 0x20; b < 0x7F; ++b) {
    if (b != '%' && b != '&' && b != '#' && b != '+') every += static_cast<char>(b);
  }
  EXPECT_EQ(filter_url_safe(every), every);
  EXPECT_EQ(filter_url_safe(std::string("\0\n%", 3)), "%00%0A%25");
  EXPECT_EQ(filter_url_safe("\xff"), "%FF");
}

// One line per record: id|name|resource|modifiable|lun|wwn|mask:host,...
std::string Describe(const std::vector<_UnitySnapInfo>& list) {
  std::ostringstream out;
  for (const _UnitySnapInfo& s : list) {
    out << s.snapId << "|" << s.name << "|" << s.storageResourceId << "|" << s.isModifiable << "|"
        << s.lunId << "|" << s.attachedWWN << "|";
    for (const _UnityHostAccess& h : s.hostAccess) out << h.accessMask << ":" << h.hostId << ",";
    out << "\n";
  }
  return out.str();
}

std::string Entry(const std::string& fields) {
  return R"({"content": {"id": "38654705680", "name": "n", "storageResource": {"id": "res_1"},)"
         R"( "isModifiable": true)" +
         fields + "}}";
}
std::string Entries(const std::string& entries) {
  return R"({"@base": "https://a/api/types/snap/instances", "entries": [)" + entries + "]}";
}
const std::string kPlain = "38654705680|n|res_1|1|||\n";

struct ListCase {
  const char* name;
  std::string answer;
  bool ok;
  std::string records;
  std::string api = "5.0";
};

class SnapshotListAnswerTest : public testing::TestWithParam<ListCase> {};

TEST_P(SnapshotListAnswerTest, Reads) {
  const ListCase& c = GetParam();
  EMCUnityJsonGetSnapshotList m;
  m.Init(1, c.api);
  m.Initialize(kArray, std::vector<SnapID>{1, 2}, false);
  std::string body;
  ASSERT_TRUE(m.BuildRequest(body));
  std::string answer = c.answer;
  EXPECT_EQ(m.ParseResponse(answer), c.ok);
  std::vector<_UnitySnapInfo> list(3);  // replaced by the getter
  m.GetSnapList(list);
  EXPECT_EQ(Describe(list), c.records);
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, SnapshotListAnswerTest,
    testing::Values(
        ListCase{"AllFields",
                 Entries(Entry(R"(, "lun": {"id": "sv_7"}, "attachedWWN": "60:06", "hostAccess": )"
                               R"([{"host": {"id": "Host_1"}, "allowedAccess": 1},)"
                               R"( {"host": {"id": "Host_2"}, "allowedAccess": 0}])")),
                 true, "38654705680|n|res_1|1|sv_7|60:06|1:Host_1,0:Host_2,\n"},
        ListCase{"OptionalMissing", Entries(Entry("")), true, kPlain},
        ListCase{"OptionalNullOrWrongType",
                 Entries(Entry(R"(, "lun": null, "attachedWWN": 5, "hostAccess": null)") + "," +
                         Entry(R"(, "lun": "sv_7", "attachedWWN": null, "hostAccess": {"a": 1})")),
                 true, kPlain + kPlain},
        ListCase{"Api40IgnoresHostAccess",
                 Entries(Entry(R"(, "hostAccess": [{"host": {"id": "H"}, "allowedAccess": 1}])")),
                 true, kPlain, "4.0"},
        ListCase{"HostAccessWithoutHostId",
                 Entries(Entry("") + "," + Entry(R"(, "hostAccess": [{"allowedAccess": 1}])")),
                 false, kPlain},
        ListCase{"HostAccessElementNotObject", Entries(Entry(R"(, "hostAccess": [7])")), false, ""},
        ListCase{"HostAccessMaskAsText",
                 Entries(Entry(R"(, "hostAccess": [{"host": {"id": "H"}, "allowedAccess": "1"}])")),
                 false, ""},
        ListCase{"IdAsNumber",
                 Entries(Entry("") + R"(, {"content": {"id": 5, "name": "n", )"
                                     R"("storageResource": {"id": "r"}, "isModifiable": true}})"),
                 false, kPlain},
        ListCase{"IsModifiableAsText",
                 Entries(R"({"content": {"id": "5", "name": "n", "storageResource": {"id": "r"},)"
                         R"( "isModifiable": "true"}})"),
                 false, ""},
        ListCase{"StorageResourceNotObject",
                 Entries(R"({"content": {"id": "5", "name": "n", "storageResource": "r",)"
                         R"( "isModifiable": true}})"),
                 false, ""},
        ListCase{"EntryWithoutContentIsDefault", Entries(R"({"x": 1}, 3, )" + Entry("")), true,
                 "0|||0|||\n0|||0|||\n" + kPlain},
        ListCase{"NotJson", "<html>", false, ""}),
    RowName<ListCase>);

TEST(SnapshotListAnswer, PagesAccumulate) {
  EMCUnityJsonGetSnapshotList m;
  m.Init(1, "5.0");
  m.Initialize(kArray, std::vector<std::string>{}, false);
  std::string body;
  ASSERT_TRUE(m.BuildRequest(body));
  for (int page = 0; page < 2; ++page) {
    std::string answer = Entries(Entry(""));
    ASSERT_TRUE(m.ParseResponse(answer));
  }
  std::vector<_UnitySnapInfo> list;
  EXPECT_TRUE(m.GetSnapList(list));
  EXPECT_EQ(Describe(list), kPlain + kPlain);
}

struct IdCase {
  const char* name;
  std::string answer;
  bool ok;
  unsigned long long id;
  std::string logged;
};

class CreateAnswerTest : public testing::TestWithParam<IdCase> {};
class CopyAnswerTest : public testing::TestWithParam<IdCase> {};

TEST_P(CreateAnswerTest, Reads) {
  EMCUnityJsonCreateSnap m;
  m.Initialize(kArray, "res_1", "n", false);
  std::string answer = GetParam().answer;
  EXPECT_EQ(m.ParseResponse(answer), GetParam().ok);
  unsigned long long id = 99;
  m.GetSnapId(id);
  EXPECT_EQ(id, GetParam().id);
}

TEST_P(CopyAnswerTest, Reads) {
  DiagLogCapture capture;
  EMCUnityJsonCopySnap m;
  m.Initialize(kArray, 5, "c");
  std::string answer = GetParam().answer;
  EXPECT_EQ(m.ParseResponse(answer), GetParam().ok);
  unsigned long long id = 99;
  m.GetCopySnapId(id);
  EXPECT_EQ(id, GetParam().id);
  if (!GetParam().logged.empty()) {
    EXPECT_TRUE(capture.contains(GetParam().logged, "EMCUnityJsonCopySnap::ParseResponse"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, CreateAnswerTest,
    testing::Values(IdCase{"IdMissing", R"({"content": {}})", false, 0, ""},
                    IdCase{"IdAsNumber", R"({"content": {"id": 38654705680}})", false, 0, ""},
                    IdCase{"ContentNotObject", R"({"content": "38654705680"})", false, 0, ""}),
    RowName<IdCase>);

const char kSizeLine[] = "Size of the returned snap ids is not equal to 1";

INSTANTIATE_TEST_SUITE_P(
    Snapshots, CopyAnswerTest,
    testing::Values(
        IdCase{"NoCopy", R"({"content": {"copies": []}})", false, 0, kSizeLine},
        IdCase{"TwoCopies", R"({"content": {"copies": [{"id": "1"}, {"id": "2"}]}})", false, 0,
               kSizeLine},
        IdCase{"CopiesMissing", R"({"content": {}})", false, 0, ""},
        IdCase{"CopiesNotList", R"({"content": {"copies": {"id": "1"}}})", false, 0, ""},
        IdCase{"CopyNotObject", R"({"content": {"copies": ["1"]}})", false, 0, ""},
        IdCase{"CopyIdAsNumber", R"({"content": {"copies": [{"id": 1}]}})", false, 0, ""}),
    RowName<IdCase>);

struct ReplicationCase {
  const char* name;
  std::string answer;
  bool ok;
  std::string sessionId;
  std::string logged;
};

class ReplicationAnswerTest : public testing::TestWithParam<ReplicationCase> {};

TEST_P(ReplicationAnswerTest, Reads) {
  const ReplicationCase& c = GetParam();
  DiagLogCapture capture;
  EMCUnityJsonGetReplicationInfo m;
  m.Init(1, "5.0");
  m.Initialize(kArray, "res_1");
  std::string body;
  ASSERT_TRUE(m.BuildRequest(body));
  std::string answer = c.answer;
  EXPECT_EQ(m.ParseResponse(answer), c.ok);
  _ReplicationSessionInfo info;
  info.sessionId = "stale";
  m.GetReplicationSessionInfo(info);
  EXPECT_EQ(info.sessionId, c.sessionId);
  if (!c.logged.empty()) {
    EXPECT_TRUE(capture.contains(c.logged)) << c.logged;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replication, ReplicationAnswerTest,
    testing::Values(
        ReplicationCase{"NoRemoteSystem", R"({"entries": [{"content": {"id": "rs_1"}}]})", false,
                        "", "Failed to parse values from json"},
        ReplicationCase{"IdAsNumber",
                        R"({"entries": [{"content": {"id": 1, "remoteSystem": {"id": "R"}}}]})",
                        false, "", ""},
        ReplicationCase{"WithoutContent", R"({"entries": [{}]})", true, "", ""}),
    RowName<ReplicationCase>);

}  // namespace
