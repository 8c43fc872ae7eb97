#include "sim/TlsServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

namespace {

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

struct CurlResult {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
};

CurlResult fetch(CURL* curl, const std::string& url) {
  CurlResult r;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
  r.code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
  return r;
}

// Verification succeeds with the server's own CA file only; a failed one is a connection without
// a handshake.
TEST(TlsServer, VerifiesThroughItsOwnCaFile) {
  unitysim::TlsServer server;
  server.http().Get("/ping", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("pong", "text/plain");
  });
  server.start();
  EXPECT_EQ(server.baseUrl(), "https://127.0.0.1:" + std::to_string(server.port()));
  CURL* curl = curl_easy_init();
  ASSERT_NE(curl, nullptr);
  unitysim::SelfSignedCertificate other;
  curl_easy_setopt(curl, CURLOPT_CAINFO, other.caFile().c_str());
  CurlResult r = fetch(curl, server.baseUrl() + "/ping");
  EXPECT_EQ(r.code, CURLE_PEER_FAILED_VERIFICATION) << curl_easy_strerror(r.code);
  EXPECT_EQ(server.handshakeCount(), 0);
  EXPECT_EQ(server.connectionCount(), 1);

  curl_easy_setopt(curl, CURLOPT_CAINFO, server.caFile().c_str());
  r = fetch(curl, server.baseUrl() + "/ping");
  curl_easy_cleanup(curl);
  ASSERT_EQ(r.code, CURLE_OK) << curl_easy_strerror(r.code);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "pong");
}

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
