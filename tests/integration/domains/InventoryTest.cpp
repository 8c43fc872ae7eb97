// Inventory listings against the simulator: records, requests, pages, filters, an empty array.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/ScaleSeed.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

using ::testing::ElementsAre;

const char kResources[] = "/api/types/storageResource/instances";
const char kLuns[] = "/api/types/lun/instances";
const char kFileSystems[] = "/api/types/filesystem/instances";
const char kHosts[] = "/api/types/host/instances";
const char kInitiators[] = "/api/types/hostInitiator/instances";
const char kIPPorts[] = "/api/types/hostIPPort/instances";

template <typename Record, typename Text>
std::vector<std::string> Texts(const std::vector<Record>& records, Text text) {
  std::vector<std::string> out;
  for (const Record& record : records) out.push_back(text(record));
  return out;
}

std::vector<std::string> Targets(const std::vector<unitysim::JournalEntry>& entries) {
  return Texts(entries, [](const unitysim::JournalEntry& e) { return e.target; });
}

class InventoryTest : public SimulatorTest {};

TEST_F(InventoryTest, StorageResourcesOfOneTypeCarryLunsAndHostAccess) {
  ManageEMCUnity& s = session();
  std::vector<_UnityStorageResource> resources(3);
  ASSERT_TRUE(s.ListStorageResources(resources, static_cast<_UNITY_STG_RES_TYPE>(2), ""))
      << s.errorText;
  ASSERT_EQ(resources.size(), 1u);
  const _UnityStorageResource& cg = resources.front();
  EXPECT_EQ(cg.id + "|" + cg.name + "|" + std::to_string(cg.type), "res_2|SQL_CG|2");
  EXPECT_THAT(cg.lunIds, ElementsAre("sv_3", "sv_4"));
  EXPECT_THAT(Texts(cg.hostAccess,
                    [](const _UnityHostAccess& a) {
                      return a.hostId + ":" + std::to_string(a.accessMask);
                    }),
              ElementsAre("Host_2:3", "Host_1:65535"));

  ASSERT_TRUE(s.ListStorageResources(resources, UNITY_STG_RES_TYPE_UNKNOWN, "Projects"));
  EXPECT_THAT(Texts(resources, [](const _UnityStorageResource& r) { return r.id; }),
              ElementsAre("res_14", "res_19"));
  ASSERT_TRUE(s.ListStorageResources(resources, UNITY_STG_RES_TYPE_UNKNOWN, ""));
  EXPECT_EQ(resources.size(), 15u);
  EXPECT_THAT(
      Targets(requests("GET", kResources)),
      ElementsAre(
          std::string(kResources) +
              "?&fields=blockHostAccess,id,luns,name,type&compact=true&filter=%28type%20eq%202%29",
          std::string(kResources) + "?&fields=blockHostAccess,id,luns,name,type"
                                    "&compact=true&filter=%28name%20eq%20%22Projects%22%29",
          std::string(kResources) + "?&fields=blockHostAccess,id,luns,name,type&compact=true"));
}

TEST_F(InventoryTest, LunsWithSixtyFourBitSizes) {
  ManageEMCUnity& s = session();
  std::vector<_UnityLunListEntry> luns;
  ASSERT_TRUE(s.ListLuns(luns, "")) << s.errorText;
  EXPECT_THAT(Texts(luns,
                    [](const _UnityLunListEntry& l) {
                      return l.id + "|" + l.name + "|" + l.storageResourceId + "|" +
                             std::to_string(l.sizeTotal) + "|" + std::to_string(l.sizeAllocated);
                    }),
              ElementsAre("sv_1|Oracle_Data|sv_1|1099511627776|429496729600",
                          "sv_2|Oracle_Logs|sv_2|214748364800|64424509440",
                          "sv_3|SQL_Data|res_2|429496729600|137438953472",
                          "sv_4|SQL_Log|res_2|214748364800|0"));  // no allocated size reported
  EXPECT_EQ(luns.front().wwn, "60:06:01:60:4A:B0:3F:00:5B:6E:A8:61:2C:0D:41:12");
  ASSERT_TRUE(s.ListLuns(luns, "SQL_Log"));
  EXPECT_EQ(luns.size(), 1u);
  EXPECT_EQ(requests("GET", kLuns).back().target,
            std::string(kLuns) +
                "?&fields=id,name,sizeAllocated,sizeTotal,storageResource.id,wwn"
                "&compact=true&filter=%28name%20eq%20%22SQL_Log%22%29");
}

