// The connect and stall time-outs end an operation, with a clear error state and the transport's
// reason in the log. Every peer is on 127.0.0.1.
#include <chrono>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "tests/support/LoopbackListener.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

enum class Peer { FullBacklog, Silent, StallingArray };

struct TimeoutCase {
  const char* name;
  Peer peer;
  const char* setting;  // the time-out under test, set to `bound` seconds
  int bound;
  const char* reason;  // part of libcurl's text for the time-out
};

class TimeoutTest : public SimulatorTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(TimeoutTest, EndsWithinTheBound) {
  const TimeoutCase& c = GetParam();
  ScopedSetting timeout(kUnitySettingsSection, c.setting, std::to_string(c.bound));
  Listener fullBacklog(0);
  Listener silent(8);  // completes TCP connections in the kernel, then says nothing
  std::string host = sim().host();
  if (c.peer == Peer::FullBacklog) {
    ASSERT_TRUE(fullBacklog.fill());
    host = fullBacklog.host();
  } else if (c.peer == Peer::Silent) {
    host = silent.host();
  } else {
    sim().faults().add(unitysim::Fault::stall().on("GET"));
  }
  std::unique_ptr<ManageEMCUnity> session = makeSession();
  session->SetFileServer(host);
  DiagLogCapture capture(-1);

  const auto start = std::chrono::steady_clock::now();
  _UnityBasicSystemInfo info;
  EXPECT_FALSE(session->GetBasicSystemInformation(info));
  const auto elapsed = std::chrono::steady_clock::now() - start;

  // The reason names the time-out; the time shows the setting ruled, not the 30 s (connect) or
  // 300 s (stall) default, with room for a machine too busy to keep a close bound.
  EXPECT_LT(elapsed, std::chrono::seconds(15));
  EXPECT_EQ(session->errorCode, 1u);
  EXPECT_EQ(session->errorText, "No response body");
  const std::string reason = session->transport->lastTransportError();
  EXPECT_THAT(reason, ::testing::HasSubstr(c.reason));
  EXPECT_TRUE(capture.contains("No answer from the array: " + reason));
}

INSTANTIATE_TEST_SUITE_P(
    Peers, TimeoutTest,
    ::testing::Values(
        TimeoutCase{"ConnectToAFullBacklog", Peer::FullBacklog, "UnityConnectTimeoutSec", 1,
                    "Timeout was reached"},
        // The TLS handshake belongs to the connection, so the connect time-out ends it.
        TimeoutCase{"SilentPeer", Peer::Silent, "UnityConnectTimeoutSec", 1,
                    "SSL connection timeout"},
        TimeoutCase{"StalledAnswer", Peer::StallingArray, "UnityStallTimeoutSec", 2, "too slow"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace unitytest
