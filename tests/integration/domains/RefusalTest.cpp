// Refused inputs of the public operations: each call fails its input check with code 2 and the
// operation's own text, logs "Error: <text>", and sends nothing.
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

struct RefusalCase {
  const char* name;
  std::function<bool(ManageEMCUnity&)> run;
  std::string text;
  bool chooseArray = true;  // false: a session without an array
};

class RefusalTest : public SimulatorTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, NothingIsSent) {
  const RefusalCase& c = GetParam();
  std::unique_ptr<ManageEMCUnity> session =
      c.chooseArray ? makeSession() : std::make_unique<ManageEMCUnity>(7);
  DiagLogCapture capture(0);
  EXPECT_FALSE(c.run(*session));
  EXPECT_EQ(session->errorCode, 2u);
  EXPECT_EQ(session->errorText, c.text);
  EXPECT_TRUE(capture.contains("Error: " + c.text));
  session.reset();
  EXPECT_EQ(sim().journal().size(), 0u);
}

// Out-parameters of the calls below; their values do not matter.
SnapID g_snapId;
_UnitySnapInfo g_info;
std::vector<_UnitySnapInfo> g_snaps;
ReplicationSessionInfo g_session;
std::string g_id;
bool g_flag;
_UnityNfsExportInfo g_export;
std::vector<_UnityNfsExportInfo> g_exports;
_UnityCifsShareInfo g_share;
std::vector<_UnityCifsShareInfo> g_shares;
std::list<_UnityCifsShareACE> g_aces;
_UnityFSInfo g_fs;
std::vector<_UnityFSInfo> g_fsList;
std::vector<_UnityNASServer> g_nasList;
std::vector<std::string> g_names;
_UnityHostInitiatorInfo g_initiator;
_UnityHostIPPort g_port;

const char kOtherEmpty[] = "Fileserver name or other input is empty";
const char kIdsEmpty[] = "Fileserver name, host id or host initiator id is empty";
const char kQuote[] = " contains a double quote, which a filter cannot carry";
const char kQuoted[] = "a\"b";

// A call of `list` with `args` into a fresh vector.
template <typename Entry, typename... Params, typename... Args>
std::function<bool(ManageEMCUnity&)> Lists(bool (ManageEMCUnity::*list)(std::vector<Entry>&,
                                                                        Params...),
                                           Args... args) {
  return [=](ManageEMCUnity& s) {
    std::vector<Entry> out;
    return (s.*list)(out, args...);
  };
}

