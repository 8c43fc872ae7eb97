#include "platform/HttpTransport.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <utility>

#include "platform/DiagLog.h"
#include "platform/PlatformSettings.h"
#include "sim/TlsServer.h"
#include "tests/support/LoopbackListener.h"

namespace {

struct Received {
  std::string method;
  std::string target;  // the request line's, as sent
  std::string body;
  httplib::Headers headers;  // names compare case-insensitively

  std::string header(const char* name) const {
    const auto it = headers.find(name);
    return it != headers.end() ? it->second : "";
  }
};

// A TLS server, trusted through UnityCAFile, that records the last request and answers a few paths.
class HttpTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    diaglog::setQuiet(true);
    auto echo = [this](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = {req.method, req.target, req.body, req.headers};
      }
      res.set_header("EMC-CSRF-TOKEN", "token-" + req.method);
      res.set_content(req.method + ":" + req.body, "text/plain");
    };
    auto& http = server_.http();
    http.Get("/echo", echo).Post("/echo", echo).Put("/echo", echo).Delete("/echo", echo);
    http.Get("/target.*", echo);
    http.Get("/login", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "mod_sec_emc=value1; Path=/; Secure; HttpOnly");
    });
    auto redirect = [](const httplib::Request&, httplib::Response& res) {
      res.set_header("X-Stage", "first");
      res.set_redirect("/echo", 302);
    };
    http.Get("/moved", redirect).Post("/moved", redirect);
    http.Get("/big", [](const httplib::Request& req, httplib::Response& res) {
      if (!req.has_param("chunked"))
        return res.set_content(std::string(2 << 20, 'x'), "text/plain");
      res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
        const std::string chunk(64 << 10, 'x');  // 2 MiB in all
        return offset < (2u << 20) ? sink.write(chunk.data(), chunk.size()) : (sink.done(), true);
      });
    });
    server_.start();
    PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, server_.caFile());
    ASSERT_TRUE(transport_.init("Content-Type: application/json", true, true, nullptr));
  }

  void TearDown() override {
    transport_.deinit();
    PlatformSettings::clearOverrides();
    diaglog::setQuiet(false);
  }

  std::string url(const std::string& path) const { return server_.baseUrl() + path; }

  std::string body() {
    size_t length = 0;
    const char* text = transport_.getResponseBody(length, false);
    return text != nullptr ? std::string(text, length) : "<null>";
  }

  Received last() {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
  }

  unitysim::TlsServer server_;
  HttpTransport transport_;
  std::mutex mutex_;
  Received last_;
};

