// The connect and stall time-outs end an operation, with a clear error state and the transport's
// reason in the log. Every peer is on 127.0.0.1.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

// A listening socket on 127.0.0.1 that never accepts; closed with the object.
class Listener {
 public:
  explicit Listener(int backlog) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    addr_.sin_family = AF_INET;
    addr_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr_;
    if (bind(fd_, address(), size) != 0 || listen(fd_, backlog) != 0 ||
        getsockname(fd_, address(), &size) != 0)
      addr_.sin_port = 0;
  }
  ~Listener() {
    if (filler_ >= 0) close(filler_);
    close(fd_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  std::string host() const { return "127.0.0.1:" + std::to_string(ntohs(addr_.sin_port)); }

  // Connects one client and waits until the kernel has queued it: with a backlog of 0 the queue
  // is then full, and the kernel drops every further connection attempt unanswered.
  bool fill() {
    filler_ = socket(AF_INET, SOCK_STREAM, 0);
    if (addr_.sin_port == 0 || connect(filler_, address(), sizeof addr_) != 0) return false;
    for (;;) {
      tcp_info info{};
      socklen_t size = sizeof info;
      if (getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return false;
      if (info.tcpi_unacked > info.tcpi_sacked) return true;  // queued > backlog: full
      sched_yield();
    }
  }

 private:
  sockaddr* address() { return reinterpret_cast<sockaddr*>(&addr_); }

  int fd_;
  int filler_ = -1;
  sockaddr_in addr_{};
};

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
