// Host operations; seeded: Host_1 backup-srv-01, Host_2 sql-prod-01, Host_3 nfs-client-01.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

using ::testing::ElementsAre;

const unsigned long long kInitiatorExists = 100663539;
const std::string kFcPort = "21:00:00:25:B5:0A:00:01";

class HostOpsTest : public SimulatorTest {};

// Zero, one and two matches of each lookup; the array can hold second matches, planted here.
TEST_F(HostOpsTest, LookupsByMatchCount) {
  ManageEMCUnity& s = session();
  _UnityHostInitiatorInfo initiator;
  ASSERT_TRUE(s.GetHostInitiatorInfo(initiator, kFcPort, true)) << s.errorText;
  EXPECT_EQ(initiator.id + "|" + initiator.parentHostId, "HostInitiator_1|Host_1");
  ASSERT_TRUE(s.GetHostInitiatorInfo(initiator, "iqn.1994-05.com.redhat:proxy-02", false));
  EXPECT_EQ(initiator.id + "|" + initiator.parentHostId, "HostInitiator_5|");
  EXPECT_EQ(requests("GET", "/api/types/hostInitiator/instances").at(1).target,
            "/api/types/hostInitiator/instances?&fields=id,initiatorId,parentHost.id,type"
            "&filter=(initiatorId+eq+\"iqn.1994-05.com.redhat:proxy-02\")");

  _UnityHostIPPort port;
  ASSERT_TRUE(s.GetHostIPPort(port, "10.20.30.41")) << s.errorText;
  EXPECT_EQ(port.id + "|" + port.hostId, "HostNetworkAddress_1|Host_1");
  std::string hostId;
  ASSERT_TRUE(s.GetHostId(hostId, "sql-prod-01")) << s.errorText;
  EXPECT_EQ(hostId, "Host_2");

  EXPECT_FALSE(s.GetHostIPPort(port, "192.0.2.1"));
  EXPECT_EQ(std::to_string(s.errorCode) + " " + s.errorText,
            "131149829 The requested resources do not exist");

  // Two.
  sim().model().add("hostInitiator", {{"id", "HostInitiator_9"},
                                      {"type", 1},
                                      {"initiatorId", "20:00:00:25:B5:0A:00:09:" + kFcPort},
                                      {"portWWN", kFcPort}});
  sim().model().add(
      "hostIPPort",
      {{"id", "HostNetworkAddress_9"}, {"address", "10.20.30.41"}, {"host", {{"id", "Host_2"}}}});
  sim().model().add("host", {{"id", "Host_9"}, {"name", "sql-prod-01"}, {"type", 1}});
  DiagLogCapture capture(0);
  EXPECT_FALSE(s.GetHostInitiatorInfo(initiator, kFcPort, true));
  EXPECT_EQ(std::to_string(s.errorCode) + " " + s.errorText,
            "3 2 initiators are listed for port WWN " + kFcPort);
  EXPECT_FALSE(s.GetHostIPPort(port, "10.20.30.41"));
  EXPECT_TRUE(capture.contains("Failed to Get Host ip port info"));
  EXPECT_EQ(std::to_string(s.errorCode) + " " + s.errorText,
            "3 2 host IP ports are listed for address 10.20.30.41");
  ASSERT_TRUE(s.GetHostId(hostId, "sql-prod-01"));
  EXPECT_EQ(hostId, "Host_2");  // the first of the name
}

TEST_F(HostOpsTest, LoggedInInitiators) {
  std::vector<std::string> initiators{"stale"};
  ASSERT_TRUE(session().GetLoggedInInitiators(initiators)) << session().errorText;
  EXPECT_THAT(initiators,
              ElementsAre(kFcPort, "21:00:00:25:B5:0A:00:02", "iqn.1994-05.com.redhat:proxy-02"));
  for (const char* path : {"HostInitiatorPath_1", "HostInitiatorPath_3", "HostInitiatorPath_4"})
    sim().model().update("hostInitiatorPath", path,
                         [](unitysim::Json& p) { p["isLoggedIn"] = false; });
  ASSERT_TRUE(session().GetLoggedInInitiators(initiators));
  EXPECT_TRUE(initiators.empty());
}