INSTANTIATE_TEST_SUITE_P(
    Operations, RefusalTest,
    ::testing::Values(
        // --- Snapshot ---
        RefusalCase{"SnapshotCreateWithoutName",
                    [](auto& s) { return s.CreateSnapShot(g_snapId, "sv_1", "", false); },
                    "Fileserver name, resource id or snapname is empty"},
        RefusalCase{"SnapshotCopyOfNoSnapshot",
                    [](auto& s) { return s.CopySnapshot(g_snapId, 0, "c"); },
                    "Fileserver name, snap id or copy snap name is empty"},
        RefusalCase{"SnapshotDeleteWithoutArray", [](auto& s) { return s.DeleteSnapshot(5); },
                    "Fileserver name is empty or invalid inputs", false},
        RefusalCase{"SnapshotListWithoutArray",
                    [](auto& s) { return s.GetSnapShotList(g_snaps, SnapID{5}, false); },
                    "Fileserver name is empty", false},
        RefusalCase{"SnapshotInfoOfNoSnapshot",
                    [](auto& s) { return s.GetSnapShotInfo(g_info, 0); }, "Snapid is 0."},
        RefusalCase{"SnapshotLookupWithoutName",
                    [](auto& s) { return s.GetSnapShotForName(g_info, ""); },
                    "Snap name is empty."},
        RefusalCase{"SnapshotNameWithDoubleQuote",
                    [](auto& s) { return s.GetSnapShotForName(g_info, "a\"b"); },
                    "Snap name contains a double quote, which a filter cannot carry"},
        RefusalCase{"SnapshotGroupNameWithDoubleQuote",
                    [](auto& s) {
                      return s.GetSnapShotList(g_snaps, std::vector<std::string>{"ok", "\""}, true);
                    },
                    "Snap group name contains a double quote, which a filter cannot carry"},
        RefusalCase{"SnapshotMarkWithoutArrayIsCheckedFirst",
                    [](auto& s) { return s.MarkSnapForReplication(0); }, "Fileserver name is empty",
                    false},
        RefusalCase{"SnapshotMarkNoSnapshot", [](auto& s) { return s.MarkSnapForReplication(0); },
                    "Snap id is empty"},
        RefusalCase{"SnapshotReplicationOfNoResource",
                    [](auto& s) { return s.GetReplicationInfoForResId(g_session, ""); },
                    "Resource id is empty"},
        RefusalCase{
            "SnapshotSyncForResourceWithDoubleQuote",
            [](auto& s) { return s.SyncReplicationSessionForResource("sv_1\" OR (id ne \""); },
            "Resource id contains a double quote, which a filter cannot carry"},
        // --- Nfs ---
        RefusalCase{"NfsCreateWithoutPath",
                    [](auto& s) { return s.CreateNfsExport(g_id, 5, "n", {}, ""); }, kOtherEmpty},
        RefusalCase{"NfsCreateOfNoSnapshot",
                    [](auto& s) { return s.CreateNfsExport(g_id, 0, "n", {}, "/"); }, kOtherEmpty},
        RefusalCase{"NfsSetAccessWithoutExportId",
                    [](auto& s) { return s.SetNfsHostAccess(g_flag, g_export, {}); },
                    "Fileserver name is empty or invalid inputs"},
        RefusalCase{"NfsDeleteWithoutArray",
                    [](auto& s) { return s.DeleteNfsExport("NFSShare_1"); },
                    "Fileserver name is empty or invalid inputs", false},
        RefusalCase{"NfsListWithoutArray", [](auto& s) { return s.GetNfsExportList(g_exports); },
                    "Fileserver name is empty", false},
        RefusalCase{"NfsForHostWithoutHost",
                    [](auto& s) { return s.GetNfsExportsForHost(g_exports, ""); },
                    "Fileserver name or host id is empty."},
        RefusalCase{"NfsHostIdWithDoubleQuote",
                    [](auto& s) { return s.GetNfsExportsForHost(g_exports, "H\" OR (id ne \""); },
                    "Host id contains a double quote, which a filter cannot carry"},
        // --- Cifs ---
        RefusalCase{"CifsCreateWithoutPath",
                    [](auto& s) { return s.CreateCifsShare(g_id, 5, "n", ""); },
                    "Fileserver name or other input is empty"},
        RefusalCase{"CifsDeleteWithoutId", [](auto& s) { return s.DeleteCifsShare(""); },
                    "Fileserver name is empty or invalid inputs"},
        RefusalCase{"CifsListWithoutArray", [](auto& s) { return s.GetCifsShareList(g_shares); },
                    "Fileserver name is empty", false},
        RefusalCase{"CifsForNameWithoutName",
                    [](auto& s) { return s.GetCifsShareForName(g_share, "", "NAS_Prod"); },
                    "Fileserver name or Share name is empty."},
        RefusalCase{"CifsForSnapChecksTheSnapshotFirst",
                    [](auto& s) { return s.GetCifsShareForSnap(g_share, 0, ""); },
                    "Invalid snap id:0", false},
        RefusalCase{"CifsForSnapWithoutName",
                    [](auto& s) { return s.GetCifsShareForSnap(g_share, 5, ""); },
                    "Fileserver name or Share name is empty."},
        RefusalCase{"CifsNasNameWithDoubleQuote",
                    [](auto& s) { return s.GetCifsShareForName(g_share, "a", "N\""); },
                    "NAS server name contains a double quote, which a filter cannot carry"},
        RefusalCase{"CifsReadEntriesWithoutId",
                    [](auto& s) { return s.GetCifsShareACE(g_aces, ""); },
                    "Fileserver name or share id is empty"},
        RefusalCase{"CifsWriteEntriesWithoutArray",
                    [](auto& s) { return s.SetCifsShareACE("SMBShare_1", g_aces); },
                    "Fileserver name or share id is empty", false},
        // --- File ---
        RefusalCase{"FileFSByEmptyName", [](auto& s) { return s.GetFSInfoFromName(g_fs, "", "n"); },
                    "Fileserver name or Filesystem name is empty"},
        RefusalCase{"FileFSByEmptyId", [](auto& s) { return s.GetFSInfoForId(g_fs, ""); },
                    "Fileserver name or Filesystem id is empty"},
        RefusalCase{"FileNasWithoutArray", [](auto& s) { return s.GetNASServers(g_nasList, ""); },
                    "Fileserver name is empty", false},
        RefusalCase{"FileFSListWithoutNasName",
                    [](auto& s) { return s.GetFSListForNASServer(g_fsList, ""); },
                    "Fileserver name or NAS server name is empty"},
        RefusalCase{"FileFSNameWithQuote",
                    [](auto& s) { return s.GetFSInfoFromName(g_fs, "a\" OR (name ne \"", ""); },
                    std::string("Filesystem name") + kQuote},
        RefusalCase{"FileFSNasNameWithQuote",
                    [](auto& s) { return s.GetFSInfoFromName(g_fs, "fs", "\""); },
                    std::string("NAS server name") + kQuote},
        RefusalCase{"FileFSListNasNameWithQuote",
                    [](auto& s) { return s.GetFSListForNASServer(g_fsList, "x\"y"); },
                    std::string("NAS server name") + kQuote},
        // --- Host ---
        RefusalCase{"HostInitiatorEmpty",
                    [](auto& s) { return s.GetHostInitiatorInfo(g_initiator, "", true); },
                    "Fileserver name or Initiator id is empty"},
        RefusalCase{"HostInitiatorQuote",
                    [](auto& s) { return s.GetHostInitiatorInfo(g_initiator, "iqn\"", false); },
                    "Initiator id contains a double quote, which a filter cannot carry"},
        RefusalCase{"HostIPPortEmpty", [](auto& s) { return s.GetHostIPPort(g_port, ""); },
                    "Fileserver name or ip address is empty"},
        RefusalCase{"HostHostIdEmpty", [](auto& s) { return s.GetHostId(g_id, ""); },
                    "Fileserver name or host name is empty"},
        RefusalCase{"HostHostIdQuote", [](auto& s) { return s.GetHostId(g_id, "a\"b"); },
                    "Host name contains a double quote, which a filter cannot carry"},
        RefusalCase{"HostCreateInitiatorTypeZero",
                    [](auto& s) {
                      return s.CreateHostInitiator(g_id, "Host_1", UNITY_HOSTINITIATOR_TYPE_NONE,
                                                   "iqn.x");
                    },
                    "Fileserver name, host id, wwn/iqn or initiator type is empty/invalid"},
        RefusalCase{"HostModifyNoInitiator",
                    [](auto& s) { return s.ModifyHostInitiator("", "Host_1"); }, kIdsEmpty},
        RefusalCase{"HostIPPortNoAddress",
                    [](auto& s) { return s.CreateHostIPPort(g_id, "Host_1", ""); }, kIdsEmpty},
        RefusalCase{"HostDeleteNoHost", [](auto& s) { return s.DeleteHost("", true); },
                    "Fileserver name or host id is empty "},
        RefusalCase{"HostLoggedInWithoutArray",
                    [](auto& s) { return s.GetLoggedInInitiators(g_names); },
                    "Fileserver name is empty", false},
        // A reused host is looked up first, and the lookup's refusal stays.
        RefusalCase{"HostReusedHostWithoutArray",
                    [](auto& s) {
                      return s.CreateHost(g_id, "media-02", UNITY_HOST_TYPE_MANUAL, true, "");
                    },
                    "Fileserver name or host name is empty", false},
        // --- Inventory ---
        RefusalCase{
            "InventoryResourceName",
            Lists(&ManageEMCUnity::ListStorageResources, UNITY_STG_RES_TYPE_UNKNOWN, kQuoted),
            "Resource name contains a double quote, which a filter cannot carry"},
        RefusalCase{
            "InventoryResourceType",
            Lists(&ManageEMCUnity::ListStorageResources, static_cast<_UNITY_STG_RES_TYPE>(-2), ""),
            "Storage resource type is invalid"},
        RefusalCase{"InventoryLunName", Lists(&ManageEMCUnity::ListLuns, kQuoted),
                    "LUN name contains a double quote, which a filter cannot carry"},
        RefusalCase{"InventoryNasServerName", Lists(&ManageEMCUnity::ListFileSystems, kQuoted, ""),
                    "NAS server name contains a double quote, which a filter cannot carry"},
        RefusalCase{"InventoryHostName", Lists(&ManageEMCUnity::ListHosts, kQuoted),
                    "Host name contains a double quote, which a filter cannot carry"},
        RefusalCase{"InventoryNoArray", Lists(&ManageEMCUnity::ListHosts, ""),
                    "Fileserver name is empty", false}),
    [](const ::testing::TestParamInfo<RefusalCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace unitytest
