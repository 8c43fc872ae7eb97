// File system and NAS discovery operations against the simulator's default array: two NAS servers
// (NAS_Prod domain-joined with an NFS server, NAS_Dev standalone), twelve file systems, "Projects"
// on both NAS servers.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

const unsigned long long kNotFound = 131149829;

using FileOpsTest = SimulatorTest;

std::vector<std::string> Names(const std::vector<_UnityFSInfo>& list) {
  std::vector<std::string> names;
  for (const _UnityFSInfo& fs : list) names.push_back(fs.id + ":" + fs.name);
  return names;
}

TEST_F(FileOpsTest, NameSharedByTwoNasServersNeedsTheNasServer) {
  DiagLogCapture capture(0);
  _UnityFSInfo fs;
  fs.name = "kept";
  EXPECT_FALSE(session().GetFSInfoFromName(fs, "Projects", ""));
  EXPECT_TRUE(capture.contains("Failed to Get FS info", "ManageEMCUnity::GetFSInfoFromName"));
  EXPECT_EQ(session().errorCode, 0u);  // the request succeeded; no code of its own
  EXPECT_EQ(fs.name, "kept");

  ASSERT_TRUE(session().GetFSInfoFromName(fs, "projects", "NAS_Dev")) << session().errorText;
  EXPECT_EQ(fs.id, "fs_10");
  EXPECT_EQ(fs.storageResource.id, "res_19");
  EXPECT_EQ(fs.storageResource.name, "Projects");
  EXPECT_EQ(fs.storageResource.type, 1);
  EXPECT_TRUE(capture.contains("Successfully Got FS info with name [Projects]"));
}

TEST_F(FileOpsTest, ById) {
  _UnityFSInfo fs;
  ASSERT_TRUE(session().GetFSInfoForId(fs, "fs_6")) << session().errorText;
  EXPECT_EQ(fs.name, "VMware_DS01");
  EXPECT_EQ(fs.type, 2);
  EXPECT_EQ(fs.supportedProtocols, 0);
  EXPECT_EQ(fs.storageResource.type, 3);

  // The seed's file storage resource and its file system agree.
  ASSERT_TRUE(session().GetFSInfoForId(fs, "fs_1")) << session().errorText;
  EXPECT_EQ(fs.storageResource.id, "res_1");
  EXPECT_EQ(fs.storageResource.name, "FS_Home");

  EXPECT_FALSE(session().GetFSInfoForId(fs, "fs_99"));
  EXPECT_EQ(session().errorCode, kNotFound);
}

TEST_F(FileOpsTest, FileSystemsOfOneNasServer) {
  std::vector<_UnityFSInfo> list(1);
  ASSERT_TRUE(session().GetFSListForNASServer(list, "NAS_Dev")) << session().errorText;
  EXPECT_EQ(Names(list),
            (std::vector<std::string>{"fs_8:Dev_Builds", "fs_9:Dev_Home", "fs_10:Projects",
                                      "fs_11:QA_Scratch", "fs_12:Marketing"}));
  ASSERT_TRUE(session().GetFSListForNASServer(list, "NAS_None")) << session().errorText;
  EXPECT_TRUE(list.empty());
}

TEST_F(FileOpsTest, NasServersWithTheirAliases) {
  std::vector<_UnityNASServer> list;
  ASSERT_TRUE(session().GetNASServers(list, "")) << session().errorText;
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "NAS_Prod");
  // The NFS host name equals the CIFS server's full name and is not added twice.
  EXPECT_EQ(list[0].aliases, (std::vector<std::string>{"10.245.48.21", "10.245.48.22", "NASPROD",
                                                       "nasprod.corp.example.com"}));
  EXPECT_EQ(list[1].aliases, (std::vector<std::string>{"10.245.49.31", "NASDEV"}));

  ASSERT_TRUE(session().GetNASServers(list, "nas_2")) << session().errorText;
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "NAS_Dev");
  EXPECT_FALSE(session().GetNASServers(list, "nas_9"));
  EXPECT_EQ(session().errorCode, kNotFound);

  // An array without NAS servers answers an empty list, which is no failure.
  sim().model().seed(unitysim::Json{{"nasServer", unitysim::Json::array()}});
  ASSERT_TRUE(session().GetNASServers(list, "")) << session().errorText;
  EXPECT_TRUE(list.empty());
}

struct RefusalCase {
  const char* name;
  std::function<bool(ManageEMCUnity&)> run;
  std::string text;
  bool chooseArray = true;
};

class FileRefusalTest : public SimulatorTest, public ::testing::WithParamInterface<RefusalCase> {};

// Refused inputs: code 2, the operation's text, "Error: ..." in the log, nothing sent.
TEST_P(FileRefusalTest, NothingIsSent) {
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

_UnityFSInfo g_fs;
std::vector<_UnityFSInfo> g_fsList;
std::vector<_UnityNASServer> g_nasList;
const char kQuote[] = " contains a double quote, which a filter cannot carry";

INSTANTIATE_TEST_SUITE_P(
    Operations, FileRefusalTest,
    ::testing::Values(
        RefusalCase{"FSByNameWithoutArray",
                    [](auto& s) { return s.GetFSInfoFromName(g_fs, "fs", ""); },
                    "Fileserver name or Filesystem name is empty", false},
        RefusalCase{"FSByEmptyName", [](auto& s) { return s.GetFSInfoFromName(g_fs, "", "n"); },
                    "Fileserver name or Filesystem name is empty"},
        RefusalCase{"FSByEmptyId", [](auto& s) { return s.GetFSInfoForId(g_fs, ""); },
                    "Fileserver name or Filesystem id is empty"},
        RefusalCase{"NasWithoutArray", [](auto& s) { return s.GetNASServers(g_nasList, ""); },
                    "Fileserver name is empty", false},
        RefusalCase{"FSListWithoutNasName",
                    [](auto& s) { return s.GetFSListForNASServer(g_fsList, ""); },
                    "Fileserver name or NAS server name is empty"},
        RefusalCase{"FSNameWithQuote",
                    [](auto& s) { return s.GetFSInfoFromName(g_fs, "a\" OR (name ne \"", ""); },
                    std::string("Filesystem name") + kQuote},
        RefusalCase{"FSNasNameWithQuote",
                    [](auto& s) { return s.GetFSInfoFromName(g_fs, "fs", "\""); },
                    std::string("NAS server name") + kQuote},
        RefusalCase{"FSListNasNameWithQuote",
                    [](auto& s) { return s.GetFSListForNASServer(g_fsList, "x\"y"); },
                    std::string("NAS server name") + kQuote}),
    [](const ::testing::TestParamInfo<RefusalCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace unitytest
