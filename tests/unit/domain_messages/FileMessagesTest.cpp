// The file-system, NAS-server and IP-interface messages: golden URIs of every form, and answers
// with null, missing and wrong-typed fields.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";
const std::string kFSFields =
    "?&fields=id,name,storageResource.id,storageResource.name,storageResource.type,"
    "supportedProtocols,type";

template <typename Message>
std::string Uri(Message& message, bool expectBuilt = true) {
  message.Init(7, "5.0");
  std::string body = "stale";
  EXPECT_EQ(message.BuildRequest(body), expectBuilt);
  EXPECT_EQ(body, "");
  EXPECT_EQ(message.getHttpReqType(), UNITY_HTTP_GET);
  return message.GetNextURI();
}

std::string FSByName(const std::string& name, const std::string& nas, bool built = true) {
  EMCUnityJsonGetFSList m;
  m.Initialize(kArray, name, nas);
  return Uri(m, built);
}

TEST(FileRequests, GoldenUris) {
  EMCUnityJsonGetFSList byId;
  byId.Initialize(kArray, "fs_1");
  EMCUnityJsonGetNASServer allNas, oneNas;
  allNas.Initialize(kArray, "");
  oneNas.Initialize(kArray, "nas_1");
  EMCUnityJsonGetIpInterface anyIp, iscsiIp, wideIp;
  anyIp.Initialize(kArray, UNITY_IP_INTERFACE_TYPE_ANY);
  iscsiIp.Initialize(kArray, UNITY_IP_INTERFACE_TYPE_ISCSI);
  wideIp.Initialize(kArray, static_cast<_UNITY_IP_INTERFACE_TYPE>(-12345));
  const std::string fs = "types/filesystem/instances" + kFSFields;
  const std::string nasFields =
      "?&fields=cifsServer.domain,cifsServer.isStandalone,cifsServer.name,cifsServer.netbiosName,"
      "fileInterface.ipAddress,id,name,nfsServer.hostName";
  const std::string ip = "types/ipInterface/instances?&fields=ipAddress";
  const struct {
    const char* name;
    std::string got;
    std::string uri;  // after "https://10.0.0.5/api/"
  } rows[] = {
      {"FSAll", FSByName("", ""), fs},
      {"FSName", FSByName("a b&c", ""), fs + "&filter=%28name%20eq%20%22a%20b%26c%22%29"},
      {"FSNasOnly", FSByName("", "NAS_1"), fs + "&filter=%28nasServer.name%20eq%20%22NAS_1%22%29"},
      {"FSNameAndNas", FSByName("fs", "nas"),
       fs + "&filter=%28name%20eq%20%22fs%22%29%20AND%20%28nasServer.name%20eq%20%22nas%22%29"},
      {"FSId", Uri(byId), "instances/filesystem/fs_1" + kFSFields},
      {"NasAll", Uri(allNas), "types/nasServer/instances" + nasFields},
      {"NasOne", Uri(oneNas), "instances/nasServer/nas_1" + nasFields},
      {"IpAnyType", Uri(anyIp), ip},
      {"IpIscsi", Uri(iscsiIp), ip + "&filter=%28type%20eq%202%29"},
      {"IpTypeSentWhole", Uri(wideIp), ip + "&filter=%28type%20eq%20-12345%29"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.got, "https://10.0.0.5/api/" + row.uri);
  }
}

TEST(FileRequests, DoubleQuoteInNameIsNotBuilt) {
  FSByName("a\"b", "", false);
  FSByName("a", "n\"", false);
}

std::string Entries(const std::string& entries) {
  return R"({"@base": "https://a/api/types/x/instances", "entries": [)" + entries + "]}";
}

// --- file systems ---

std::string FSEntry(const std::string& type, const std::string& resource) {
  return R"({"content": {"id": "fs_1", "name": "Home", "type": )" + type +
         R"(, "supportedProtocols": 2, "storageResource": )" + resource + "}}";
}
const std::string kResource = R"({"id": "res_1", "name": "Home", "type": 1})";

std::string Describe(const std::vector<_UnityFSInfo>& list) {
  std::ostringstream out;
  for (const _UnityFSInfo& f : list) {
    out << f.id << "|" << f.name << "|" << f.type << "|" << f.supportedProtocols << "|"
        << f.storageResource.id << "|" << f.storageResource.name << "|" << f.storageResource.type
        << "\n";
  }
  return out.str();
}

struct FSCase {
  const char* name;
  std::string answer;
  bool ok;
  std::string records;
};
class FSAnswerTest : public testing::TestWithParam<FSCase> {};

TEST_P(FSAnswerTest, Reads) {
  EMCUnityJsonGetFSList m;
  m.Initialize(kArray, "", "");
  Uri(m);
  std::string answer = GetParam().answer;
  EXPECT_EQ(m.ParseResponse(answer), GetParam().ok);
  std::vector<_UnityFSInfo> list(2);
  m.GetFSList(list);
  EXPECT_EQ(Describe(list), GetParam().records);
  _UnityFSInfo one;
  one.name = "untouched";
  // Exactly one record, whatever became of later elements.
  EXPECT_EQ(m.GetFSInfo(one), list.size() == 1);
  if (list.size() != 1) {
    EXPECT_EQ(one.name, "untouched");
  }
}

