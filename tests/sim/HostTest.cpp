// The simulator's host checks that the library's integration tests do not reach.
#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Json;
using namespace unitysim::code;

class HostTest : public simtest::LoggedInTest {};

TEST_F(HostTest, CreationChecks) {
  const struct {
    const char* name;
    const char* target;
    const char* body;
    int status;
    unsigned long long errorCode;
  } rows[] = {
      {"HostNameOtherCase", "host", R"({"name": "BACKUP-SRV-01", "type": 1})", 409, kDuplicateName},
      {"InitiatorOfMissingHost", "hostInitiator",
       R"({"host": {"id": "Host_404"}, "initiatorType": 2, "initiatorWWNorIqn": "iqn.x"})", 422,
       kHostNotFound},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Reply r = client_.post(std::string("/api/types/") + row.target + "/instances", row.body);
    EXPECT_EQ(r.status, row.status) << r.body;
    EXPECT_EQ(r.errorCode(), row.errorCode);
  }
}

TEST_F(HostTest, FcInitiatorShowsItsWWNsAndOutlivesItsHost) {
  const Reply host = client_.post("/api/types/host/instances", R"({"name": "fc-01", "type": 1})");
  const std::string hostId = host.json()["content"]["id"];
  const Reply r = client_.post(
      "/api/types/hostInitiator/instances",
      R"({"host": {"id": ")" + hostId +
          R"("}, "initiatorType": 1, "initiatorWWNorIqn": "20:00:00:25:B5:0A:00:07:21:00:00:25:B5:0A:00:07"})");
  ASSERT_EQ(r.status, 201) << r.body;
  const std::string id = r.json()["content"]["id"];
  EXPECT_EQ(sim_.model().find("hostInitiator", id)->at("portWWN"), "21:00:00:25:B5:0A:00:07");
  EXPECT_EQ(client_.del("/api/instances/host/" + hostId).status, 204);
  EXPECT_FALSE(sim_.model().find("hostInitiator", id)->contains("parentHost"));
}

}  // namespace