TEST_F(InventoryTest, FileSystemsOfEveryNasServerOrOne) {
  ManageEMCUnity& s = session();
  std::vector<_UnityFSListEntry> fileSystems;
  ASSERT_TRUE(s.ListFileSystems(fileSystems, "", "")) << s.errorText;
  EXPECT_EQ(fileSystems.size(), 12u);
  const _UnityFSListEntry& first = fileSystems.front();
  EXPECT_EQ(first.fs.id + "|" + first.fs.name + "|" + first.nasServerId + "|" +
                first.nasServerName + "|" + first.fs.storageResource.id + "|" +
                first.fs.storageResource.name + "|" + std::to_string(first.fs.storageResource.type),
            "fs_1|FS_Home|nas_1|NAS_Prod|res_1|FS_Home|1");

  // One name on both NAS servers; then the same name on one of them.
  ASSERT_TRUE(s.ListFileSystems(fileSystems, "", "Projects"));
  EXPECT_THAT(Texts(fileSystems,
                    [](const _UnityFSListEntry& f) { return f.fs.id + "@" + f.nasServerName; }),
              ElementsAre("fs_5@NAS_Prod", "fs_10@NAS_Dev"));
  ASSERT_TRUE(s.ListFileSystems(fileSystems, "NAS_Dev", "Projects"));
  EXPECT_EQ(fileSystems.size(), 1u);
  EXPECT_EQ(requests("GET", kFileSystems).back().target,
            std::string(kFileSystems) +
                "?&fields=id,name,nasServer.id,nasServer.name,storageResource.id,"
                "storageResource.name,storageResource.type,supportedProtocols,type"
                "&compact=true&filter=%28name%20eq%20%22Projects%22%29%20AND%20"
                "%28nasServer.name%20eq%20%22NAS_Dev%22%29");
}

TEST_F(InventoryTest, HostsWithTheirInitiatorsAndPorts) {
  ManageEMCUnity& s = session();
  std::vector<_UnityHostListEntry> hosts;
  ASSERT_TRUE(s.ListHosts(hosts, "")) << s.errorText;
  // HostInitiator_5 belongs to no host and is left out.
  EXPECT_THAT(
      Texts(hosts,
            [](const _UnityHostListEntry& h) {
              std::string text =
                  h.id + "|" + h.name + "|" + std::to_string(h.type) + "|" + h.osType + "|";
              for (const _UnityHostInitiatorInfo& i : h.initiators)
                text += i.id + ":" + std::to_string(i.type) + ":" + i.initiatorId + " ";
              for (const _UnityHostIPPort& p : h.ipPorts) text += p.id + ":" + p.address + " ";
              return text;
            }),
      ElementsAre("Host_1|backup-srv-01|1|Linux|HostInitiator_1:1:20:00:00:25:B5:0A:00:01:21:00:"
                  "00:25:B5:0A:00:01 HostInitiator_2:2:iqn.1994-05.com.redhat:backup-srv-01 "
                  "HostNetworkAddress_1:10.20.30.41 ",
                  "Host_2|sql-prod-01|1|Windows Server 2019|HostInitiator_3:1:20:00:00:25:B5:0A:"
                  "00:02:21:00:00:25:B5:0A:00:02 HostInitiator_4:2:iqn.1991-05.com.microsoft:sql-"
                  "prod-01 ",
                  "Host_3|nfs-client-01|1|Linux|HostNetworkAddress_2:10.20.30.43 "));
  EXPECT_EQ(requests("GET", kInitiators).back().target,
            std::string(kInitiators) + "?&fields=id,initiatorId,parentHost.id,type&compact=true");

  // A name: initiators and ports are asked for the listed hosts only.
  ASSERT_TRUE(s.ListHosts(hosts, "sql-prod-01"));
  ASSERT_EQ(hosts.size(), 1u);
  EXPECT_EQ(hosts.front().initiators.size(), 2u);
  EXPECT_EQ(
      requests("GET", kHosts).back().target,
      std::string(kHosts) +
          "?&fields=id,name,osType,type&compact=true&filter=%28name%20eq%20%22sql-prod-01%22%29");
  EXPECT_EQ(requests("GET", kInitiators).back().target,
            std::string(kInitiators) +
                "?&fields=id,initiatorId,parentHost.id,type"
                "&compact=true&filter=%28parentHost.id%20eq%20%22Host_2%22%29");
  EXPECT_EQ(
      requests("GET", kIPPorts).back().target,
      std::string(kIPPorts) +
          "?&fields=address,host.id,id&compact=true&filter=%28host.id%20eq%20%22Host_2%22%29");

  // No host of the name: nothing else is asked.
  const size_t before = sim().journal().size();
  ASSERT_TRUE(s.ListHosts(hosts, "no-such-host"));
  EXPECT_TRUE(hosts.empty());
  EXPECT_EQ(sim().journal().size(), before + 1);
}

