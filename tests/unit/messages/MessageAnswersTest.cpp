// Answers the simulator never sends (bad required attributes, odd optional parts) fail the parse or
// keep the defaults, never yield invented records.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "unity/EMCUnityJSON.h"
#include "unity/messages/InventoryMessages.h"

namespace {

const char kArray[] = "10.0.0.5";

// Builds the request as the session does, then parses the answer.
template <typename Message>
bool Run(Message& m, std::string& answer, const char* api = "13.0") {
  m.Init(1, api);
  std::string body;
  return m.BuildRequest(body) && m.ParseResponse(answer);
}

// Each record as `describe` has it, followed by ";".
template <typename List, typename Describe>
std::string Join(const List& list, Describe describe) {
  std::string out;
  for (const auto& item : list) out += describe(item) + ";";
  return out;
}

// Parses the answer, hands the getter a list (holding `stale` records the getter must replace)
// and describes the records.
template <typename List, typename Message, typename Getter, typename Describe>
std::string Records(Message& m, std::string& answer, bool& ok, Getter getter, Describe describe,
                    std::size_t stale = 0, const char* api = "13.0") {
  ok = Run(m, answer, api);
  List list(stale);
  (m.*getter)(list);
  return Join(list, describe);
}

// Each reader parses `answer` with one message and describes what its getter then hands out.
using Reader = std::string (*)(std::string& answer, bool& ok);

std::string Snaps(std::string& answer, bool& ok) {
  EMCUnityJsonGetSnapshotList m;
  m.Initialize(kArray, std::vector<SnapID>{1, 2}, false);
  return Records<std::vector<_UnitySnapInfo>>(
      m, answer, ok, &EMCUnityJsonGetSnapshotList::GetSnapList,
      [](const _UnitySnapInfo& s) {
        std::string out = std::to_string(s.snapId) + "|" + s.name + "|" + s.storageResourceId +
                          "|" + s.lunId + "|" + s.attachedWWN + "|";
        for (const _UnityHostAccess& h : s.hostAccess)
          out += std::to_string(h.accessMask) + h.hostId;
        return out;
      },
      3, "5.0");
}

std::string CopiedSnap(std::string& answer, bool& ok) {
  EMCUnityJsonCopySnap m;
  m.Initialize(kArray, 5, "c");
  ok = Run(m, answer);
  unsigned long long id = 99;
  m.GetCopySnapId(id);
  return std::to_string(id);
}

// id|state|parametersOut|httpStatusCode|errorCode|errorMessage
std::string Job(std::string& answer, bool& ok) {
  EMCUnityJsonGetJobDetails m;
  m.Initialize(kArray);
  m.Init(9, "5.0");
  ok = m.ParseResponse(answer);
  _UnityJobDetail d;
  m.GetJobDetail(d);
  return d.id + "|" + std::to_string(d.state) + "|" + d.parametersOut + "|" +
         std::to_string(d.httpStatusCode) + "|" + std::to_string(d.errorCode) + "|" +
         d.errorMessage;
}

// Two LUNs are no answer and leave the message's error as it was; none is "does not exist".
std::string LunInfo(std::string& answer, bool& ok) {
  EMCUnityJsonGetLunList m;
  m.Initialize(kArray, "W");
  ok = Run(m, answer);
  _UnityLunInfo info;
  const bool one = m.GetLunInfo(info);
  unsigned long long code = 0;
  std::string text;
  m.getError(code, text);
  return (one ? "one|" : "") + std::to_string(code);
}

// id:alias,alias,...
std::string NasServers(std::string& answer, bool& ok) {
  EMCUnityJsonGetNASServer m;
  m.Initialize(kArray, "");
  return Records<std::vector<_UnityNASServer>>(
      m, answer, ok, &EMCUnityJsonGetNASServer::GetNASServerList, [](const _UnityNASServer& nas) {
        std::string out = nas.id + ":";
        for (const std::string& alias : nas.aliases) out += alias + ",";
        return out;
      });
}

std::string IscsiNodes(std::string& answer, bool& ok) {
  EMCUnityJsonGetIscsiNode m;
  m.Initialize(kArray);
  return Records<std::vector<_UnityIscsiNode>>(
      m, answer, ok, &EMCUnityJsonGetIscsiNode::GetIscsNodes,
      [](const _UnityIscsiNode& n) { return n.id + "|" + n.name; });
}

// id|default|paths,|host:access,
std::string NfsExports(std::string& answer, bool& ok) {
  EMCUnityJsonGetNFSExportList m;
  m.InitializeWithHost(kArray, "Host_1");
  return Records<std::vector<_UnityNfsExportInfo>>(
      m, answer, ok, &EMCUnityJsonGetNFSExportList::GetNfsList,
      [](const _UnityNfsExportInfo& e) {
        std::string out = e.id + "|" + std::to_string(e.nfsHostAccess.defaultAccess) + "|";
        for (const std::string& p : e.exportPaths) out += p + ",";
        out += "|";
        for (const auto& h : e.nfsHostAccess.hosts)
          out += h.first + ":" + std::to_string(h.second) + ",";
        return out;
      },
      3);
}

std::string CifsShareSnaps(std::string& answer, bool& ok) {
  EMCUnityJsonGetCifsShareList m;
  m.InitializeWithSnap(kArray, 5, "s");
  return Records<std::vector<_UnityCifsShareInfo>>(
      m, answer, ok, &EMCUnityJsonGetCifsShareList::GetCifsList,
      [](const _UnityCifsShareInfo& s) { return s.id + "|" + std::to_string(s.snapId); });
}

std::string Replication(std::string& answer, bool& ok) {
  EMCUnityJsonGetReplicationInfo m;
  m.Initialize(kArray, "res_1");
  ok = Run(m, answer);
  _ReplicationSessionInfo info;
  info.sessionId = "stale";
  m.GetReplicationSessionInfo(info);
  return info.sessionId;
}

std::string Host(std::string& answer, bool& ok) {
  EMCUnityJsonGetHost m;
  m.Initialize(kArray, std::string("x"));
  ok = Run(m, answer);
  std::string id;
  return (m.GetHostId(id) ? "found:" : "") + id;
}

std::string HostLuns(std::string& answer, bool& ok) {
  EMCUnityJsonGetHostLun m;
  m.Initialize(kArray, {}, {}, UNITY_HOST_LUN_TYPE_SNAP);
  return Records<std::vector<_UnityHostLun>>(
      m, answer, ok, &EMCUnityJsonGetHostLun::GetHostLuns,
      [](const _UnityHostLun& h) { return std::to_string(h.snapId) + "|" + h.hostId; });
}

std::string Entries(const std::string& entries) {
  return R"({"@base": "https://a/api/types/x/instances", "entries": [)" + entries + "]}";
}
std::string Content(const std::string& fields) {
  return R"({"content": {)" + fields + "}}";
}

const std::string kSnap = R"("id": "7", "name": "n", "storageResource": {"id": "r"}, )"
                          R"("isModifiable": true)";
const std::string kHostLun = R"("id": "HL_1", "type": 2, "host": {"id": "H"}, "lun": {"id": "L"})";
const std::string kLun = R"("id": "sv_1", "name": "L", "wwn": "W", )"
                         R"("storageResource": {"id": "sv_1", "name": "L", "type": 8})";
const std::string kNas = R"("id": "nas_1", "name": "NAS")";
const std::string kExport = R"("id": "NFSShare_1", "type": 1, "name": "nfs_1", "path": "/", )"
                            R"("filesystem": {"id": "fs_1"}, "exportPaths": ["h:/e"], )"
                            R"("defaultAccess": )";

struct AnswerCase {
  const char* name;
  Reader read;
  std::string answer;
  bool ok;
  std::string out;
};

TEST(MessageAnswerTest, Reads) {
  const AnswerCase rows[] = {
      // Snapshots and jobs.
      {"SnapOptionalPartsNullOrOfAnotherType", Snaps,
       Entries(Content(kSnap + R"(, "lun": {"id": "sv_7"}, "attachedWWN": "60:06",)"
                               R"( "hostAccess": [{"host": {"id": "H1"},)"
                               R"( "allowedAccess": 1}])") +
               "," + Content(kSnap + R"(, "lun": "sv_7", "attachedWWN": 5, "hostAccess": 3)")),
       true, "7|n|r|sv_7|60:06|1H1;7|n|r|||;"},
      {"SnapHostAccessNotObject", Snaps, Entries(Content(kSnap + R"(, "hostAccess": [7])")), false,
       ""},
      {"SnapIdAsNumberKeepsEarlierRecords", Snaps,
       Entries(Content(kSnap) + "," +
               Content(R"("id": 5, "name": "n", "storageResource": {"id": "r"},)"
                       R"( "isModifiable": true)")),
       false, "7|n|r|||;"},
      {"SnapEntryWithoutContentIsDefault", Snaps, Entries(R"({"x": 1}, 3)"), true,
       "0|||||;0|||||;"},
      {"CopyNone", CopiedSnap, R"({"content": {"copies": []}})", false, "0"},
      {"ReplicationWithoutRemoteSystem", Replication,
       R"({"entries": [{"content": {"id": "rs_1"}}]})", false, ""},
      // LUNs.
      {"HostLunGroupOfAGroupedSnapshot", HostLuns,
       Entries(Content(kHostLun + R"(, "snap": {"id": "11", "snapGroup": null})") + "," +
               Content(kHostLun + R"(, "snap": null)") + "," +
               Content(kHostLun + R"(, "snap": {"id": "11", "snapGroup": {"id": 10}})")),
       true, "11|H;0|H;11|H;"},
      {"LunInfoTwoLuns", LunInfo,
       Entries(Content(kLun + R"(, "snapWwn": "S")") + "," + Content(kLun + R"(, "snapWwn": "S")")),
       true, "18446744073709551615"},
      {"LunInfoNullSnapWwn", LunInfo, Entries(Content(kLun + R"(, "snapWwn": null)")), false,
       "131149829"},
      // NAS server aliases: interfaces, then CIFS names (standalone or with domain), NFS once.
      {"NasInterfacesThenCifsNamesThenNfsOnce", NasServers,
       Content(kNas + R"(, "fileInterface": [{"ipAddress": "10.0.1.1"}, {"id": "if_2"}],)"
                      R"( "cifsServer": [{"netbiosName": "NB", "isStandalone": true,)"
                      R"( "name": "n", "domain": "d"}, {"netbiosName": "NB2",)"
                      R"( "isStandalone": false, "name": "srv", "domain": "corp"},)"
                      R"( {"netbiosName": 5, "isStandalone": "false"}],)"
                      R"( "nfsServer": {"hostName": "10.0.1.1"})"),
       true, "nas_1:10.0.1.1,NB,NB2,srv.corp,;"},
      // iSCSI nodes.
      {"IscsiNodesSkipEntriesWithoutContent", IscsiNodes,
       Entries(Content(R"("id": "node_1", "name": "iqn.a")") + ",{}"), true, "node_1|iqn.a;"},
      {"HostAnswerWithoutEntries", Host, R"({"content": {"id": "Host_1"}})", true, "found:Host_1"},
      // NFS exports and CIFS shares.
      {"NfsHostListsByAccessLaterListWins", NfsExports,
       Entries(Content(kExport + R"(1, "noAccessHosts": [{"id": "H0"}],)"
                                 R"( "readOnlyHosts": [{"id": "H"}],)"
                                 R"( "rootAccessHosts": [{"id": "H"}],)"
                                 R"( "readWriteHosts": null)")),
       true, "NFSShare_1|1|h:/e,|H:3,H0:0,;"},
      {"NfsDefaultOutsideTheCodesIsKept", NfsExports, Entries(Content(kExport + "7")), true,
       "NFSShare_1|7|h:/e,|;"},
      // Only a text id is a snapshot: anything else is a share of a file system.
      {"CifsSnapIdOfEveryKind", CifsShareSnaps,
       Entries(Content(R"("id": "S1", "type": 1, "name": "s", "path": "/", "filesystem":)"
                       R"( {"id": "f"}, "exportPaths": [], "snap": {"id": 38654705849})") +
               "," +
               Content(R"("id": "S2", "type": 1, "name": "s", "path": "/", "filesystem":)"
                       R"( {"id": "f"}, "exportPaths": [], "snap": {"id": "12"})")),
       true, "S1|0;S2|12;"}};
  for (const AnswerCase& c : rows) {
    SCOPED_TRACE(c.name);
    std::string answer = c.answer;
    bool ok = !c.ok;
    EXPECT_EQ(c.read(answer, ok), c.out);
    EXPECT_EQ(ok, c.ok);
  }
}

TEST(MessageAnswers, FailuresAreLogged) {
  DiagLogCapture capture;
  std::string answer = R"({"content": {"copies": [{"id": "1"}, {"id": "2"}]}})";
  bool ok = true;
  CopiedSnap(answer, ok);
  EXPECT_TRUE(capture.contains("Size of the returned snap ids is not equal to 1",
                               "virtual bool EMCUnityJsonCopySnap::ParseResponse(std::string&)"));
  answer = R"({"content": {"id": "N-3", "state": 5, "messageOut": {"errorCode": 100666111,)"
           R"( "httpStatusCode": 422, "messages": [{"message": "No space left"}]}}})";
  EXPECT_EQ(Job(answer, ok), "N-3|5||422|100666111|No space left");
  const std::vector<DiagLogRecord> lines = capture.records();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().text, "Job [N-3] failed [100666111:No space left]");
  EXPECT_EQ(lines.back().tag,
            "virtual bool EMCUnityJsonGetJobDetails::ParseResponse(std::string&)");
  EXPECT_EQ(lines.back().jobId, 9);
  answer = Entries(Content(R"("name": "iqn")"));
  IscsiNodes(answer, ok);
  EXPECT_TRUE(
      capture.contains("Failed to parse values from json",
                       "virtual bool EMCUnityJsonGetIscsiNode::ParseResponse(std::string&)"));
}

}  // namespace
