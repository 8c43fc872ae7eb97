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

// One request per call, or several on one handle (to observe connection reuse).
CurlResult fetch(CURL* curl, const std::string& url) {
  CurlResult r;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
  r.code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
  return r;
}

class TlsServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.http().Get("/ping", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("pong", "text/plain");
    });
    server_.start();
    curl_ = curl_easy_init();
    ASSERT_NE(curl_, nullptr);
  }
  void TearDown() override { curl_easy_cleanup(curl_); }

  unitysim::TlsServer server_;
  CURL* curl_ = nullptr;
};

TEST_F(TlsServerTest, TrustedThroughItsCaFileWithVerificationOn) {
  curl_easy_setopt(curl_, CURLOPT_CAINFO, server_.caFile().c_str());
  const CurlResult r = fetch(curl_, server_.baseUrl() + "/ping");
  ASSERT_EQ(r.code, CURLE_OK) << curl_easy_strerror(r.code);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "pong");
  EXPECT_EQ(server_.baseUrl(), "https://127.0.0.1:" + std::to_string(server_.port()));
}

TEST_F(TlsServerTest, HostNameLocalhostIsCovered) {
  curl_easy_setopt(curl_, CURLOPT_CAINFO, server_.caFile().c_str());
  const std::string url = "https://localhost:" + std::to_string(server_.port()) + "/ping";
  const std::string resolve = "localhost:" + std::to_string(server_.port()) + ":127.0.0.1";
  curl_slist* hosts = curl_slist_append(nullptr, resolve.c_str());
  curl_easy_setopt(curl_, CURLOPT_RESOLVE, hosts);
  const CurlResult r = fetch(curl_, url);
  curl_slist_free_all(hosts);
  EXPECT_EQ(r.code, CURLE_OK) << curl_easy_strerror(r.code);
}

TEST_F(TlsServerTest, AnotherCertificateDoesNotVerify) {
  unitysim::SelfSignedCertificate other;
  curl_easy_setopt(curl_, CURLOPT_CAINFO, other.caFile().c_str());
  const CurlResult r = fetch(curl_, server_.baseUrl() + "/ping");
  EXPECT_EQ(r.code, CURLE_PEER_FAILED_VERIFICATION) << curl_easy_strerror(r.code);
  EXPECT_EQ(server_.handshakeCount(), 0);
  EXPECT_EQ(server_.connectionCount(), 1);
}

TEST_F(TlsServerTest, PinnedPublicKeyMatchesOnlyThisServer) {
  unitysim::SelfSignedCertificate other;
  EXPECT_NE(other.publicKeyPin(), server_.publicKeyPin());
  EXPECT_EQ(server_.publicKeyPin().rfind("sha256//", 0), 0u);
  EXPECT_EQ(server_.publicKeyPin().size(), 8u + 44u);

  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(curl_, CURLOPT_PINNEDPUBLICKEY, server_.publicKeyPin().c_str());
  EXPECT_EQ(fetch(curl_, server_.baseUrl() + "/ping").code, CURLE_OK);

  CURL* wrong = curl_easy_init();
  curl_easy_setopt(wrong, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(wrong, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(wrong, CURLOPT_PINNEDPUBLICKEY, other.publicKeyPin().c_str());
  EXPECT_EQ(fetch(wrong, server_.baseUrl() + "/ping").code, CURLE_SSL_PINNEDPUBKEYNOTMATCH);
  curl_easy_cleanup(wrong);
}

TEST_F(TlsServerTest, ReusedConnectionCountsOneHandshake) {
  curl_easy_setopt(curl_, CURLOPT_CAINFO, server_.caFile().c_str());
  for (int i = 0; i < 12; ++i) ASSERT_EQ(fetch(curl_, server_.baseUrl() + "/ping").code, CURLE_OK);
  EXPECT_EQ(server_.handshakeCount(), 1);

  CURL* second = curl_easy_init();
  curl_easy_setopt(second, CURLOPT_CAINFO, server_.caFile().c_str());
  EXPECT_EQ(fetch(second, server_.baseUrl() + "/ping").code, CURLE_OK);
  curl_easy_cleanup(second);
  EXPECT_EQ(server_.handshakeCount(), 2);
  EXPECT_EQ(server_.connectionCount(), 2);
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
