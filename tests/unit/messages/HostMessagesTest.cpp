// The host messages: golden requests (those the host operations' integration tests check on the
// wire are not repeated), the filter text rules, and realistic and malformed answers.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/unit/messages/BuiltRequest.h"
#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";

using unitytest::Build;
using Request = unitytest::BuiltRequest;

template <typename Message, typename... Args>
Message Make(const Args&... args) {
  Message m;
  m.Initialize(kArray, args...);
  return m;
}

TEST(HostRequests, GoldenRequests) {
  using Initiators = EMCUnityJsonGetHostInitiatorInfo;
  const std::string initiators =
      "types/hostInitiator/instances?&fields=id,initiatorId,parentHost.id,type";
  const std::string ports = "types/hostIPPort/instances?&fields=address,host.id,id";
  const int GET = UNITY_HTTP_GET, POST = UNITY_HTTP_POST;
  const struct {
    const char* name;
    Request got;
    int method;
    std::string uri;  // after "https://10.0.0.5/api/"
    std::string body;
  } rows[] = {
      {"InitiatorByPortWWN", Build(Make<Initiators>(std::string("21:00"), true)), GET,
       initiators + "&filter=(portWWN+eq+\"21:00\")", ""},
      {"InitiatorUrlBytesEncoded", Build(Make<Initiators>(std::string("a b&c#d+e%\x01"), false)),
       GET, initiators + "&filter=(initiatorId+eq+\"a+b%26c%23d%2Be%25%01\")", ""},
      {"AllInitiators", Build(Make<Initiators>(std::string(), true)), GET, initiators, ""},
      {"IPPortByAddress", Build(Make<EMCUnityJsonGetHostIPPort>(std::string("10.1.2.3"))), GET,
       ports + "&filter=(address+eq+\"10.1.2.3\")", ""},
      {"LoggedIn", Build(Make<EMCUnityJsonGetLoggedInInitiator>()), GET,
       "types/hostInitiatorPath/instances?&fields=initiator.initiatorId,initiator.portWWN"
       "&filter=(isLoggedIn+eq+true)",
       ""},
      {"HostByName", Build(Make<EMCUnityJsonGetHost>(std::string("db 01"))), GET,
       "types/host/instances?&filter=(name+eq+\"db+01\")", ""},
      {"IscsiNodes", Build(Make<EMCUnityJsonGetIscsiNode>()), GET,
       "types/iscsiNode/instances?&fields=id,name", ""},
      {"CreateInitiator",
       Build(Make<EMCUnityJsonHostInitiator>(std::string("Host_1"), UNITY_HOSTINITIATOR_TYPE_ISCSI,
                                             std::string("iqn.1994-05.a:b"))),
       POST, "types/hostInitiator/instances?",
       R"({"host": {"id": "Host_1"}, "initiatorType": 2, "initiatorWWNorIqn": "iqn.1994-05.a:b"})"},
      {"CreateIPPort",
       Build(Make<EMCUnityJsonCreateHostIPPort>(std::string("Host_1"), std::string("10.1.2.3"))),
       POST, "types/hostIPPort/instances?", R"({"address": "10.1.2.3", "host": {"id": "Host_1"}})"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.got.built);
    EXPECT_EQ(row.got.method, row.method);
    EXPECT_EQ(row.got.uri, "https://10.0.0.5/api/" + row.uri);
    EXPECT_EQ(row.got.body, row.body);
  }
  EXPECT_FALSE(Build(Make<Initiators>(std::string("iqn\""), false)).built);
  EXPECT_FALSE(Build(Make<EMCUnityJsonGetHostIPPort>(std::string("10.0.0.1\""))).built);
  EXPECT_FALSE(Build(Make<EMCUnityJsonGetHost>(std::string("a\"b"))).built);
}

// Each reader builds its message's request, parses the answer and describes what the message
// then hands out.
using Reader = std::function<bool(std::string& answer, std::string& out)>;

template <typename Message, typename Describe, typename... Args>
Reader ReaderOf(Describe describe, Args... args) {
  return [=](std::string& answer, std::string& out) {
    Message m = Make<Message>(args...);
    m.Init(1, "13.0");
    std::string body;
    const bool ok = m.BuildRequest(body) && m.ParseResponse(answer);
    out = describe(m);  // first: a getter may set the message's error
    unsigned long long code = 0;
    std::string text;
    m.getError(code, text);
    out += "|" + text;
    return ok;
  };
}

const Reader kInitiators = ReaderOf<EMCUnityJsonGetHostInitiatorInfo>(
    [](EMCUnityJsonGetHostInitiatorInfo& m) {
      _UnityHostInitiatorInfo i;
      const bool one = m.GetHostInitiatorInfo(i);
      return (one ? "one:" : "") + i.id + "|" + std::to_string(i.type) + "|" + i.initiatorId + "|" +
             i.parentHostId;
    },
    std::string("x"), false);
const Reader kLoggedIn =
    ReaderOf<EMCUnityJsonGetLoggedInInitiator>([](EMCUnityJsonGetLoggedInInitiator& m) {
      std::vector<std::string> names;
      m.GetInitiators(names);
      std::string out;
      for (const std::string& n : names) out += "[" + n + "]";
      return out;
    });
