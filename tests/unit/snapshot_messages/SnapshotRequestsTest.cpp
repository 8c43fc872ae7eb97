// Golden requests of the snapshot and replication messages, and the filter text rules. Requests
// the operations' integration tests check on the wire exactly are not repeated here.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unity/EMCUnityJSON.h"
#include "unity/FilterText.h"

namespace {

template <typename Row>
std::string RowName(const testing::TestParamInfo<Row>& row) {
  return row.param.name;
}

const char kArray[] = "10.0.0.5";
const std::string kApi = "https://10.0.0.5/api/";
const std::string kSnapFields =
    "?&fields=attachedWWN,hostAccess,id,isModifiable,lun.id,name,storageResource.id";

struct Request {
  bool built;
  int method;
  std::string uri;
  std::string body;
};

template <typename Message>
Request Build(Message& message, const std::string& apiVersion = "5.0", long timeout = -2) {
  message.Init(7, apiVersion);
  if (timeout != -2) message.setTimeout(timeout);  // what the session does with a setting
  std::string body = "stale";
  const bool built = message.BuildRequest(body);
  return Request{built, message.getHttpReqType(), message.GetNextURI(), body};
}

// A message of type M initialised with `args`, built with an optional time-out setting.
using S = std::string;

template <typename M, typename... Args>
std::function<Request()> Msg(long timeout, Args... args) {
  return [=] {
    M m;
    m.Initialize(kArray, args...);
    return Build(m, "5.0", timeout);
  };
}

Request List(const std::vector<SnapID>& ids, bool group, const std::string& api = "5.0") {
  EMCUnityJsonGetSnapshotList m;
  m.Initialize(kArray, ids, group);
  return Build(m, api);
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

struct RequestCase {
  const char* name;
  std::function<Request()> build;
  int method;
  std::string uri;  // after the common prefix
  std::string body;
};

class SnapshotRequestTest : public testing::TestWithParam<RequestCase> {};

TEST_P(SnapshotRequestTest, GoldenRequest) {
  const RequestCase& c = GetParam();
  const Request r = c.build();
  EXPECT_TRUE(r.built);
  EXPECT_EQ(r.method, c.method);
  EXPECT_EQ(r.uri, kApi + c.uri);
  EXPECT_EQ(r.body, c.body);
}

const std::string kReplicationQuery =
    "types/replicationSession/instances?&fields=id,remoteSystem.id&filter=(srcResourceId+eq+\"";

INSTANTIATE_TEST_SUITE_P(
    Messages, SnapshotRequestTest,
    testing::Values(
        RequestCase{"CreateProtocolAccessRefusesTimeout",
                    Msg<EMCUnityJsonCreateSnap>(600, S("res_1"), S("a/\"b\""), true),
                    UNITY_HTTP_POST, "types/snap/instances?",
                    R"({"filesystemAccessType": 2, "isAutoDelete": false, "name": "a\/\"b\"", )"
                    R"("storageResource": {"id": "res_1"}})"},
        RequestCase{"Copy", Msg<EMCUnityJsonCopySnap>(-2, 38654705680ULL, S("copy of nightly")),
                    UNITY_HTTP_POST, "instances/snap/38654705680/action/copy?&timeout=20",
                    R"({"copyName": "copy of nightly"})"},
        RequestCase{"ListOneIdIsSingleInstance", [] { return List({12}, false); }, UNITY_HTTP_GET,
                    "instances/snap/12" + kSnapFields, ""},
        RequestCase{"ListApi51HasHostAccess",
                    [] { return List({18446744073709551615ULL}, false, "5.1"); }, UNITY_HTTP_GET,
                    "instances/snap/18446744073709551615" + kSnapFields, ""},
        RequestCase{
            "ListOneGroupIdIsFiltered", [] { return List({12}, true); }, UNITY_HTTP_GET,
            "types/snap/instances" + kSnapFields + "&filter=%28snapGroup.id%20eq%20%2212%22%29",
            ""},
        RequestCase{"ListThreeIdsInOrder",
                    [] {
                      return List({38654705680ULL, 2, 1}, false);
                    },
                    UNITY_HTTP_GET,
                    "types/snap/instances" + kSnapFields +
                        "&filter=%28id%20eq%20%2238654705680%22%29%20OR%20%28id%20eq%20%222%22%29"
                        "%20OR%20%28id%20eq%20%221%22%29",
                    ""},
        RequestCase{"ListNoIdsHasEmptyFilter", [] { return List({}, false); }, UNITY_HTTP_GET,
                    "types/snap/instances" + kSnapFields + "&filter=", ""},
        RequestCase{"ListNamesPercentEncoded",
                    [] {
                      return ListNames({"a b", "x&y+%"}, false);
                    },
                    UNITY_HTTP_GET,
                    "types/snap/instances" + kSnapFields +
                        "&filter=%28name%20eq%20%22a%20b%22%29%20OR%20%28name%20eq%20%22x%26y%2B%25"
                        "%22%29",
                    ""},
        RequestCase{
            "ListOneGroupName", [] { return ListNames({"cg"}, true); }, UNITY_HTTP_GET,
            "types/snap/instances" + kSnapFields + "&filter=%28snapGroup.name%20eq%20%22cg%22%29",
            ""},
        RequestCase{"ReplicationOrdinaryIdUnchanged",
                    [] { return Replication("sv_12-a.b~c/d:e(f)'g*!$,;=@"); }, UNITY_HTTP_GET,
                    kReplicationQuery + "sv_12-a.b~c/d:e(f)'g*!$,;=@\")", ""},
        RequestCase{"ReplicationUrlBytesEncoded",
                    [] { return Replication(std::string("a%b&c#d+e\x01\x1f\x7f\xe9", 13)); },
                    UNITY_HTTP_GET, kReplicationQuery + "a%25b%26c%23d%2Be%01%1F%7F%E9\")", ""}),
    RowName<RequestCase>);

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

}  // namespace
