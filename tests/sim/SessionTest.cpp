#include <gtest/gtest.h>

#include "SimClient.h"

namespace {

using simtest::Reply;
using simtest::RequestOptions;
using simtest::SimClient;

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { sim_.start(); }
  unitysim::Simulator sim_;
  SimClient client_{sim_};
};

TEST_F(SessionTest, SnapCreateBody) {
  ASSERT_EQ(client_.login().status, 200);
  const Reply r = client_.post(
      "/api/types/snap/instances?",
      R"({"filesystemAccessType": 1, "isAutoDelete": false, "name": "nightly", "storageResource": {"id": "sv_2"}})");
  EXPECT_EQ(r.status, 201) << r.body;
  for (const auto& e : sim_.journal().entries())
    std::cerr << e.method << " " << e.target << " [" << e.body << "]\n";
}

}  // namespace
