// File system and NAS lookups on the default array: NAS_Prod and NAS_Dev, "Projects" on both.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

using FileOpsTest = SimulatorTest;

TEST_F(FileOpsTest, NameSharedByTwoNasServersNeedsTheNasServer) {
  DiagLogCapture capture(0);
  _UnityFSInfo fs;
  fs.name = "kept";
  EXPECT_FALSE(session().GetFSInfoFromName(fs, "Projects", ""));
  EXPECT_TRUE(capture.contains("Failed to Get FS info", "ManageEMCUnity::GetFSInfoFromName"));
  EXPECT_EQ(std::to_string(session().errorCode) + " " + session().errorText,
            "3 2 file systems are named Projects; name the NAS server too");
  EXPECT_EQ(fs.name, "kept");

  ASSERT_TRUE(session().GetFSInfoFromName(fs, "projects", "NAS_Dev")) << session().errorText;
  EXPECT_EQ(fs.id + fs.storageResource.id + fs.storageResource.name, "fs_10res_19Projects");
  EXPECT_TRUE(capture.contains("Successfully Got FS info with name [Projects]"));
}

TEST_F(FileOpsTest, ByIdAndPerNasServer) {
  _UnityFSInfo fs;
  ASSERT_TRUE(session().GetFSInfoForId(fs, "fs_1")) << session().errorText;
  EXPECT_EQ(fs.storageResource.id + "/" + fs.storageResource.name, "res_1/FS_Home");
  EXPECT_FALSE(session().GetFSInfoForId(fs, "fs_99"));
  EXPECT_EQ(session().errorCode, kNotFound);

  std::vector<_UnityFSInfo> list(1);
  ASSERT_TRUE(session().GetFSListForNASServer(list, "NAS_Dev")) << session().errorText;
  std::string ids;
  for (const _UnityFSInfo& f : list) ids += f.id + ",";
  EXPECT_EQ(ids, "fs_8,fs_9,fs_10,fs_11,fs_12,");
}

TEST_F(FileOpsTest, NasServersWithTheirAliases) {
  std::vector<_UnityNASServer> list;
  ASSERT_TRUE(session().GetNASServers(list, "")) << session().errorText;
  ASSERT_EQ(list.size(), 2u);
  // The NFS host name equals the CIFS server's full name and is not added twice.
  EXPECT_EQ(list[0].aliases, (std::vector<std::string>{"10.245.48.21", "10.245.48.22", "NASPROD",
                                                       "nasprod.corp.example.com"}));
  // An array without NAS servers answers an empty list, which is no failure.
  sim().model().seed(unitysim::Json{{"nasServer", unitysim::Json::array()}});
  ASSERT_TRUE(session().GetNASServers(list, "")) << session().errorText;
  EXPECT_TRUE(list.empty());
}

TEST_F(FileOpsTest, ArrayAliasesAddressesThenNodeNamesDuplicatesKept) {
  // A node named like an address: both stay.
  sim().model().add("iscsiNode", unitysim::Json{{"name", "10.245.47.101"}});
  std::vector<std::string> aliases(1, "replaced");
  ASSERT_TRUE(session().GetArrayAliases(aliases, "")) << session().errorText;
  EXPECT_EQ(aliases,
            (std::vector<std::string>{
                "10.245.47.101", "10.245.47.102", "iqn.1992-04.com.emc:cx.ckm00213300417.a0",
                "iqn.1992-04.com.emc:cx.ckm00213300417.b0", "10.245.47.101"}));
}

TEST_F(FileOpsTest, NasServerAliasesOnly) {
  DiagLogCapture capture(0);
  std::vector<std::string> aliases;
  ASSERT_TRUE(session().GetArrayAliases(aliases, "nas_2")) << session().errorText;
  EXPECT_EQ(aliases, (std::vector<std::string>{"10.245.49.31", "NASDEV"}));
  EXPECT_TRUE(requests("GET", "/api/types/").empty());
  EXPECT_TRUE(capture.contains("Successfully Got Address list size [2]"));

  EXPECT_FALSE(session().GetArrayAliases(aliases, "nas_9"));
  EXPECT_EQ(session().errorCode, kNotFound);
  EXPECT_TRUE(capture.contains("Failed to Get NAS server info", "ManageEMCUnity::GetArrayAliases"));
}

}  // namespace
}  // namespace unitytest
