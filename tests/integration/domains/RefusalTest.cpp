// Refused inputs: code 2, the operation's own text, "Error: <text>" logged, nothing sent.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/OperationTable.h"
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

// The out-parameter of the overloaded list calls below; its value does not matter.
std::vector<_UnitySnapInfo> g_snaps;

const char kOtherEmpty[] = "Fileserver name or other input is empty";
const char kIdsEmpty[] = "Fileserver name, host id or host initiator id is empty";
const char kQuoted[] = "a\"b";

INSTANTIATE_TEST_SUITE_P(
    Operations, RefusalTest,
    ::testing::Values(
        RefusalCase{"SessionOpenWithoutArray", [](auto& s) { return s.OpenConnection(false); },
                    "Filerserver name or Username is empty", false},
        RefusalCase{"SessionSystemInfoWithoutArray",
                    Into(&ManageEMCUnity::GetBasicSystemInformation), "Fileserver name is empty",
                    false},
        RefusalCase{"LunWwnWithDoubleQuote", Into(&ManageEMCUnity::GetLunInfoFromWWN, "60\"01"),
                    "WWN contains a double quote, which a filter cannot carry"},
        RefusalCase{"SnapshotCreateWithoutName",
                    Into(&ManageEMCUnity::CreateSnapShot, "sv_1", "", false),
                    "Fileserver name, resource id or snapname is empty"},
        RefusalCase{"SnapshotCopyOfNoSnapshot", Into(&ManageEMCUnity::CopySnapshot, 0, "c"),
                    "Fileserver name, snap id or copy snap name is empty"},
        RefusalCase{"SnapshotDeleteWithoutArray", [](auto& s) { return s.DeleteSnapshot(5); },
                    "Fileserver name is empty or invalid inputs", false},
        RefusalCase{"SnapshotInfoOfNoSnapshot", Into(&ManageEMCUnity::GetSnapShotInfo, 0),
                    "Snapid is 0."},
        RefusalCase{"SnapshotLookupWithoutName", Into(&ManageEMCUnity::GetSnapShotForName, ""),
                    "Snap name is empty."},
        RefusalCase{"SnapshotNameWithDoubleQuote",
                    Into(&ManageEMCUnity::GetSnapShotForName, "a\"b"),
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
                    Into(&ManageEMCUnity::GetReplicationInfoForResId, ""), "Resource id is empty"},
        RefusalCase{"NfsCreateOfNoSnapshot",
                    Into(&ManageEMCUnity::CreateNfsExport, 0, "n", _UNITY_NFS_DEF_ACCESS{}, "/"),
                    kOtherEmpty},
        RefusalCase{
            "NfsSetAccessWithoutExportId",
            Into(&ManageEMCUnity::SetNfsHostAccess, _UnityNfsExportInfo{}, _UnityNfsHostAccess{}),
            "Fileserver name is empty or invalid inputs"},
        RefusalCase{"NfsDeleteWithoutArray",
                    [](auto& s) { return s.DeleteNfsExport("NFSShare_1"); },
                    "Fileserver name is empty or invalid inputs", false},
        RefusalCase{"NfsForHostWithoutHost", Into(&ManageEMCUnity::GetNfsExportsForHost, ""),
                    "Fileserver name or host id is empty."},
        RefusalCase{"CifsCreateWithoutPath", Into(&ManageEMCUnity::CreateCifsShare, 5, "n", ""),
                    "Fileserver name or other input is empty"},
        RefusalCase{"CifsDeleteWithoutId", [](auto& s) { return s.DeleteCifsShare(""); },
                    "Fileserver name is empty or invalid inputs"},
        RefusalCase{"CifsForNameWithoutName",
                    Into(&ManageEMCUnity::GetCifsShareForName, "", "NAS_Prod"),
                    "Fileserver name or Share name is empty."},
        RefusalCase{"CifsForSnapChecksTheSnapshotFirst",
                    Into(&ManageEMCUnity::GetCifsShareForSnap, 0, ""), "Invalid snap id:0", false},
        RefusalCase{"CifsForSnapWithoutName", Into(&ManageEMCUnity::GetCifsShareForSnap, 5, ""),
                    "Fileserver name or Share name is empty."},
        RefusalCase{"CifsReadEntriesWithoutId", Into(&ManageEMCUnity::GetCifsShareACE, ""),
                    "Fileserver name or share id is empty"},
        RefusalCase{"CifsWriteEntriesWithoutArray",
                    [](auto& s) { return s.SetCifsShareACE("SMBShare_1", {}); },
                    "Fileserver name or share id is empty", false},
        RefusalCase{"FileFSByEmptyName", Into(&ManageEMCUnity::GetFSInfoFromName, "", "n"),
                    "Fileserver name or Filesystem name is empty"},
        RefusalCase{"FileFSByEmptyId", Into(&ManageEMCUnity::GetFSInfoForId, ""),
                    "Fileserver name or Filesystem id is empty"},
        RefusalCase{"FileFSListWithoutNasName", Into(&ManageEMCUnity::GetFSListForNASServer, ""),
                    "Fileserver name or NAS server name is empty"},
        RefusalCase{"FileFSNameWithQuote",
                    Into(&ManageEMCUnity::GetFSInfoFromName, "a\" OR (name ne \"", ""),
                    "Filesystem name contains a double quote, which a filter cannot carry"},
        RefusalCase{"HostInitiatorEmpty", Into(&ManageEMCUnity::GetHostInitiatorInfo, "", true),
                    "Fileserver name or Initiator id is empty"},
        RefusalCase{"HostInitiatorQuote",
                    Into(&ManageEMCUnity::GetHostInitiatorInfo, "iqn\"", false),
                    "Initiator id contains a double quote, which a filter cannot carry"},
        RefusalCase{"HostIPPortEmpty", Into(&ManageEMCUnity::GetHostIPPort, ""),
                    "Fileserver name or ip address is empty"},
        RefusalCase{"HostHostIdEmpty", Into(&ManageEMCUnity::GetHostId, ""),
                    "Fileserver name or host name is empty"},
        RefusalCase{"HostCreateInitiatorTypeZero",
                    Into(&ManageEMCUnity::CreateHostInitiator, "Host_1",
                         UNITY_HOSTINITIATOR_TYPE_NONE, "iqn.x"),
                    "Fileserver name, host id, wwn/iqn or initiator type is empty/invalid"},
        RefusalCase{"HostModifyNoInitiator",
                    [](auto& s) { return s.ModifyHostInitiator("", "Host_1"); }, kIdsEmpty},
        RefusalCase{"HostIPPortNoAddress", Into(&ManageEMCUnity::CreateHostIPPort, "Host_1", ""),
                    kIdsEmpty},
        RefusalCase{"HostDeleteNoHost", [](auto& s) { return s.DeleteHost("", true); },
                    "Fileserver name or host id is empty "},
        // A reused host is looked up first, and the lookup's refusal stays.
        RefusalCase{"HostReusedHostWithoutArray",
                    Into(&ManageEMCUnity::CreateHost, "media-02", UNITY_HOST_TYPE_MANUAL, true, ""),
                    "Fileserver name or host name is empty", false},
        RefusalCase{
            "InventoryResourceName",
            Into(&ManageEMCUnity::ListStorageResources, UNITY_STG_RES_TYPE_UNKNOWN, kQuoted),
            "Resource name contains a double quote, which a filter cannot carry"},
        RefusalCase{
            "InventoryResourceType",
            Into(&ManageEMCUnity::ListStorageResources, static_cast<_UNITY_STG_RES_TYPE>(-2), ""),
            "Storage resource type is invalid"},
        RefusalCase{"InventoryNoArray", Into(&ManageEMCUnity::ListHosts, ""),
                    "Fileserver name is empty", false}),
    [](const ::testing::TestParamInfo<RefusalCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace unitytest
