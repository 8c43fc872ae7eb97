#include "sim/TlsServer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

TEST(TlsServerLifetime, CertificateFileRemovedAndStopIdempotent) {
  std::string path;
  {
    unitysim::TlsServer server;
    path = server.caFile();
    server.start();
    EXPECT_GT(server.port(), 0);
    server.stop();
    server.stop();
    EXPECT_EQ(::access(path.c_str(), R_OK), 0);
  }
  EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

}  // namespace
