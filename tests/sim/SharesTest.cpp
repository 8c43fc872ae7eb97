// The simulator's checks on exports and shares, and what setACEs does to the access entries.
#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Json;
using namespace unitysim::code;

constexpr const char* kFileSnap = R"("snap": {"id": "38654705849"})";

class SharesTest : public simtest::LoggedInTest {
 protected:
  std::string create(const std::string& type, const std::string& name) {
    const Reply r =
        client_.post("/api/types/" + type + "/instances",
                     std::string("{") + kFileSnap + R"(, "path": "/", "name": ")" + name + "\"}");
    EXPECT_EQ(r.status, 201) << r.body;
    return r.json()["content"]["id"];
  }
};

TEST_F(SharesTest, RefusedRequests) {
  const std::string nfs = "/api/instances/nfsShare/" + create("nfsShare", "n1");
  const struct {
    const char* name;
    std::string target;
    std::string body;
    int status;
    unsigned long long code;
  } rows[] = {
      {"BlockSnapshot", "/api/types/nfsShare/instances",
       R"({"snap": {"id": "38654705846"}, "path": "/", "name": "b"})", 422, kInvalidArgument},
      {"UnknownHost", nfs + "/action/modify", R"({"rootAccessHosts": [{"id": "Host_99"}]})", 422,
       kHostNotFound},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Reply r = client_.post(row.target, row.body);
    EXPECT_EQ(r.status, row.status) << r.body;
    EXPECT_EQ(r.errorCode(), row.code);
  }
}

TEST_F(SharesTest, SetAcesSetsPerSidAndTypeAndNoneRemoves) {
  const std::string actions = "/api/instances/cifsShare/" + create("cifsShare", "c1") + "/action/";
  EXPECT_EQ(client_.post(actions + "getACEs").status, 204);
  const char* writes[] = {
      R"({"cifsShareACEs": [{"sid": "S-1", "accessType": 1, "accessLevel": 1},)"
      R"( {"sid": "S-2", "accessType": 0, "accessLevel": 4}]})",
      // S-1's grant changes level in place; S-1 gains a deny entry; S-2 is removed.
      R"({"cifsShareACEs": [{"sid": "S-1", "accessType": 1, "accessLevel": 2},)"
      R"( {"sid": "S-2", "accessType": 2, "accessLevel": 1},)"
      R"( {"sid": "S-1", "accessType": 0, "accessLevel": 4}]})",
  };
  for (const char* body : writes) ASSERT_EQ(client_.post(actions + "setACEs", body).status, 204);
  const Reply r = client_.post(actions + "getACEs");
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_EQ(r.json()["content"]["cifsShareACEs"],
            Json::parse(R"([{"sid": "S-1", "accessType": 1, "accessLevel": 2},)"
                        R"( {"sid": "S-1", "accessType": 0, "accessLevel": 4}])"));
  EXPECT_EQ(client_.post(actions + "setACEs", R"({"cifsShareACEs": [{"accessType": 1}]})").status,
            422);
}

}  // namespace
