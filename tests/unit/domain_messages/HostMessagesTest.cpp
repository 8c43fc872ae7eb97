// The host messages: golden requests, the filter text rules, and realistic and malformed answers.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";
const std::string kApi = "https://10.0.0.5/api/";

struct Request {
  bool built;
  int method;
  std::string uri;
  std::string body;
};

Request Build(EMCUnityJsonBase& message) {
  message.Init(7, "13.0");
  std::string body = "stale";
  const bool built = message.BuildRequest(body);
  return Request{built, message.getHttpReqType(), message.GetNextURI(), body};
}

Request Initiators(const std::string& value, bool portWWN) {
  EMCUnityJsonGetHostInitiatorInfo m;
  m.Initialize(kArray, value, portWWN);
  return Build(m);
}

Request IPPorts(const std::string& address) {
  EMCUnityJsonGetHostIPPort m;
  m.Initialize(kArray, address);
  return Build(m);
}

Request Host(const std::string& name) {
  EMCUnityJsonGetHost m;
  m.Initialize(kArray, name);
  return Build(m);
}

Request CreateHost(const std::string& osType) {
  EMCUnityJsonCreateHost m;
  m.Initialize(kArray, "backup-01", osType, UNITY_HOST_TYPE_MANUAL);
  return Build(m);
}

TEST(HostRequests, GoldenRequests) {
  EMCUnityJsonGetLoggedInInitiator loggedIn;
  loggedIn.Initialize(kArray);
  EMCUnityJsonGetIscsiNode nodes;
  nodes.Initialize(kArray);
  EMCUnityJsonHostInitiator createInitiator;
  createInitiator.Initialize(kArray, "Host_1", UNITY_HOSTINITIATOR_TYPE_ISCSI, "iqn.1994-05.a:b");
  EMCUnityJsonHostInitiator moveInitiator;
  moveInitiator.Initialize(kArray, "HostInitiator_21", "Host_2");
  EMCUnityJsonCreateHostIPPort createPort;
  createPort.Initialize(kArray, "Host_1", "10.1.2.3");
  EMCUnityJsonDeleteHost deleteHost;
  deleteHost.Initialize(kArray, "Host_1");
  const std::string initiators =
      "types/hostInitiator/instances?&fields=id,initiatorId,parentHost.id,type";
  const std::string ports = "types/hostIPPort/instances?&fields=address,host.id,id";
  const int GET = UNITY_HTTP_GET, POST = UNITY_HTTP_POST;
  const struct {
    const char* name;
    Request got;
    int method;
    std::string uri;  // after the common prefix
    std::string body;
  } rows[] = {
      {"InitiatorById", Initiators("iqn.1994-05.a:b c", false), GET,
       initiators + "&filter=(initiatorId+eq+\"iqn.1994-05.a:b+c\")", ""},
      {"InitiatorByPortWWN", Initiators("21:00", true), GET,
       initiators + "&filter=(portWWN+eq+\"21:00\")", ""},
      {"InitiatorUrlBytesEncoded", Initiators("a&b#c+d%\x01", false), GET,
       initiators + "&filter=(initiatorId+eq+\"a%26b%23c%2Bd%25%01\")", ""},
      {"AllInitiators", Initiators("", true), GET, initiators, ""},
      {"IPPortByAddress", IPPorts("10.1.2.3"), GET, ports + "&filter=(address+eq+\"10.1.2.3\")",
       ""},
      {"AllIPPorts", IPPorts(""), GET, ports, ""},
      {"LoggedIn", Build(loggedIn), GET,
       "types/hostInitiatorPath/instances?&fields=initiator.initiatorId,initiator.portWWN"
       "&filter=(isLoggedIn+eq+true)",
       ""},
      {"HostByName", Host("db 01"), GET, "types/host/instances?&filter=(name+eq+\"db+01\")", ""},
      {"HostByEmptyName", Host(""), GET, "types/host/instances?&filter=(name+eq+\"\")", ""},
      {"IscsiNodes", Build(nodes), GET, "types/iscsiNode/instances?&fields=id,name", ""},
      {"CreateHost", CreateHost("Linux"), POST, "types/host/instances?",
       R"({"name": "backup-01", "osType": "Linux", "type": 1})"},
      {"CreateHostWithoutOsType", CreateHost(""), POST, "types/host/instances?",
       R"({"name": "backup-01", "type": 1})"},
      {"CreateInitiator", Build(createInitiator), POST, "types/hostInitiator/instances?",
       R"({"host": {"id": "Host_1"}, "initiatorType": 2, "initiatorWWNorIqn": "iqn.1994-05.a:b"})"},
      {"MoveInitiator", Build(moveInitiator), POST,
       "instances/hostInitiator/HostInitiator_21/action/modify?", R"({"host": {"id": "Host_2"}})"},
      {"CreateIPPort", Build(createPort), POST, "types/hostIPPort/instances?",
       R"({"address": "10.1.2.3", "host": {"id": "Host_1"}})"},
      {"DeleteHost", Build(deleteHost), UNITY_HTTP_DELETE, "instances/host/Host_1?", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.got.built);
    EXPECT_EQ(row.got.method, row.method);
    EXPECT_EQ(row.got.uri, kApi + row.uri);
    EXPECT_EQ(row.got.body, row.body);
  }
}