const Reader kNodes = ReaderOf<EMCUnityJsonGetIscsiNode>([](EMCUnityJsonGetIscsiNode& m) {
  std::vector<_UnityIscsiNode> nodes;
  m.GetIscsNodes(nodes);
  std::string out;
  for (const _UnityIscsiNode& n : nodes) out += "[" + n.id + "|" + n.name + "]";
  return out;
});
const Reader kHost = ReaderOf<EMCUnityJsonGetHost>(
    [](EMCUnityJsonGetHost& m) {
      std::string id;
      return (m.GetHostId(id) ? "found:" : "") + id;
    },
    std::string("x"));

struct AnswerCase {
  const char* name;
  const Reader* reader;
  std::string answer;
  bool ok;
  std::string out;
};

std::string Entries(const std::string& entries) {
  return R"({"@base": "https://a/api/types/x/instances", "entries": [)" + entries + "]}";
}
std::string Content(const std::string& fields) {
  return R"({"content": {)" + fields + "}}";
}

const std::string kIscsi =
    Content(R"("id": "HostInitiator_2", "type": 2, "initiatorId": "iqn.a", "parentHost": null)");
const std::string kNotFoundError =
    R"({"error": {"errorCode": 131149829, "httpStatusCode": 404,)"
    R"( "messages": [{"en-US": "The requested resource does not exist."}]}})";
const std::string kNoInitiator = "|0|||undefined";

class HostAnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(HostAnswerTest, Reads) {
  const AnswerCase& c = GetParam();
  std::string answer = c.answer, out;
  EXPECT_EQ((*c.reader)(answer, out), c.ok);
  EXPECT_EQ(out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostAnswerTest,
    testing::Values(
        AnswerCase{"InitiatorNullParent", &kInitiators, Entries(kIscsi), true,
                   "one:HostInitiator_2|2|iqn.a||undefined"},
        AnswerCase{"InitiatorTypeBeyond32Bits", &kInitiators,
                   Entries(Content(R"("id": "I", "type": 4294967298, "initiatorId": "q")")), false,
                   kNoInitiator},
        // Refused by the shape check, before the error parsing: no error state.
        AnswerCase{"InitiatorEntriesNotList", &kInitiators, R"({"entries": {"content": {}}})",
                   false, "|0|||"},
        AnswerCase{"InitiatorElementNotObject", &kInitiators, Entries("7"), false, "|0|||"},
        AnswerCase{"InitiatorArrayError", &kInitiators, kNotFoundError, true,
                   "|0|||The requested resource does not exist."},
        AnswerCase{
            "LoggedInPrefersPortWWN", &kLoggedIn,
            Entries(Content(R"("initiator": {"initiatorId": "20:01", "portWWN": "21:01"})") + "," +
                    Content(R"("initiator": {"initiatorId": "iqn.a", "portWWN": ""})") + "," +
                    Content(R"("initiator": {"initiatorId": null, "portWWN": null})") + "," +
                    Content(R"("initiator": {"initiatorId": "iqn.b"})") + ",{}"),
            true, "[21:01][iqn.a][][iqn.b][]|undefined"},
        AnswerCase{
            "NodesSkipEntriesWithoutContent", &kNodes,
            Entries(Content(R"("id": "iscsinode_spa_eth2", "name": "iqn.1992-04.a0")") + ",{}"),
            true, "[iscsinode_spa_eth2|iqn.1992-04.a0]|undefined"},
        AnswerCase{"HostElementNotObject", &kHost, Entries("[]"), false, "found:|undefined"}),
    [](const testing::TestParamInfo<AnswerCase>& row) { return std::string(row.param.name); });

TEST(HostAnswers, IscsiNodeExtractionFailureIsLogged) {
  DiagLogCapture capture;
  std::string answer = Entries(Content(R"("name": "iqn")")), out;
  EXPECT_FALSE(kNodes(answer, out));
  EXPECT_TRUE(capture.contains("Failed to parse values from json",
                               "EMCUnityJsonGetIscsiNode::ParseResponse"));
}

// The three creating messages read the new id the same way.
TEST(HostAnswers, CreationAnswers) {
  const struct {
    const char* name;
    std::string answer;
    bool ok;
    std::string id;
  } rows[] = {
      {"IdAsNumber", R"({"content": {"id": 7}})", false, ""},
      {"ContentNotObject", R"({"content": ["New_7"]})", false, ""},
      {"ArrayError", kNotFoundError, true, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string answer = row.answer, id = "unset";
    auto host =
        Make<EMCUnityJsonCreateHost>(std::string("h"), std::string(), UNITY_HOST_TYPE_MANUAL);
    EXPECT_EQ(host.ParseResponse(answer), row.ok);
    host.GetHostId(id);
    EXPECT_EQ(id, row.id);
    auto initiator = Make<EMCUnityJsonHostInitiator>(std::string("Host_1"),
                                                     UNITY_HOSTINITIATOR_TYPE_FC, std::string("2"));
    EXPECT_EQ(initiator.ParseResponse(answer), row.ok);
    initiator.GetHostInitiatorId(id);
    EXPECT_EQ(id, row.id);
    auto port = Make<EMCUnityJsonCreateHostIPPort>(std::string("Host_1"), std::string("1.2.3.4"));
    EXPECT_EQ(port.ParseResponse(answer), row.ok);
    port.GetHostIPPortId(id);
    EXPECT_EQ(id, row.id);
  }
}

}  // namespace
