// Host operations against the simulator: results, error state and the requests on the wire.
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"
#include "unity/HostMessages.h"

namespace unitytest {
namespace {

class HostOpsTest : public SimulatorTest {};

TEST_F(HostOpsTest, IscsiNodesOfTheDefaultArray) {
  EMCUnityJsonGetIscsiNode message;
  message.Init(session().jobId, session().apiVersion);
  message.Initialize(session().fileServer);
  ASSERT_TRUE(session().ProcessWithServer("GetIscsiNode", &message, {})) << session().errorText;
  std::vector<_UnityIscsiNode> nodes;
  EXPECT_TRUE(message.GetIscsNodes(nodes));
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0].id, "iscsinode_spa_eth2");
  EXPECT_EQ(nodes[0].name, "iqn.1992-04.com.emc:cx.ckm00213300417.a0");
  EXPECT_EQ(requests("GET", "/api/types/iscsiNode/instances").at(0).target,
            "/api/types/iscsiNode/instances?&fields=id,name");
}

}  // namespace
}  // namespace unitytest