TEST(HostRequests, DoubleQuoteInFilterValueIsNotBuilt) {
  EXPECT_FALSE(Initiators("iqn\"x", false).built);
  EXPECT_FALSE(IPPorts("10.0.0.1\"").built);
  EXPECT_FALSE(Host("a\"b").built);
}

// Each query message parses `answer`; its records come back one line each.
using Reader = std::function<bool(std::string& answer, std::string& records)>;

template <typename Message, typename Getter>
Reader QueryReader(std::function<void(Message&)> init, Getter describe) {
  return [init, describe](std::string& answer, std::string& records) {
    Message m;
    init(m);
    std::string body;
    m.Init(1, "13.0");
    if (!m.BuildRequest(body)) return false;
    const bool ok = m.ParseResponse(answer);
    records = describe(m);
    return ok;
  };
}

const Reader kInitiators = QueryReader<EMCUnityJsonGetHostInitiatorInfo>(
    [](EMCUnityJsonGetHostInitiatorInfo& m) { m.Initialize(kArray, "x", false); },
    [](EMCUnityJsonGetHostInitiatorInfo& m) {
      _UnityHostInitiatorInfo info;
      info.id = "none";
      const bool one = m.GetHostInitiatorInfo(info);
      return std::string(one ? "one:" : "") + info.id + "|" + std::to_string(info.type) + "|" +
             info.initiatorId + "|" + info.parentHostId;
    });

const Reader kIPPorts = QueryReader<EMCUnityJsonGetHostIPPort>(
    [](EMCUnityJsonGetHostIPPort& m) { m.Initialize(kArray, "x"); },
    [](EMCUnityJsonGetHostIPPort& m) {
      _UnityHostIPPort port;
      const bool one = m.GetHostIPPort(port);
      unsigned long long code = 0;
      std::string text;
      m.getError(code, text);
      return std::string(one ? "one:" : "") + port.id + "|" + port.address + "|" + port.hostId +
             "|" + text;
    });

const Reader kLoggedIn = QueryReader<EMCUnityJsonGetLoggedInInitiator>(
    [](EMCUnityJsonGetLoggedInInitiator& m) { m.Initialize(kArray); },
    [](EMCUnityJsonGetLoggedInInitiator& m) {
      std::vector<std::string> names;
      m.GetInitiators(names);
      std::string out;
      for (const std::string& n : names) out += "[" + n + "]";
      return out;
    });

const Reader kNodes =
    QueryReader<EMCUnityJsonGetIscsiNode>([](EMCUnityJsonGetIscsiNode& m) { m.Initialize(kArray); },
                                          [](EMCUnityJsonGetIscsiNode& m) {
                                            std::vector<_UnityIscsiNode> nodes;
                                            m.GetIscsNodes(nodes);
                                            std::string out;
                                            for (const _UnityIscsiNode& n : nodes)
                                              out += "[" + n.id + "|" + n.name + "]";
                                            return out;
                                          });

const Reader kHost =
    QueryReader<EMCUnityJsonGetHost>([](EMCUnityJsonGetHost& m) { m.Initialize(kArray, "x"); },
                                     [](EMCUnityJsonGetHost& m) {
                                       std::string id;
                                       const bool found = m.GetHostId(id);
                                       unsigned long long code = 0;
                                       std::string text;
                                       m.getError(code, text);
                                       return std::string(found ? "found:" : "") + id + "|" + text;
                                     });