const std::string kHome = "fs_1|Home|1|2|res_1|Home|1\n";
INSTANTIATE_TEST_SUITE_P(
    File, FSAnswerTest,
    testing::Values(
        FSCase{"Instance", FSEntry("1", kResource), true, kHome},
        FSCase{"TwoEntries", Entries(FSEntry("1", kResource) + "," + FSEntry("1", kResource)), true,
               kHome + kHome},
        FSCase{"WithoutContentIsDefault", Entries(R"({"x": 1}, 7)"), true,
               "||1|0|||-1\n||1|0|||-1\n"},
        FSCase{"TypeAsText", Entries(FSEntry("1", kResource) + "," + FSEntry("\"1\"", kResource)),
               false, kHome},
        FSCase{"TypeNull", FSEntry("null", kResource), false, ""},
        FSCase{"TypeBeyond32Bits", FSEntry("4294967297", kResource), false, ""},
        FSCase{"ResourceNameMissing", FSEntry("1", R"({"id": "res_1", "type": 1})"), false, ""},
        FSCase{"ResourceNotObject", FSEntry("1", R"("res_1")"), false, ""}),
    [](const testing::TestParamInfo<FSCase>& row) { return std::string(row.param.name); });

// --- NAS servers ---

std::string Nas(const std::string& parts) {
  return R"({"content": {"id": "nas_1", "name": "NAS")" + parts + "}}";
}
const std::string kTwoInterfaces =
    R"(, "fileInterface": [{"id": "if_1", "ipAddress": "10.0.1.1"}, {"id": "if_2"},)"
    R"( {"id": "if_3", "ipAddress": "10.0.1.3"}])";

struct NasCase {
  const char* name;
  std::string answer;
  bool ok;
  std::string aliases;  // per NAS server "id:alias,alias,...;"
};
class NasAnswerTest : public testing::TestWithParam<NasCase> {};

TEST_P(NasAnswerTest, Reads) {
  EMCUnityJsonGetNASServer m;
  m.Initialize(kArray, "");
  Uri(m);
  std::string answer = GetParam().answer;
  EXPECT_EQ(m.ParseResponse(answer), GetParam().ok);
  std::vector<_UnityNASServer> list;
  m.GetNASServerList(list);
  std::string got;
  for (const _UnityNASServer& nas : list) {
    got += nas.id + ":";
    for (const std::string& alias : nas.aliases) got += alias + ",";
    got += ";";
  }
  EXPECT_EQ(got, GetParam().aliases);
}

INSTANTIATE_TEST_SUITE_P(
    File, NasAnswerTest,
    testing::Values(
        NasCase{"NoCifsNoNfs", Entries(Nas("") + "," + Nas(R"(, "fileInterface": [])")), true,
                "nas_1:;nas_1:;"},
        NasCase{"NullParts",
                Nas(R"(, "fileInterface": null, "cifsServer": null, "nfsServer": null)"), true,
                "nas_1:;"},
        NasCase{"InterfacesThenStandaloneCifsThenNfsOnce",
                Nas(kTwoInterfaces +
                    R"(, "cifsServer": [{"id": "c", "netbiosName": "NB", "isStandalone": true,)"
                    R"( "name": "n", "domain": "d"}], "nfsServer": {"hostName": "10.0.1.1"})"),
                true, "nas_1:10.0.1.1,10.0.1.3,NB,;"},
        NasCase{"DomainMemberAddsFullName",
                Nas(R"(, "cifsServer": [{"netbiosName": "NB1", "isStandalone": false,)"
                    R"( "name": "srv", "domain": "corp.example"}, {"netbiosName": "NB2",)"
                    R"( "isStandalone": false, "name": "", "domain": "corp"}, {"isStandalone":)"
                    R"( false, "name": "x", "domain": "y"}], "nfsServer": {"hostName": "nfs"})"),
                true, "nas_1:NB1,srv.corp.example,NB2,x.y,nfs,;"},
        NasCase{"StandaloneUnreadableOrMissing",
                Nas(R"(, "cifsServer": [{"netbiosName": "A", "name": "n", "domain": "d"},)"
                    R"( {"netbiosName": 5, "isStandalone": "false", "name": "n", "domain": "d"}])"),
                true, "nas_1:A,;"},
        NasCase{"PartsOfAnotherKindAreIgnored",
                Nas(R"(, "fileInterface": {"ipAddress": "1.1.1.1"}, "cifsServer": "c",)"
                    R"( "nfsServer": {"hostName": 7})"),
                true, "nas_1:;"},
        NasCase{"InterfaceNotObjectFails",
                Entries(Nas("") + "," + Nas(R"(, "fileInterface": ["1.1.1.1"])")), false,
                "nas_1:;"},
        NasCase{"CifsServerNotObjectFails", Nas(R"(, "cifsServer": [null])"), false, ""},
        NasCase{"NameMissingFails", R"({"content": {"id": "nas_1"}})", false, ""}),
    [](const testing::TestParamInfo<NasCase>& row) { return std::string(row.param.name); });

// --- IP interfaces ---

TEST(IpInterfaceAnswer, AddressesInOrderAndWrongTypeFails) {
  EMCUnityJsonGetIpInterface m;
  m.Initialize(kArray, UNITY_IP_INTERFACE_TYPE_ISCSI);
  Uri(m);
  std::string answer = Entries(R"({"content": {"id": "if_1", "ipAddress": "10.0.0.1"}},)"
                               R"( {"content": {"id": "if_2", "ipAddress": "10.0.0.2"}})");
  EXPECT_TRUE(m.ParseResponse(answer));
  answer = Entries(R"({"content": {"id": "if_3", "ipAddress": null}})");
  EXPECT_FALSE(m.ParseResponse(answer));
  std::vector<std::string> addresses;
  m.GetAddressList(addresses);
  EXPECT_EQ(addresses, (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
}

}  // namespace
