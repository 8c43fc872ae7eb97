// The array's error envelope for each class of request the routing or a resource check refuses.
#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Json;
using namespace unitysim::code;

using RoutingTest = simtest::LoggedInTest;

struct MissCase {
  const char* name;
  const char* method;
  const char* target;
  const char* body;
  int status;
  unsigned long long errorCode;
};

class RoutingMissTest : public RoutingTest, public ::testing::WithParamInterface<MissCase> {};

TEST_P(RoutingMissTest, AnswersTheArrayError) {
  const auto& c = GetParam();
  const Reply r = client_.send(c.method, c.target, c.body, {});
  EXPECT_EQ(r.status, c.status) << r.body;
  const Json error = r.json()["error"];
  EXPECT_EQ(error["errorCode"], c.errorCode);
  EXPECT_EQ(error["httpStatusCode"], c.status);
  ASSERT_EQ(error["messages"].size(), 1u);
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, "(Error Code:0x%llx)", c.errorCode);
  const std::string text = error["messages"][0]["en-US"];
  EXPECT_EQ(text.substr(text.size() - std::strlen(suffix)), suffix);
  EXPECT_EQ(error["created"].get<std::string>().size(), 24u);  // 2024-05-01T12:00:00.000Z
}

INSTANTIATE_TEST_SUITE_P(
    Routes, RoutingMissTest,
    ::testing::Values(
        MissCase{"UnknownInstance", "GET", "/api/instances/snap/99999999999", "", 404, kNotFound},
        MissCase{"DeleteNotSupported", "DELETE", "/api/instances/system/0", "", 405, kNotSupported},
        MissCase{"UnknownField", "GET", "/api/types/snap/instances?fields=name,bogus", "", 422,
                 kNotOnPlatform},
        MissCase{"FilterSyntax", "GET", "/api/types/snap/instances?filter=name%20eq", "", 400,
                 kInvalidFilter},
        // The resources' own checks: 848 is a LUN snapshot of no replicated resource, 849 a file
        // snapshot, 846 a detached one.
        MissCase{"ReplicateWithoutSession", "POST",
                 "/api/instances/snap/38654705848/action/replicate", "{}", 422, kNotReplicated},
        MissCase{"AttachFileSnapshot", "POST", "/api/instances/snap/38654705849/action/attach", "",
                 422, kInvalidArgument},
        MissCase{"ModifyDetached", "POST", "/api/instances/snap/38654705846/action/modify",
                 R"({"hostAccess": []})", 409, kHostAccessNeedsAttach},
        MissCase{"ShareOfBlockSnapshot", "POST", "/api/types/nfsShare/instances",
                 R"({"snap": {"id": "38654705846"}, "path": "/", "name": "b"})", 422,
                 kInvalidArgument},
        MissCase{"HostNameOtherCase", "POST", "/api/types/host/instances",
                 R"({"name": "BACKUP-SRV-01", "type": 1})", 409, kDuplicateName}),
    [](const auto& row) { return std::string(row.param.name); });

// The list request as the library writes it for no ids: leading "&" and an empty filter.
TEST_F(RoutingTest, EmptyFilterAsTheLibraryWritesIt) {
  const Reply all = client_.get(
      "/api/types/snap/instances?&fields=attachedWWN,hostAccess,id,isModifiable,lun.id,name,"
      "storageResource.id&filter=");
  ASSERT_EQ(all.status, 200) << all.body;
  EXPECT_EQ(all.json()["entries"].size(), 7u);
}

}  // namespace