TEST_F(HostOpsTest, CreateOrReuseHost) {
  const struct {
    const char* name;
    std::string hostName;
    _UNITY_HOST_TYPE type;
    bool useOld;
    std::string osType;
    bool ok;
    std::string hostId;  // "new": a created host
    unsigned long long code;
    size_t lookups;
    size_t creations;
    std::string body;  // of the creation, when one was sent
  } rows[] = {
      {"ExistingReusedWhateverTheType", "backup-srv-01", UNITY_HOST_TYPE_NONE, true, "", true,
       "Host_1", 0, 1, 0, ""},
      {"NewCreatedAfterLookup", "media-02", UNITY_HOST_TYPE_MANUAL, true, "Linux", true, "new", 0,
       1, 1, R"({"name": "media-02", "osType": "Linux", "type": 1})"},
      {"NewWithoutOsType", "media-03", UNITY_HOST_TYPE_MANUAL, false, "", true, "new", 0, 0, 1,
       R"({"name": "media-03", "type": 1})"},
      {"TypeZeroRefused", "media-04", UNITY_HOST_TYPE_NONE, false, "Linux", false, "", 2, 0, 0, ""},
      {"NewNameTypeZeroRefusedAfterLookup", "media-05", UNITY_HOST_TYPE_NONE, true, "", false, "",
       2, 1, 0, ""},
      {"ExistingWithoutReuseIsArraysError", "backup-srv-01", UNITY_HOST_TYPE_MANUAL, false, "",
       false, "", 100666337, 0, 1, R"({"name": "backup-srv-01", "type": 1})"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    sim().journal().clear();
    std::string hostId;
    EXPECT_EQ(session().CreateHost(hostId, row.hostName, row.type, row.useOld, row.osType), row.ok);
    if (row.ok) {
      const std::string expected =
          row.hostId == "new"
              ? sim().model().findByName("host", row.hostName)->at("id").get<std::string>()
              : row.hostId;
      EXPECT_EQ(hostId, expected);
    } else {
      EXPECT_EQ(session().errorCode, row.code) << session().errorText;
    }
    const auto creations = requests("POST", "/api/types/host/instances");
    EXPECT_EQ(creations.size(), row.creations);
    EXPECT_EQ(creations.empty() ? "" : creations[0].body, row.body);
    EXPECT_EQ(requests("GET", "/api/types/host/instances").size(), row.lookups);
  }
}

TEST_F(HostOpsTest, InitiatorsAndIPPorts) {
  ManageEMCUnity& s = session();
  std::string initiatorId;
  ASSERT_TRUE(s.CreateHostInitiator(initiatorId, "Host_3", UNITY_HOSTINITIATOR_TYPE_ISCSI,
                                    "iqn.1994-05.com.redhat:nfs-client-01"))
      << s.errorText;
  EXPECT_EQ(sim().model().find("hostInitiator", initiatorId).value()["parentHost"]["id"], "Host_3");
  // An initiator the array registered on its own can only be moved under a host.
  EXPECT_FALSE(s.CreateHostInitiator(initiatorId, "Host_3", UNITY_HOSTINITIATOR_TYPE_ISCSI,
                                     "iqn.1994-05.com.redhat:proxy-02"));
  EXPECT_EQ(s.errorCode, kInitiatorExists);
  ASSERT_TRUE(s.ModifyHostInitiator("HostInitiator_5", "Host_3")) << s.errorText;
  EXPECT_EQ(requests("POST", "/api/instances/hostInitiator/").back().target,
            "/api/instances/hostInitiator/HostInitiator_5/action/modify?");
  _UnityHostInitiatorInfo info;
  ASSERT_TRUE(s.GetHostInitiatorInfo(info, "iqn.1994-05.com.redhat:proxy-02", false));
  EXPECT_EQ(info.parentHostId, "Host_3");
  // A host that does not exist: the array names it in its own text, which reaches the caller.
  EXPECT_FALSE(s.ModifyHostInitiator("HostInitiator_5", "Host_99"));
  EXPECT_EQ(std::to_string(s.errorCode) + " " + s.errorText,
            "131149864 Cannot find the specified host by id/name Host_99.  Please recheck if it "
            "exists. (Error Code:0x7d13028)");

  std::string portId;
  ASSERT_TRUE(s.CreateHostIPPort(portId, "Host_3", "10.20.30.44")) << s.errorText;
  EXPECT_EQ(sim().model().find("hostIPPort", portId).value()["address"], "10.20.30.44");
}

TEST_F(HostOpsTest, SafeDeleteLooksAtNfsRootAccess) {
  ManageEMCUnity& s = session();
  std::string exportId;
  ASSERT_TRUE(
      s.CreateNfsExport(exportId, kFileSnap, "nfs_hosts", UNITY_NFS_DEF_ACCESS_READ_ONLY, "/"))
      << s.errorText;
  sim().model().update("nfsShare", exportId, [](unitysim::Json& share) {
    share["rootAccessHosts"] = unitysim::Json::array({{{"id", "Host_3"}}});
  });
  DiagLogCapture capture(0);
  EXPECT_FALSE(s.DeleteHost("Host_3", true));
  EXPECT_EQ(s.errorCode, 100663573u);
  EXPECT_TRUE(capture.contains("Could not delete host, because it is in use",
                               "ManageEMCUnity::DeleteHost"));
  EXPECT_TRUE(requests("DELETE").empty());
  // Without the check the array itself keeps a host that a share still grants access.
  EXPECT_FALSE(s.DeleteHost("Host_3", false));
  EXPECT_EQ(requests("DELETE").at(0).target, "/api/instances/host/Host_3?");
  EXPECT_EQ(requests("GET", "/api/types/nfsShare/instances").size(), 1u);  // the safe one only

  // A failed export lookup fails the delete with the lookup's error.
  EXPECT_FALSE(s.DeleteHost("Host\"", true));
  EXPECT_EQ(s.errorCode, 2u);
  EXPECT_EQ(s.errorText, "Host id contains a double quote, which a filter cannot carry");
  EXPECT_TRUE(capture.contains("Failed to get nfs list for host id"));

  sim().model().update("nfsShare", exportId, [](unitysim::Json& share) {
    share["rootAccessHosts"] = unitysim::Json::array();
  });
  sim().journal().clear();
  ASSERT_TRUE(s.DeleteHost("Host_3", true)) << s.errorText;
  EXPECT_TRUE(capture.contains("Successfully Deleted the Host entry with id [Host_3]"));
  EXPECT_FALSE(s.DeleteHost("Host_3", false));
  EXPECT_EQ(s.errorCode, kNotFound);
}

}  // namespace
}  // namespace unitytest
