// libFuzzer harness for the answer parsing of every message: each input is given, as the array's
// answer body, to each message that reads answers, after the request was built the way the session
// builds it. Besides the sanitizers, one contract is checked: a non-empty answer that does not read
// as a JSON object with members must never parse as success. A failed check aborts.
//
// The log is silenced, but a capture lives during each input so that the log lines, which quote
// answer texts, are still formatted.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <string>
#include <vector>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/messages/BlockMessages.h"
#include "unity/messages/CifsMessages.h"
#include "unity/messages/FileMessages.h"
#include "unity/messages/HostMessages.h"
#include "unity/messages/NfsMessages.h"
#include "unity/messages/SessionMessages.h"
#include "unity/messages/SnapshotMessages.h"

namespace {

const char kServer[] = "unity.example.com";
const unsigned long long kJobId = 42;

void Fail(const char* message, const char* what, const std::string& text) {
  std::fprintf(stderr, "fuzz_message_answers: %s: %s (%zu bytes)\n", message, what, text.size());
  std::abort();
}

// Builds the request, parses `input` as its answer and reads the paging links and the error.
// The answer goes in as a copy: the session hands each message its own buffer.
void Answer(EMCUnityJsonBase& message, const char* name, const std::string& input,
            bool unreadable) {
  std::string body;
  message.BuildRequest(body);
  std::string response = input;
  if (message.ParseResponse(response) && unreadable) {
    Fail(name, "an unreadable answer parsed as success", input);
  }
  message.ParseNextURI(response);
  (void)message.GetNextURI();
  unsigned long long code = 0;
  std::string text;
  message.getError(code, text);
  (void)message.isSuccess();
}

void SnapshotLists(const std::string& version, const std::string& input, bool unreadable) {
  std::vector<_UnitySnapInfo> snaps;
  const auto finish = [&](EMCUnityJsonGetSnapshotList& message) {
    message.Init(kJobId, version);
    Answer(message, "EMCUnityJsonGetSnapshotList", input, unreadable);
    // A second page with the same text: records accumulate, the parse is reused.
    std::string again = input;
    message.ParseResponse(again);
    message.GetSnapList(snaps);
  };
  {
    EMCUnityJsonGetSnapshotList message;  // one id: the instance form
    message.Initialize(kServer, std::vector<unsigned long long>{171798691865ULL}, false);
    finish(message);
  }
  {
    EMCUnityJsonGetSnapshotList message;
    message.Initialize(kServer, std::vector<unsigned long long>{1, 171798691866ULL}, true);
    finish(message);
  }
  {
    EMCUnityJsonGetSnapshotList message;
    message.Initialize(kServer, std::vector<std::string>{"nightly 1", "weekly/2"}, false);
    finish(message);
  }
}

void BlockQueries(const std::string& input, bool unreadable) {
  {
    EMCUnityJsonGetLunList message;
    message.Init(kJobId, "5.0");
    message.Initialize(kServer, "60:06:01:60:4A:B0:3F:00:5B:6E:A8:61:2C:0D:41:12");
    Answer(message, "EMCUnityJsonGetLunList", input, unreadable);
    _UnityLunInfo lun;
    message.GetLunInfo(lun);
  }
  {
    EMCUnityJsonGetStorageResource message;
    message.Init(kJobId, "5.0");
    message.Initialize(kServer, "SQL_CG", static_cast<_UNITY_STG_RES_TYPE>(2));
    Answer(message, "EMCUnityJsonGetStorageResource", input, unreadable);
    _UnityStorageResource resource;
    message.GetStorageResourceInfo(resource);
  }
  {
    EMCUnityJsonGetHostLun message;
    message.Init(kJobId, "5.0");
    message.Initialize(kServer, {171798691865ULL, 2}, {"Host_1"}, UNITY_HOST_LUN_TYPE_SNAP);
    Answer(message, "EMCUnityJsonGetHostLun", input, unreadable);
    std::vector<_UnityHostLun> hostLuns;
    message.GetHostLuns(hostLuns);
  }
}

// The host messages, each after its request was built as the host operations build it.
void HostAnswers(const std::string& input, bool unreadable) {
  {
    EMCUnityJsonGetHostInitiatorInfo message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "21:00:00:25:B5:0A:00:01", true);
    Answer(message, "EMCUnityJsonGetHostInitiatorInfo", input, unreadable);
    _UnityHostInitiatorInfo info;
    message.GetHostInitiatorInfo(info);
  }
  {
    EMCUnityJsonGetHostIPPort message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "10.20.30.41");
    Answer(message, "EMCUnityJsonGetHostIPPort", input, unreadable);
    _UnityHostIPPort port;
    message.GetHostIPPort(port);
  }
  {
    EMCUnityJsonGetLoggedInInitiator message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer);
    Answer(message, "EMCUnityJsonGetLoggedInInitiator", input, unreadable);
    std::vector<std::string> initiators;
    message.GetInitiators(initiators);
  }
  {
    EMCUnityJsonGetIscsiNode message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer);
    Answer(message, "EMCUnityJsonGetIscsiNode", input, unreadable);
    std::vector<_UnityIscsiNode> nodes;
    message.GetIscsNodes(nodes);
  }
  std::string id;
  {
    EMCUnityJsonGetHost message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "backup-srv-01");
    Answer(message, "EMCUnityJsonGetHost", input, unreadable);
    message.GetHostId(id);
  }
  {
    EMCUnityJsonCreateHost message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "backup-srv-01", "Linux", UNITY_HOST_TYPE_MANUAL);
    Answer(message, "EMCUnityJsonCreateHost", input, unreadable);
    message.GetHostId(id);
  }
  {
    EMCUnityJsonHostInitiator message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "Host_1", UNITY_HOSTINITIATOR_TYPE_ISCSI, "iqn.1994-05.a:b");
    Answer(message, "EMCUnityJsonHostInitiator", input, unreadable);
    message.GetHostInitiatorId(id);
  }
  {
    EMCUnityJsonHostInitiator message;  // the modify form
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "HostInitiator_1", "Host_2");
    Answer(message, "EMCUnityJsonHostInitiator", input, unreadable);
  }
  {
    EMCUnityJsonCreateHostIPPort message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "Host_1", "10.20.30.41");
    Answer(message, "EMCUnityJsonCreateHostIPPort", input, unreadable);
    message.GetHostIPPortId(id);
  }
  {
    EMCUnityJsonDeleteHost message;
    message.Init(kJobId, "13.0");
    message.Initialize(kServer, "Host_1");
    Answer(message, "EMCUnityJsonDeleteHost", input, unreadable);
  }
}

