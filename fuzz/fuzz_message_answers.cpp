// libFuzzer harness: each input is every answer-reading message's answer, after its request was
// built. A non-empty answer that does not read as a JSON object with members must never parse as
// success, and a list page read from its text must read as from its document (else abort). A
// capture lives during each input so that the silenced log lines are still formatted.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <set>
#include <string>
#include <vector>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "tests/support/DirectListCheck.h"
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
const unsigned long long kSnap = 171798691865ULL;

struct Input {
  std::string text;
  bool unreadable;
};

// Initialises a message M with `init`, builds its request, parses a copy of the input as its
// answer, reads the links and the error, then calls `read` for its getters. With `twoPages` the
// same text comes again as a second page (records accumulate, nullable markers are renewed).
template <typename M, typename Init, typename Read>
void Answer(const char* name, const Input& in, const char* version, Init init, Read read,
            bool twoPages = false) {
  M message;
  message.Init(kJobId, version);
  init(message);
  std::string body;
  message.BuildRequest(body);
  std::string response = in.text;
  if (message.ParseResponse(response) && in.unreadable) {
    std::fprintf(stderr, "fuzz_message_answers: %s: unreadable answer parsed as success (%zu B)\n",
                 name, in.text.size());
    std::abort();
  }
  message.ParseNextURI(response);
  unsigned long long code = 0;
  std::string text = message.GetNextURI();
  message.getError(code, text);
  (void)message.isSuccess();
  std::string again = in.text;
  if (twoPages) message.ParseResponse(again);
  read(message);
}

// Calls a getter into a record of its own.
template <typename R, typename C, typename Record>
auto Read(R (C::*getter)(Record&)) {
  return [getter](C& message) {
    Record record{};
    (message.*getter)(record);
  };
}

// Initialises a message with the server and `args`.
template <typename... Args>
auto With(Args... args) {
  return [=](auto& m) { m.Initialize(kServer, args...); };
}

template <typename M, typename Init>
void Answer(const char* name, const Input& in, const char* version, Init init) {
  Answer<M>(name, in, version, init, [](M&) {});
}

void Snapshots(const Input& in) {
  using List = EMCUnityJsonGetSnapshotList;
  const auto list = Read(&List::GetSnapList);
  for (const char* version : {"4.0", "5.0"}) {  // one id: the instance form
    Answer<List>("GetSnapshotList", in, version, With(std::vector<SnapID>{kSnap}, false), list,
                 true);
    Answer<List>("GetSnapshotList", in, version, With(std::vector<SnapID>{1, kSnap}, true), list,
                 true);
    Answer<List>("GetSnapshotList", in, version,
                 With(std::vector<std::string>{"nightly 1", "weekly/2"}, false), list, true);
  }
  Answer<EMCUnityJsonCreateSnap>("CreateSnap", in, "4.0", With("sv_1", "nightly 1", true),
                                 Read(&EMCUnityJsonCreateSnap::GetSnapId));
  Answer<EMCUnityJsonCopySnap>("CopySnap", in, "4.0", With(kSnap, "copy of nightly 1"),
                               Read(&EMCUnityJsonCopySnap::GetCopySnapId));
  Answer<EMCUnityJsonDeleteSnap>("DeleteSnap", in, "4.0", With(kSnap));
  Answer<EMCUnityJsonRestoreSnap>("RestoreSnap", in, "4.0", With(kSnap));
  Answer<EMCUnityJsonMarkSnapReplication>("MarkSnapReplication", in, "4.0", With(kSnap));
  Answer<EMCUnityJsonGetReplicationInfo>(
      "GetReplicationInfo", in, "4.0", With("res_7"),
      Read(&EMCUnityJsonGetReplicationInfo::GetReplicationSessionInfo));
  Answer<EMCUnityJsonSyncReplication>(
      "SyncReplication", in, "4.0",
      With("81604378625_FNM00150600267_0000_81604378627_FNM00150600267_0000"));
}

void Session(const Input& in) {
  Answer<EMCUnityJsonLogin>("Login", in, "4.0", With());
  Answer<EMCUnityJsonLogOut>("LogOut", in, "4.0", With(true));
  Answer<EMCUnityJsonGetBasicSystemInfo>("GetBasicSystemInfo", in, "4.0", With(),
                                         Read(&EMCUnityJsonGetBasicSystemInfo::GetBasicSystemInfo));
  Answer<EMCUnityJsonGetSystemInfo>("GetSystemInfo", in, "4.0", With(),
                                    Read(&EMCUnityJsonGetSystemInfo::GetSystemInfo));
  Answer<EMCUnityJsonGetJobDetails>("GetJobDetails", in, "4.0", With(), [](auto& m) {
    _UnityJobDetail job;
    m.GetJobDetail(job);
    // The job id read from the answer becomes the instance of the next query.
    std::string body;
    m.BuildRequest(body);
  });
}

void Block(const Input& in) {
  Answer<EMCUnityJsonGetLunList>("GetLunList", in, "5.0",
                                 With("60:06:01:60:4A:B0:3F:00:5B:6E:A8:61:2C:0D:41:12"),
                                 Read(&EMCUnityJsonGetLunList::GetLunInfo));
  Answer<EMCUnityJsonGetStorageResource>(
      "GetStorageResource", in, "5.0", With("SQL_CG", static_cast<_UNITY_STG_RES_TYPE>(2)),
      Read(&EMCUnityJsonGetStorageResource::GetStorageResourceInfo));
  Answer<EMCUnityJsonGetHostLun>("GetHostLun", in, "5.0",
                                 With(std::vector<SnapID>{kSnap, 2},
                                      std::set<std::string>{"Host_1"}, UNITY_HOST_LUN_TYPE_SNAP),
                                 Read(&EMCUnityJsonGetHostLun::GetHostLuns));
}

