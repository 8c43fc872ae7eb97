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

// Reads `answer` with the message of `kind` and describes the records, one line each:
// file systems "id|name|type|protocols|resource id|resource name|resource type",
// NAS servers "id:alias,alias,...", IP interfaces the address. The records stay readable after a
// failed element.
enum Kind { kFS, kNas, kIp };

std::string Read(Kind kind, std::string answer, bool& ok) {
  std::ostringstream out;
  if (kind == kFS) {
    EMCUnityJsonGetFSList m;
    m.Initialize(kArray, "", "");
    Uri(m);
    ok = m.ParseResponse(answer);
    std::vector<_UnityFSInfo> list(2);  // replaced by the getter
    m.GetFSList(list);
    for (const _UnityFSInfo& f : list) {
      out << f.id << "|" << f.name << "|" << f.type << "|" << f.supportedProtocols << "|"
          << f.storageResource.id << "|" << f.storageResource.name << "|" << f.storageResource.type
          << "\n";
    }
  } else if (kind == kNas) {
    EMCUnityJsonGetNASServer m;
    m.Initialize(kArray, "");
    Uri(m);
    ok = m.ParseResponse(answer);
    std::vector<_UnityNASServer> list;
    m.GetNASServerList(list);
    for (const _UnityNASServer& nas : list) {
      out << nas.id << ":";
      for (const std::string& alias : nas.aliases) out << alias << ",";
      out << "\n";
    }
  } else {
    EMCUnityJsonGetIpInterface m;
    m.Initialize(kArray, UNITY_IP_INTERFACE_TYPE_ISCSI);
    Uri(m);
    ok = m.ParseResponse(answer);
    std::vector<std::string> list;
    m.GetAddressList(list);
    for (const std::string& address : list) out << address << "\n";
  }
  return out.str();
}

std::string FSEntry(const std::string& type, const std::string& resource) {
  return R"({"content": {"id": "fs_1", "name": "Home", "type": )" + type +
         R"(, "supportedProtocols": 2, "storageResource": )" + resource + "}}";
}
const std::string kResource = R"({"id": "res_1", "name": "Home", "type": 1})";
const std::string kHome = "fs_1|Home|1|2|res_1|Home|1\n";

std::string Nas(const std::string& parts) {
  return R"({"content": {"id": "nas_1", "name": "NAS")" + parts + "}}";
}

struct AnswerCase {
  const char* name;
  Kind kind;
  std::string answer;
  bool ok;
  std::string records;
};
class FileAnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(FileAnswerTest, Reads) {
  const AnswerCase& c = GetParam();
  bool ok = !c.ok;
  EXPECT_EQ(Read(c.kind, c.answer, ok), c.records);
  EXPECT_EQ(ok, c.ok);
}

INSTANTIATE_TEST_SUITE_P(
    File, FileAnswerTest,
    testing::Values(
        AnswerCase{"FSTypeAsTextKeepsEarlierRecords", kFS,
                   Entries(FSEntry("1", kResource) + "," + FSEntry("\"1\"", kResource)), false,
                   kHome},
        AnswerCase{"FSTypeBeyond32Bits", kFS, FSEntry("4294967297", kResource), false, ""},
        AnswerCase{
            "NasWithoutOrWithNullParts", kNas,
            Entries(Nas(R"(, "fileInterface": [])") + "," +
                    Nas(R"(, "fileInterface": null, "cifsServer": null, "nfsServer": null)")),
            true, "nas_1:\nnas_1:\n"},
        AnswerCase{"NasInterfacesThenStandaloneCifsThenNfsOnce", kNas,
                   Nas(R"(, "fileInterface": [{"id": "if_1", "ipAddress": "10.0.1.1"}, {"id": )"
                       R"("if_2"}, {"id": "if_3", "ipAddress": "10.0.1.3"}], "cifsServer": [{"id":)"
                       R"( "c", "netbiosName": "NB", "isStandalone": true, "name": "n", "domain":)"
                       R"( "d"}], "nfsServer": {"hostName": "10.0.1.1"})"),
                   true, "nas_1:10.0.1.1,10.0.1.3,NB,\n"},
        AnswerCase{"NasDomainMembersAddFullNames", kNas,
                   Nas(R"(, "cifsServer": [{"netbiosName": "NB1", "isStandalone": false,)"
                       R"( "name": "srv", "domain": "corp.example"}, {"netbiosName": "NB2",)"
                       R"( "isStandalone": false, "name": "", "domain": "corp"}, {"isStandalone":)"
                       R"( false, "name": "x", "domain": "y"}], "nfsServer": {"hostName": "nfs"})"),
                   true, "nas_1:NB1,srv.corp.example,NB2,x.y,nfs,\n"},
        AnswerCase{"NasStandaloneUnreadableOrMissing", kNas,
                   Nas(R"(, "cifsServer": [{"netbiosName": "A", "name": "n", "domain": "d"},)"
                       R"( {"netbiosName": 5, "isStandalone": "false", "name": "n", "domain":)"
                       R"( "d"}])"),
                   true, "nas_1:A,\n"},
        AnswerCase{"NasPartsOfAnotherKindAreIgnored", kNas,
                   Nas(R"(, "fileInterface": {"ipAddress": "1.1.1.1"}, "cifsServer": "c",)"
                       R"( "nfsServer": {"hostName": 7})"),
                   true, "nas_1:\n"},
        AnswerCase{"NasInterfaceNotObjectFails", kNas,
                   Entries(Nas("") + "," + Nas(R"(, "fileInterface": ["1.1.1.1"])")), false,
                   "nas_1:\n"},
        AnswerCase{"NasCifsServerNotObjectFails", kNas, Nas(R"(, "cifsServer": [null])"), false,
                   ""},
        AnswerCase{"IpAddressNullKeepsEarlierAddresses", kIp,
                   Entries(R"({"content": {"ipAddress": "10.0.0.1"}}, {"content": {"ipAddress":)"
                           R"( null}})"),
                   false, "10.0.0.1\n"}),
    [](const testing::TestParamInfo<AnswerCase>& row) { return std::string(row.param.name); });

}  // namespace