struct AnswerCase {
  const char* name;
  const Reader* reader;
  std::string answer;
  bool ok;
  std::string records;
};

std::string Entries(const std::string& entries) {
  return R"({"@base": "https://a/api/types/x/instances", "entries": [)" + entries + "]}";
}
std::string Content(const std::string& fields) {
  return R"({"content": {)" + fields + "}}";
}

const std::string kFc = Content(R"("id": "HostInitiator_1", "type": 1, "initiatorId": "20:01",)"
                                R"( "parentHost": {"id": "Host_1"})");
const std::string kIscsi =
    Content(R"("id": "HostInitiator_2", "type": 2, "initiatorId": "iqn.a", "parentHost": null)");
const std::string kPort =
    Content(R"("id": "HostNetworkAddress_1", "address": "10.1.2.3", "host": {"id": "Host_1"})");
const std::string kNotFoundError =
    R"({"error": {"errorCode": 131149829, "httpStatusCode": 404,)"
    R"( "messages": [{"en-US": "The requested resource does not exist."}]}})";

const std::string kMissing = "The requested resources do not exist";

class HostAnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(HostAnswerTest, Reads) {
  const AnswerCase& c = GetParam();
  std::string answer = c.answer;
  std::string records;
  EXPECT_EQ((*c.reader)(answer, records), c.ok);
  EXPECT_EQ(records, c.records);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostAnswerTest,
    testing::Values(
        AnswerCase{"InitiatorOne", &kInitiators, Entries(kFc), true,
                   "one:HostInitiator_1|1|20:01|Host_1"},
        AnswerCase{"InitiatorNullParent", &kInitiators, Entries(kIscsi), true,
                   "one:HostInitiator_2|2|iqn.a|"},
        AnswerCase{"InitiatorMissingParent", &kInitiators,
                   Entries(Content(R"("id": "I", "type": 2, "initiatorId": "q")")), true,
                   "one:I|2|q|"},
        AnswerCase{"InitiatorTwoIsNotOne", &kInitiators, Entries(kFc + "," + kIscsi), true,
                   "none|0||"},
        AnswerCase{"InitiatorNone", &kInitiators, Entries(""), true, "none|0||"},
        AnswerCase{"InitiatorTypeAsText", &kInitiators,
                   Entries(Content(R"("id": "I", "type": "2", "initiatorId": "q")")), false,
                   "none|0||"},
        AnswerCase{"InitiatorTypeBeyond32Bits", &kInitiators,
                   Entries(Content(R"("id": "I", "type": 4294967298, "initiatorId": "q")")), false,
                   "none|0||"},
        AnswerCase{"InitiatorIdMissing", &kInitiators, Entries(Content(R"("id": "I", "type": 2)")),
                   false, "none|0||"},
        AnswerCase{"InitiatorEntriesNotList", &kInitiators, R"({"entries": {"content": {}}})",
                   false, "none|0||"},
        AnswerCase{"InitiatorElementNotObject", &kInitiators, Entries("7"), false, "none|0||"},
        AnswerCase{"InitiatorArrayError", &kInitiators, kNotFoundError, true, "none|0||"},
        AnswerCase{"PortOne", &kIPPorts, Entries(kPort), true,
                   "one:HostNetworkAddress_1|10.1.2.3|Host_1|undefined"},
        AnswerCase{"PortHostWrongType", &kIPPorts,
                   Entries(Content(R"("id": "P", "address": "a", "host": "Host_1")")), true,
                   "one:P|a||undefined"},
        AnswerCase{"PortNoneIsMissingResource", &kIPPorts, Entries(""), true, "|||" + kMissing},
        AnswerCase{"PortTwoSetsNothing", &kIPPorts, Entries(kPort + "," + kPort), true,
                   "|||undefined"},
        AnswerCase{"PortAddressNull", &kIPPorts, Entries(Content(R"("id": "P", "address": null)")),
                   false, "|||" + kMissing},
        AnswerCase{
            "LoggedInPrefersPortWWN", &kLoggedIn,
            Entries(Content(R"("initiator": {"initiatorId": "20:01:21:01", "portWWN": "21:01"})") +
                    "," + Content(R"("initiator": {"initiatorId": "iqn.a", "portWWN": ""})") + "," +
                    Content(R"("initiator": {"initiatorId": null, "portWWN": null})") + "," +
                    Content(R"("initiator": {"initiatorId": "iqn.b"})") + ",{}"),
            true, "[21:01][iqn.a][][iqn.b][]"},
        AnswerCase{"LoggedInWithoutInitiator", &kLoggedIn, Entries(Content("")), false, ""},
        AnswerCase{"LoggedInInitiatorNotObject", &kLoggedIn,
                   Entries(Content(R"("initiator": "iqn.a")")), false, ""},
        AnswerCase{
            "NodesSkipEntriesWithoutContent", &kNodes,
            Entries(Content(R"("id": "iscsinode_spa_eth2", "name": "iqn.1992-04.a0")") + ",{}"),
            true, "[iscsinode_spa_eth2|iqn.1992-04.a0]"},
        AnswerCase{"NodesNameMissing", &kNodes, Entries(Content(R"("id": "n")")), false, ""},
        AnswerCase{"NodesElementNotObject", &kNodes, Entries(R"("iscsinode_spa_eth2")"), false, ""},
        AnswerCase{"HostFirstOfTwo", &kHost,
                   Entries(Content(R"("id": "Host_1")") + "," + Content(R"("id": "Host_2")")), true,
                   "found:Host_1|undefined"},
        AnswerCase{"HostNone", &kHost, Entries(""), true, "|" + kMissing},
        AnswerCase{"HostIdAsNumber", &kHost, Entries(Content(R"("id": 1)")), false,
                   "found:|undefined"},
        AnswerCase{"HostElementNotObject", &kHost, Entries("[]"), false, "found:|undefined"},
        AnswerCase{"HostEntriesNotList", &kHost, R"({"entries": "Host_1"})", false,
                   "found:|undefined"},
        AnswerCase{"HostArrayError", &kHost, kNotFoundError, true,
                   "|The requested resource does not exist."}),
    [](const testing::TestParamInfo<AnswerCase>& row) { return std::string(row.param.name); });