// A failed request after the first leaves no half-joined listing behind.
TEST_F(InventoryTest, FailedLaterRequestFailsTheListing) {
  ManageEMCUnity& s = session();
  sim().faults().add(
      unitysim::Fault::error(422, 100666000, "port query failed").on("GET", kIPPorts));
  std::vector<_UnityHostListEntry> hosts(2);
  EXPECT_FALSE(s.ListHosts(hosts, ""));
  EXPECT_TRUE(hosts.empty());
  EXPECT_EQ(std::to_string(s.errorCode) + " " + s.errorText,
            "100666000 port query failed (Error Code:0x6000a90)");
}

// Ten more of each kind on pages of four: every listing reads every page, in order.
TEST_F(InventoryTest, ListingsFollowEveryPage) {
  sim().setPageSize(4);
  unitysim::addScaleObjects(sim().model(), 10);
  ManageEMCUnity& s = session();
  std::vector<_UnityLunListEntry> luns;
  ASSERT_TRUE(s.ListLuns(luns, "")) << s.errorText;
  EXPECT_EQ(luns.size(), 14u);
  EXPECT_EQ(requests("GET", kLuns).size(), 4u);
  EXPECT_EQ(requests("GET", kLuns).back().target,
            std::string(kLuns) +
                "?fields=id,name,sizeAllocated,sizeTotal,storageResource.id,wwn&per_page=4&compact="
                "true&page=4");

  std::vector<_UnityStorageResource> resources;
  ASSERT_TRUE(s.ListStorageResources(resources, UNITY_STG_RES_TYPE_UNKNOWN, ""));
  EXPECT_EQ(resources.size(), 35u);
  std::vector<_UnityFSListEntry> fileSystems;
  ASSERT_TRUE(s.ListFileSystems(fileSystems, "", "")) << s.errorText;
  EXPECT_EQ(fileSystems.size(), 22u);
  std::vector<_UnityHostListEntry> hosts;
  ASSERT_TRUE(s.ListHosts(hosts, ""));
  ASSERT_EQ(hosts.size(), 13u);
  ASSERT_EQ(hosts.back().initiators.size(), 1u);
  EXPECT_EQ(hosts.back().initiators.front().initiatorId, "iqn.1994-05.com.redhat:scale-10");
  EXPECT_EQ(requests("GET", kInitiators).size(), 4u);  // 15 initiators
}

TEST_F(InventoryTest, EmptyArrayListsNothing) {
  sim().model().clear();
  ManageEMCUnity& s = session();
  std::vector<_UnityStorageResource> resources(1);
  std::vector<_UnityLunListEntry> luns(1);
  std::vector<_UnityFSListEntry> fileSystems(1);
  std::vector<_UnityHostListEntry> hosts(1);
  EXPECT_TRUE(s.ListStorageResources(resources, UNITY_STG_RES_TYPE_UNKNOWN, "") &&
              s.ListLuns(luns, "") && s.ListFileSystems(fileSystems, "", "") &&
              s.ListHosts(hosts, ""))
      << s.errorText;
  EXPECT_TRUE(resources.empty() && luns.empty() && fileSystems.empty() && hosts.empty());
  EXPECT_TRUE(requests("GET", kInitiators).empty());  // no host, so no initiator is asked for
}

}  // namespace
}  // namespace unitytest