// The forms the library's own requests do not show on the wire.
TEST_F(HttpTransportTest, MethodsCarryTheirBodies) {
  struct Row {
    const char* name;
    int method;
    const char* body;
    const char* wireMethod;
    const char* wireBody;
    const char* contentLength;
  } rows[] = {
      {"GET ignores a body", HTTP_METHOD_GET, "ignored", "GET", "", ""},
      {"POST without body", HTTP_METHOD_POST, nullptr, "POST", "", "0"},
      {"PUT", HTTP_METHOD_PUT, "{}", "PUT", "{}", "2"},
      {"DELETE with body", HTTP_METHOD_DELETE, R"({"force":true})", "DELETE", R"({"force":true})",
       "14"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const size_t length = row.body != nullptr ? std::string(row.body).size() : 0;
    ASSERT_TRUE(transport_.sendRequest(row.method, url("/echo"), row.body, length, false, nullptr));
    const Received got = last();
    EXPECT_EQ(got.method, row.wireMethod);
    EXPECT_EQ(got.body, row.wireBody);
    EXPECT_EQ(got.header("Content-Length"), row.contentLength);
    EXPECT_EQ(got.header("Content-Type"), "application/json");
    EXPECT_EQ(body(), std::string(row.wireMethod) + ":" + row.wireBody);
  }
  EXPECT_FALSE(transport_.sendRequest(7, url("/echo"), nullptr, 0, false, nullptr));
}

TEST_F(HttpTransportTest, HeadersOfTheFinalAnswerAsWholeLines) {
  ASSERT_TRUE(transport_.sendRequest(HTTP_METHOD_GET, url("/echo"), nullptr, 0, false, nullptr));
  ASSERT_NE(transport_.getResponseHeader("emc-csrf-token"), nullptr);
  EXPECT_STREQ(transport_.getResponseHeader("emc-csrf-token"), "EMC-CSRF-TOKEN: token-GET\r\n");
  EXPECT_EQ(transport_.getResponseHeader("EMC-CSRF"), nullptr) << "prefix of a name";
  EXPECT_EQ(transport_.getResponseHeader("X-Stage"), nullptr);

  // Redirects, with POST kept a POST, and only the final answer's headers kept.
  ASSERT_TRUE(transport_.setFollowRedirects(true));
  ASSERT_TRUE(transport_.sendRequest(HTTP_METHOD_POST, url("/moved"), "{}", 2, false, nullptr));
  EXPECT_EQ(body(), "POST:{}");
  EXPECT_EQ(transport_.getResponseHeader("X-Stage"), nullptr);
  EXPECT_STREQ(transport_.getResponseHeader("EMC-CSRF-TOKEN"), "EMC-CSRF-TOKEN: token-POST\r\n");
  // A GET whose target is handed to libcurl as it stands follows the redirect too.
  ASSERT_TRUE(
      transport_.sendRequest(HTTP_METHOD_GET, url("/moved?q=1"), nullptr, 0, false, nullptr));
  EXPECT_EQ(body(), "GET:");
  EXPECT_EQ(last().target, "/echo");
  EXPECT_EQ(transport_.getResponseHeader("X-Stage"), nullptr);

  ASSERT_TRUE(transport_.setFollowRedirects(false));
  EXPECT_FALSE(
      transport_.sendRequest(HTTP_METHOD_GET, url("/moved?q=1"), nullptr, 0, false, nullptr));
  EXPECT_EQ(transport_.lastHttpStatus(), 302);
  EXPECT_STREQ(transport_.getResponseHeader("x-stage"), "X-Stage: first\r\n");
}

TEST_F(HttpTransportTest, CookiesAndCredentialsOutliveTheHeaderList) {
  const std::string cookieFile = ::testing::TempDir() + "/EMCUnityCookie_transport_test";
  ASSERT_TRUE(transport_.appendHeader(HEADER_CREDENTIALS, "admin:pa:ss"));
  ASSERT_TRUE(transport_.appendHeader(HEADER_KIND_3, ""));
  ASSERT_TRUE(transport_.appendHeader(HEADER_COOKIE_FILE, cookieFile));
  EXPECT_FALSE(transport_.appendHeader(HEADER_LINE, "X-A: 1\r\nX-B: 2"));
  EXPECT_FALSE(transport_.appendHeader(static_cast<HeaderKind>(2), "x"));
  ASSERT_TRUE(transport_.appendHeader(HEADER_LINE, "X-EMC-REST-CLIENT: true"));
  ASSERT_TRUE(transport_.sendRequest(HTTP_METHOD_GET, url("/login"), nullptr, 0, false, nullptr));

  transport_.freeHeaderList();
  ASSERT_TRUE(
      transport_.sendRequest(HTTP_METHOD_GET, url("/echo?q=1"), nullptr, 0, false, nullptr));
  const Received got = last();
  EXPECT_EQ(got.headers.count("X-EMC-REST-CLIENT"), 0u);
  // base64("admin:pa:ss"): the user name ends at the first ':'.
  EXPECT_EQ(got.header("Authorization"), "Basic YWRtaW46cGE6c3M=");
  EXPECT_EQ(got.header("Cookie"), "mod_sec_emc=value1");
  EXPECT_EQ(transport_.cookieFile(), cookieFile);
  EXPECT_NE(access(cookieFile.c_str(), F_OK), 0) << "nothing is written to the cookie file";

  // A new transport starts without the old one's cookies or credentials.
  transport_.deinit();
  ASSERT_TRUE(transport_.init(nullptr, true, true, nullptr));
  ASSERT_TRUE(transport_.sendRequest(HTTP_METHOD_GET, url("/echo"), nullptr, 0, false, nullptr));
  EXPECT_EQ(last().headers.count("Cookie"), 0u);
  EXPECT_EQ(last().headers.count("Authorization"), 0u);
}

// Plain targets are handed to libcurl as they stand; whichever way a URL takes, the request line
// must be the one libcurl makes of the whole URL (none when libcurl refuses the URL).
TEST_F(HttpTransportTest, RequestTargetsAsLibcurlSendsThem) {
  auto received = [this] {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(last_, Received()).target;
  };
  auto plainCurl = [this](const std::string& whole) {
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, whole.c_str());
    curl_easy_setopt(curl, CURLOPT_CAINFO, server_.caFile().c_str());
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t n, void*) { return size * n; });
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
  };
  const char* const paths[] = {
      "/target/api/types/snap/instances?fields=id,name&filter=id%20eq%20%2238654705664%22",
      "/target/x?a=%22q%22&b=~!$'()*+,;=:@/?",
      "/target/a/../b/./x?q=1",  // dot segments
      "/target/.hidden?q=1",
      "/target//x?q=1",
      "/target/x?q=1#fragment",
      "/target/x?",
      "/target/x",
      "/target/caf\xc3\xa9?q=\xc3\xa9",
      "/target/x?q=a b",
      "/target/x y?q=1",
  };
  ASSERT_TRUE(transport_.setFollowRedirects(true));  // as sessions have it
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    received();
    plainCurl(url(path));
    const std::string expected = received();
    transport_.sendRequest(HTTP_METHOD_GET, url(path), nullptr, 0, false, nullptr);
    EXPECT_EQ(received(), expected);
  }
}