// The file side: file systems by filter and by id, NAS servers, IP interfaces.
void FileAnswers(const std::string& input, bool unreadable) {
  {
    EMCUnityJsonGetFSList message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, "Projects", "NAS_Dev");
    Answer(message, "EMCUnityJsonGetFSList", input, unreadable);
    _UnityFSInfo fs;
    message.GetFSInfo(fs);
  }
  {
    EMCUnityJsonGetFSList message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, "fs_1");
    Answer(message, "EMCUnityJsonGetFSList", input, unreadable);
    std::vector<_UnityFSInfo> list;
    message.GetFSList(list);
  }
  {
    EMCUnityJsonGetNASServer message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, "");
    Answer(message, "EMCUnityJsonGetNASServer", input, unreadable);
    std::string again = input;  // a second page: InitNullableKeys must restore the markers
    message.ParseResponse(again);
    std::vector<_UnityNASServer> list;
    message.GetNASServerList(list);
  }
  {
    EMCUnityJsonGetIpInterface message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, UNITY_IP_INTERFACE_TYPE_ISCSI);
    Answer(message, "EMCUnityJsonGetIpInterface", input, unreadable);
    std::vector<std::string> addresses;
    message.GetAddressList(addresses);
  }
}

// NFS exports and CIFS shares: creation ids, lists (two pages) and access control entries.
void ShareAnswers(const std::string& input, bool unreadable) {
  {
    EMCUnityJsonCreateNFSExport message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, 171798691865ULL, "nfs_1", UNITY_NFS_DEF_ACCESS_READ_ONLY, "/");
    Answer(message, "EMCUnityJsonCreateNFSExport", input, unreadable);
    std::string id;
    message.GetShareId(id);
  }
  {
    EMCUnityJsonGetNFSExportList message;
    message.Init(kJobId, "4.0");
    message.InitializeWithPath(kServer, 171798691865ULL, "/");
    Answer(message, "EMCUnityJsonGetNFSExportList", input, unreadable);
    std::string again = input;
    message.ParseResponse(again);
    std::vector<_UnityNfsExportInfo> list;
    message.GetNfsList(list);
  }
  {
    EMCUnityJsonGetCifsShareList message;
    message.Init(kJobId, "4.0");
    message.InitializeWithName(kServer, "smb_1", "NAS_Prod");
    Answer(message, "EMCUnityJsonGetCifsShareList", input, unreadable);
    std::string again = input;
    message.ParseResponse(again);
    std::vector<_UnityCifsShareInfo> list;
    message.GetCifsList(list);
  }
  {
    EMCUnityJsonGetCifsACE message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, "SMBShare_1");
    Answer(message, "EMCUnityJsonGetCifsACE", input, unreadable);
    std::list<_UnityCifsShareACE> aces;
    message.GetCifsShareACE(aces);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  diaglog::setQuiet(true);
  diaglog::setLevel(-2);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  DiagLogCapture capture(7);

  jsondoc::Object reference;
  const bool unreadable = !input.empty() && (!reference.parse(input) || reference.empty());

  {
    EMCUnityJsonLogin message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer);
    Answer(message, "EMCUnityJsonLogin", input, unreadable);
  }
  {
    EMCUnityJsonLogOut message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, true);
    Answer(message, "EMCUnityJsonLogOut", input, unreadable);
  }
  {
    EMCUnityJsonGetBasicSystemInfo message;
    message.Init(0, "4.0");
    message.Initialize(kServer);
    Answer(message, "EMCUnityJsonGetBasicSystemInfo", input, unreadable);
    std::vector<_UnityBasicSystemInfo> info;
    message.GetBasicSystemInfo(info);
  }
  {
    EMCUnityJsonGetSystemInfo message;
    message.Init(0, "4.0");
    message.Initialize(kServer);
    Answer(message, "EMCUnityJsonGetSystemInfo", input, unreadable);
    _UnitySystemInfo info;
    message.GetSystemInfo(info);
  }
  {
    EMCUnityJsonGetJobDetails message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer);
    Answer(message, "EMCUnityJsonGetJobDetails", input, unreadable);
    _UnityJobDetail job;
    message.GetJobDetail(job);
    // The job id read from the answer becomes the instance of the next query.
    std::string body;
    message.BuildRequest(body);
  }
  {
    EMCUnityJsonCreateSnap message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, "sv_1", "nightly 1", true);
    Answer(message, "EMCUnityJsonCreateSnap", input, unreadable);
    unsigned long long id = 0;
    message.GetSnapId(id);
  }
  {
    EMCUnityJsonCopySnap message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, 171798691865ULL, "copy of nightly 1");
    Answer(message, "EMCUnityJsonCopySnap", input, unreadable);
    unsigned long long id = 0;
    message.GetCopySnapId(id);
  }
  {
    EMCUnityJsonDeleteSnap message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, 171798691865ULL);
    Answer(message, "EMCUnityJsonDeleteSnap", input, unreadable);
  }
  {
    EMCUnityJsonRestoreSnap message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, 171798691865ULL);
    Answer(message, "EMCUnityJsonRestoreSnap", input, unreadable);
  }
  SnapshotLists("4.0", input, unreadable);
  SnapshotLists("5.0", input, unreadable);
  FileAnswers(input, unreadable);
  ShareAnswers(input, unreadable);
  {
    EMCUnityJsonMarkSnapReplication message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, 171798691865ULL);
    Answer(message, "EMCUnityJsonMarkSnapReplication", input, unreadable);
  }
  {
    EMCUnityJsonGetReplicationInfo message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, "res_7");
    Answer(message, "EMCUnityJsonGetReplicationInfo", input, unreadable);
    _ReplicationSessionInfo info;
    message.GetReplicationSessionInfo(info);
  }
  {
    EMCUnityJsonSyncReplication message;
    message.Init(kJobId, "4.0");
    message.Initialize(kServer, "81604378625_FNM00150600267_0000_81604378627_FNM00150600267_0000");
    Answer(message, "EMCUnityJsonSyncReplication", input, unreadable);
  }
  BlockQueries(input, unreadable);
  HostAnswers(input, unreadable);
  return 0;
}