TEST(HostAnswers, IscsiNodeExtractionFailureIsLogged) {
  DiagLogCapture capture;
  std::string answer = Entries(Content(R"("name": "iqn")"));
  std::string records;
  EXPECT_FALSE(kNodes(answer, records));
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
      {"Created", R"({"content": {"id": "New_7"}})", true, "New_7"},
      {"IdAsNumber", R"({"content": {"id": 7}})", false, ""},
      {"ContentMissing", R"({"@base": "x"})", false, ""},
      {"ContentNotObject", R"({"content": ["New_7"]})", false, ""},
      {"ArrayError", kNotFoundError, true, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string answer = row.answer, id = "unset";
    EMCUnityJsonCreateHost host;
    host.Initialize(kArray, "h", "", UNITY_HOST_TYPE_MANUAL);
    EXPECT_EQ(host.ParseResponse(answer), row.ok);
    host.GetHostId(id);
    EXPECT_EQ(id, row.id);
    EMCUnityJsonHostInitiator initiator;
    initiator.Initialize(kArray, "Host_1", UNITY_HOSTINITIATOR_TYPE_FC, "20:01");
    EXPECT_EQ(initiator.ParseResponse(answer), row.ok);
    initiator.GetHostInitiatorId(id);
    EXPECT_EQ(id, row.id);
    EMCUnityJsonCreateHostIPPort port;
    port.Initialize(kArray, "Host_1", "10.1.2.3");
    EXPECT_EQ(port.ParseResponse(answer), row.ok);
    port.GetHostIPPortId(id);
    EXPECT_EQ(id, row.id);
  }
}

TEST(HostAnswers, ModifyInitiatorKeepsItsIdWithoutContent) {
  EMCUnityJsonHostInitiator m;
  m.Initialize(kArray, "HostInitiator_21", "Host_2");
  std::string answer;  // 204 without a body
  EXPECT_TRUE(m.ParseResponse(answer));
  std::string id;
  EXPECT_TRUE(m.GetHostInitiatorId(id));
  EXPECT_EQ(id, "HostInitiator_21");
}

}  // namespace