TEST_F(HttpTransportTest, CertificateVerification) {
  unitysim::SelfSignedCertificate stranger;
  struct Row {
    const char* name;
    std::string caFile;
    std::string pin;
    const char* insecure;
    bool ok;
  } rows[] = {
      {"system CAs do not know the server", "", "", "", false},
      {"another certificate as CA", stranger.caFile(), "", "", false},
      {"wrong pinned key", server_.caFile(), stranger.publicKeyPin(), "", false},
      {"right pinned key", server_.caFile(), server_.publicKeyPin(), "", true},
      {"insecure without CA", "", "", "1", true},
      {"insecure must be exactly 1", "", "", "yes", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PlatformSettings::clearOverrides();
    if (!row.caFile.empty())
      PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, row.caFile);
    if (!row.pin.empty())
      PlatformSettings::setOverride(kUnitySettingsSection, "UnityPinnedPublicKey", row.pin);
    if (*row.insecure)
      PlatformSettings::setOverride(kUnitySettingsSection, kInsecureSetting, row.insecure);
    DiagLogCapture capture(-1);
    HttpTransport transport;
    ASSERT_TRUE(transport.init("Content-Type: application/json", true, true, nullptr));
    EXPECT_EQ(capture.contains("certificate verification is off"),
              std::string(row.insecure) == "1");
    EXPECT_EQ(transport.sendRequest(HTTP_METHOD_GET, url("/echo"), nullptr, 0, false, nullptr),
              row.ok);
    EXPECT_EQ(transport.lastHttpStatus(), row.ok ? 200 : 0);
    EXPECT_EQ(transport.lastTransportError().empty(), row.ok) << transport.lastTransportError();
  }
}

TEST_F(HttpTransportTest, AnswerSizeIsCapped) {
  PlatformSettings::setOverride(kUnitySettingsSection, "UnityMaxAnswerMB", "1");
  ASSERT_TRUE(transport_.init("Content-Type: application/json", true, true, nullptr));
  for (const char* path : {"/big", "/big?chunked=1"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(transport_.sendRequest(HTTP_METHOD_GET, url(path), nullptr, 0, false, nullptr));
    EXPECT_NE(transport_.lastTransportError().find("larger than"), std::string::npos);
  }
  PlatformSettings::removeOverride(kUnitySettingsSection, "UnityMaxAnswerMB");
  ASSERT_TRUE(transport_.init("Content-Type: application/json", true, true, nullptr));
  ASSERT_TRUE(transport_.sendRequest(HTTP_METHOD_GET, url("/big"), nullptr, 0, false, nullptr));
  EXPECT_EQ(body().size(), 2u * 1024 * 1024);
}

TEST(HttpTransportLifecycle, RefusedConnectionAndCallsOutsideInit) {
  diaglog::setQuiet(true);
  HttpTransport transport;
  transport.deinit();  // before any init
  EXPECT_FALSE(
      transport.sendRequest(HTTP_METHOD_GET, "https://127.0.0.1/", nullptr, 0, false, nullptr));
  EXPECT_FALSE(transport.setFollowRedirects(true));
  EXPECT_FALSE(transport.init("X: 1\r\nY: 2", true, true, nullptr));

  const unitytest::Listener refusing(-1);
  const std::string target = "https://" + refusing.host() + "/";

  ASSERT_TRUE(transport.init("Content-Type: application/json", true, true, nullptr));
  EXPECT_FALSE(transport.sendRequest(HTTP_METHOD_GET, target, nullptr, 0, false, nullptr));
  size_t length = 0;
  EXPECT_EQ(transport.getResponseBody(length, false), nullptr);
  EXPECT_FALSE(transport.lastTransportError().empty());
  transport.deinit();
  diaglog::setQuiet(false);
}

}  // namespace