// The host messages, each after its request was built as the host operations build it.
void Hosts(const Input& in) {
  Answer<EMCUnityJsonGetHostInitiatorInfo>(
      "GetHostInitiatorInfo", in, "13.0", With("21:00:00:25:B5:0A:00:01", true),
      Read(&EMCUnityJsonGetHostInitiatorInfo::GetHostInitiatorInfo));
  Answer<EMCUnityJsonGetHostIPPort>("GetHostIPPort", in, "13.0", With("10.20.30.41"),
                                    Read(&EMCUnityJsonGetHostIPPort::GetHostIPPort));
  Answer<EMCUnityJsonGetLoggedInInitiator>("GetLoggedInInitiator", in, "13.0", With(),
                                           Read(&EMCUnityJsonGetLoggedInInitiator::GetInitiators));
  Answer<EMCUnityJsonGetIscsiNode>("GetIscsiNode", in, "13.0", With(),
                                   Read(&EMCUnityJsonGetIscsiNode::GetIscsNodes));
  Answer<EMCUnityJsonGetHost>("GetHost", in, "13.0", With("backup-srv-01"),
                              Read(&EMCUnityJsonGetHost::GetHostId));
  Answer<EMCUnityJsonCreateHost>("CreateHost", in, "13.0",
                                 With("backup-srv-01", "Linux", UNITY_HOST_TYPE_MANUAL),
                                 Read(&EMCUnityJsonCreateHost::GetHostId));
  Answer<EMCUnityJsonHostInitiator>(
      "HostInitiator", in, "13.0",
      With("Host_1", UNITY_HOSTINITIATOR_TYPE_ISCSI, "iqn.1994-05.a:b"),
      Read(&EMCUnityJsonHostInitiator::GetHostInitiatorId));
  Answer<EMCUnityJsonHostInitiator>("HostInitiator (modify)", in, "13.0",
                                    With("HostInitiator_1", "Host_2"));
  Answer<EMCUnityJsonCreateHostIPPort>("CreateHostIPPort", in, "13.0",
                                       With("Host_1", "10.20.30.41"),
                                       Read(&EMCUnityJsonCreateHostIPPort::GetHostIPPortId));
  Answer<EMCUnityJsonDeleteHost>("DeleteHost", in, "13.0", With("Host_1"));
}

// The file side: file systems by filter and by id, NAS servers, IP interfaces; NFS exports and
// CIFS shares: creation ids, lists and access control entries.
void Files(const Input& in) {
  Answer<EMCUnityJsonGetFSList>("GetFSList", in, "4.0", With("Projects", "NAS_Dev"),
                                Read(&EMCUnityJsonGetFSList::GetFSInfo));
  Answer<EMCUnityJsonGetFSList>("GetFSList", in, "4.0", With("fs_1"),
                                Read(&EMCUnityJsonGetFSList::GetFSList));
  Answer<EMCUnityJsonGetNASServer>("GetNASServer", in, "4.0", With(""),
                                   Read(&EMCUnityJsonGetNASServer::GetNASServerList), true);
  Answer<EMCUnityJsonGetIpInterface>("GetIpInterface", in, "4.0",
                                     With(UNITY_IP_INTERFACE_TYPE_ISCSI),
                                     Read(&EMCUnityJsonGetIpInterface::GetAddressList));
  Answer<EMCUnityJsonCreateNFSExport>("CreateNFSExport", in, "4.0",
                                      With(kSnap, "nfs_1", UNITY_NFS_DEF_ACCESS_READ_ONLY, "/"),
                                      Read(&EMCUnityJsonCreateNFSExport::GetShareId));
  Answer<EMCUnityJsonGetNFSExportList>(
      "GetNFSExportList", in, "4.0", [](auto& m) { m.InitializeWithPath(kServer, kSnap, "/"); },
      Read(&EMCUnityJsonGetNFSExportList::GetNfsList), true);
  Answer<EMCUnityJsonGetCifsShareList>(
      "GetCifsShareList", in, "4.0",
      [](auto& m) { m.InitializeWithName(kServer, "smb_1", "NAS_Prod"); },
      Read(&EMCUnityJsonGetCifsShareList::GetCifsList), true);
  Answer<EMCUnityJsonGetCifsACE>("GetCifsACE", in, "4.0", With("SMBShare_1"),
                                 Read(&EMCUnityJsonGetCifsACE::GetCifsShareACE));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  diaglog::setQuiet(true);
  diaglog::setLevel(-2);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DiagLogCapture capture(7);
  Input in{std::string(reinterpret_cast<const char*>(data), size), false};
  jsondoc::Object reference;
  in.unreadable = !in.text.empty() && (!reference.parse(in.text) || reference.empty());
  Session(in);
  Snapshots(in);
  Files(in);
  Block(in);
  Hosts(in);
  // A list page read straight from its text must read as it does from its document.
  bool direct = false;
  for (const std::string& differs : {directcheck::LunDisagreement(in.text, direct),
                                     directcheck::SnapshotDisagreement(in.text, "4.0", direct),
                                     directcheck::SnapshotDisagreement(in.text, "5.0", direct)}) {
    if (differs.empty()) continue;
    std::fprintf(stderr, "direct page reading differs:\n%s\n", differs.c_str());
    std::abort();
  }
  return 0;
}
