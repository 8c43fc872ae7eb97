#include "platform/HttpTransport.h"

#include <curl/curl.h>
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/DiagLog.h"
#include "platform/PlatformSettings.h"

namespace {

const char kTag[] = "HttpTransport";
constexpr int kDefaultConnectTimeoutSec = 30;
constexpr int kDefaultStallTimeoutSec = 300;
constexpr long kMaxRedirects = 10;
// The headers of one answer; a peer sending more is not an array.
constexpr size_t kMaxHeaderBytes = 1024 * 1024;
const char kOutcomeUnknown[] =
    "the connection closed before an answer came; the request was not sent again, so whether "
    "the array carried it out is unknown";

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool hasLineBreak(const std::string& text) {
  return text.find('\r') != std::string::npos || text.find('\n') != std::string::npos;
}

// Where the request target (path and query) of `url` starts, when libcurl would send it exactly as
// written; npos otherwise. libcurl parses a URL and assembles the request line again through its
// own printf, a character at a time: for the long filter queries of a listing that is over half of
// the client's instructions per request. Such a URL's target is handed over as it stands instead
// (CURLOPT_REQUEST_TARGET), with the query kept out of the URL libcurl parses. Only plain https
// targets qualify: printable ASCII without spaces or '#', a non-empty query and a path without dot
// segments, which libcurl would send unchanged; anything else takes libcurl's own way. (Plain http
// may go through a proxy, which wants the whole URL on the request line.)
size_t verbatimTarget(const std::string& url) {
  static const char scheme[] = "https://";
  if (url.compare(0, sizeof scheme - 1, scheme) != 0) return std::string::npos;
  const size_t path = url.find_first_of("/?#", sizeof scheme - 1);
  const size_t query = url.find('?');
  if (path == std::string::npos || url[path] != '/' || query == std::string::npos ||
      query + 1 == url.size())
    return std::string::npos;
  for (size_t i = path; i < url.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(url[i]);
    if (c <= ' ' || c >= 0x7f || c == '#') return std::string::npos;
    if (i < query && c == '/' && url[i + 1] == '.') return std::string::npos;
  }
  return path;
}

std::string readSettingString(const char* key) {
  char buffer[4096] = {};
  PlatformSettings settings;
  if (!settings.readString(kUnitySettingsSection, key, buffer, sizeof buffer)) return {};
  return buffer;
}

int readSettingInt(const char* key, int fallback, int minimum) {
  int value = 0;
  PlatformSettings settings;
  if (!settings.readInt(kUnitySettingsSection, key, &value)) return fallback;
  if (value < minimum) {
    DiagLog log;
    log.logLevelNoJob(kTag, 1, "%s = %d is below %d; using %d", key, value, minimum, fallback);
    return fallback;
  }
  return value;
}

const char* methodName(int method) {
  switch (method) {
    case HTTP_METHOD_GET:
      return "GET";
    case HTTP_METHOD_POST:
      return "POST";
    case HTTP_METHOD_PUT:
      return "PUT";
    case HTTP_METHOD_DELETE:
      return "DELETE";
    default:
      return nullptr;
  }
}

// Frees a request's header list when the request ends, however it ends.
struct SlistGuard {
  curl_slist* list = nullptr;
  ~SlistGuard() { curl_slist_free_all(list); }
};

}  // namespace

struct HttpTransport::Impl {
  CURL* curl = nullptr;
  std::string defaultHeader;
  std::vector<std::string> headerLines;  // kind 0, until freeHeaderList

  // Standing settings, until deinit.
  bool haveCredentials = false;
  std::string user;
  std::string password;
  std::string cookieFile;  // remembered only: cookies stay in libcurl's memory
  bool followRedirects = false;
  std::string urlWithoutQuery;  // the URL libcurl parses when the target is handed over

  // The last exchange.
  std::string body;
  std::vector<std::string> responseHeaders;  // lines of the final answer, as received
  size_t headerBytes = 0;
  bool answered = false;
  long status = 0;
  bool bodyTooLarge = false;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  std::string lastError;

  // Sends of the current request. libcurl sends a request again, on a new connection, when a
  // reused connection closes before any byte of the answer; for a request that changes the
  // array the first send may already have done its work, so such a request is sent once only.
  bool sendOnce = false;
  int sends = 0;
  bool answerStarted = false;  // a byte of an answer arrived since the last send
  bool resendRefused = false;

  size_t responseLimit = HttpTransport::kDefaultResponseLimit;
  std::string defaultCaInfo;  // libcurl's built-in CA bundle path, restored when none is set

  void resetExchange() {
    body.clear();
    responseHeaders.clear();
    headerBytes = 0;
    answered = false;
    status = 0;
    bodyTooLarge = false;
    errorBuffer[0] = '\0';
    lastError.clear();
    sends = 0;
    answerStarted = false;
    resendRefused = false;
  }

  void forgetCredentials() {
    if (!password.empty()) explicit_bzero(&password[0], password.size());
    password.clear();
    user.clear();
    haveCredentials = false;
  }

  static size_t onBody(char* data, size_t size, size_t count, void* userData) {
    auto* self = static_cast<Impl*>(userData);
    const size_t n = size * count;
    if (n > self->responseLimit - self->body.size()) {
      self->bodyTooLarge = true;
      return 0;  // libcurl ends the transfer with CURLE_WRITE_ERROR
    }
    if (self->body.empty()) {
      // Sized once from the announced length, so a large body is not reallocated as it grows.
      curl_off_t announced = -1;
      if (curl_easy_getinfo(self->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) ==
              CURLE_OK &&
          announced > 0 && static_cast<size_t>(announced) <= self->responseLimit) {
        self->body.reserve(static_cast<size_t>(announced));
      }
    }
    self->body.append(data, n);
    return n;
  }

  // Called once per header line, status lines and the blank line that ends each answer
  // included. A status line starts a new answer (after a redirect or an interim 1xx answer), so
  // only the final answer's lines remain.
  static size_t onHeader(char* data, size_t size, size_t count, void* userData) {
    auto* self = static_cast<Impl*>(userData);
    const size_t n = size * count;
    self->answerStarted = true;
    if (n >= 5 && std::strncmp(data, "HTTP/", 5) == 0) {
      self->responseHeaders.clear();
      self->headerBytes = 0;
    }
    self->headerBytes += n;
    if (self->headerBytes > kMaxHeaderBytes) return 0;
    self->responseHeaders.emplace_back(data, n);
    return n;
  }

  // Called by libcurl before every send of a transfer, redirects and its own resends included. A
  // send that follows an answer is a redirect; one that follows no answer at all is a resend.
  static int onPrereq(void* userData, char*, char*, int, int) {
    auto* self = static_cast<Impl*>(userData);
    if (self->sends > 0 && !self->answerStarted && self->sendOnce) {
      self->resendRefused = true;
      return CURL_PREREQFUNC_ABORT;
    }
    ++self->sends;
    self->answerStarted = false;
    return CURL_PREREQFUNC_OK;
  }

  bool applySettings() {
    const std::string caFile = readSettingString(kCAFileSetting);
    const std::string pinnedKey = readSettingString("UnityPinnedPublicKey");
    int insecure = 0;
    PlatformSettings settings;
    const bool insecureSet =
        settings.readInt(kUnitySettingsSection, kInsecureSetting, &insecure) && insecure == 1;
    const int connectTimeout =
        readSettingInt("UnityConnectTimeoutSec", kDefaultConnectTimeoutSec, 1);
    const int stallTimeout = readSettingInt("UnityStallTimeoutSec", kDefaultStallTimeoutSec, 1);
    const int maxAnswerMB = readSettingInt(
        "UnityMaxAnswerMB", static_cast<int>(HttpTransport::kDefaultResponseLimit >> 20), 1);
    responseLimit = static_cast<size_t>(maxAnswerMB) << 20;

    DiagLog log;
    CURLcode rc = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
      if (rc == CURLE_OK) rc = curl_easy_setopt(curl, option, value);
    };
    // libcurl copies string options, so the local strings may go. Without a CA file of its own
    // the handle keeps libcurl's built-in bundle (the system's trust store).
    const std::string& bundle = caFile.empty() ? defaultCaInfo : caFile;
    set(CURLOPT_CAINFO, bundle.empty() ? nullptr : bundle.c_str());
    set(CURLOPT_PINNEDPUBLICKEY, pinnedKey.empty() ? nullptr : pinnedKey.c_str());
    set(CURLOPT_SSL_VERIFYPEER, insecureSet ? 0L : 1L);
    set(CURLOPT_SSL_VERIFYHOST, insecureSet ? 0L : 2L);
    set(CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout));
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallTimeout));
    if (rc != CURLE_OK) {
      log.logLevelNoJob(kTag, -1, "Cannot apply the TLS and time-out settings: %s",
                        curl_easy_strerror(rc));
      return false;
    }
    if (insecureSet) {
      log.logLevelNoJob(kTag, -1,
                        "Warning: certificate verification is off (UnityInsecure = 1); the array's "
                        "identity is not checked");
    }
    log.logLevelNoJob(kTag, 3,
                      "Transport settings: CA file [%s], pinned key [%s], connect time-out %d s, "
                      "stall time-out %d s",
                      caFile.empty() ? "system default" : caFile.c_str(),
                      pinnedKey.empty() ? "none" : pinnedKey.c_str(), connectTimeout, stallTimeout);
    return true;
  }

  bool createHandle() {
    curl = curl_easy_init();
    if (curl == nullptr) return false;
    // Product and libcurl version only: curl_version() lists every feature (over 200 bytes on
    // every request).
    static const std::string userAgent =
        std::string("ManageEMCUnity/1.0 libcurl/") + curl_version_info(CURLVERSION_NOW)->version;
    CURLcode rc = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
      if (rc == CURLE_OK) rc = curl_easy_setopt(curl, option, value);
    };
    set(CURLOPT_NOSIGNAL, 1L);  // signals would reach the host's threads
    set(CURLOPT_ERRORBUFFER, errorBuffer);
    set(CURLOPT_WRITEFUNCTION, &Impl::onBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_HEADERFUNCTION, &Impl::onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_PREREQFUNCTION, &Impl::onPrereq);
    set(CURLOPT_PREREQDATA, this);
    set(CURLOPT_USERAGENT, userAgent.c_str());
    set(CURLOPT_COOKIEFILE, "");  // in-memory cookie engine, for the handle's lifetime
    set(CURLOPT_PROTOCOLS_STR, "https,http");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "https");  // a redirect never downgrades to clear text
    set(CURLOPT_MAXREDIRS, kMaxRedirects);
    set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    set(CURLOPT_TCP_KEEPALIVE, 1L);
    char* builtInBundle = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CAINFO, &builtInBundle) == CURLE_OK &&
        builtInBundle != nullptr)
      defaultCaInfo = builtInBundle;
    if (rc != CURLE_OK) {
      DiagLog log;
      log.logLevelNoJob(kTag, -1, "Cannot set up the HTTP handle: %s", curl_easy_strerror(rc));
      curl_easy_cleanup(curl);
      curl = nullptr;
      return false;
    }
    return true;
  }

  // Per-request options; every request sets all of them, so nothing leaks from the one before.
  bool prepare(int method, const std::string& url, const char* requestBody, size_t bodyLength,
               size_t target, SlistGuard& headers) {
    static const char empty[] = "";
    const char* payload = requestBody != nullptr ? requestBody : empty;
    if (requestBody == nullptr) bodyLength = 0;
    const bool sendBody = method == HTTP_METHOD_POST || method == HTTP_METHOD_PUT ||
                          (method == HTTP_METHOD_DELETE && bodyLength > 0);

    // Expect: 100-continue would stall larger bodies on servers that do not answer it.
    std::vector<const std::string*> lines;
    static const std::string noExpect = "Expect:";
    if (!defaultHeader.empty()) lines.push_back(&defaultHeader);
    lines.push_back(&noExpect);
    for (const std::string& line : headerLines) lines.push_back(&line);
    for (const std::string* line : lines) {
      curl_slist* grown = curl_slist_append(headers.list, line->c_str());
      if (grown == nullptr) return false;
      headers.list = grown;
    }

    CURLcode rc = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
      if (rc == CURLE_OK) rc = curl_easy_setopt(curl, option, value);
    };
    if (target != std::string::npos) {
      // The path stays in the URL: cookies are matched against it. libcurl would send the same
      // target again after a redirect, so this transfer stops at one (see sendRequest).
      urlWithoutQuery.assign(url, 0, url.find('?'));
      set(CURLOPT_URL, urlWithoutQuery.c_str());
      set(CURLOPT_REQUEST_TARGET, url.c_str() + target);
      set(CURLOPT_FOLLOWLOCATION, 0L);
    } else {
      set(CURLOPT_URL, url.c_str());
      set(CURLOPT_REQUEST_TARGET, static_cast<const char*>(nullptr));
      set(CURLOPT_FOLLOWLOCATION, followRedirects ? 1L : 0L);
    }
    set(CURLOPT_HTTPHEADER, headers.list);
    if (haveCredentials) {
      set(CURLOPT_USERNAME, user.c_str());
      set(CURLOPT_PASSWORD, password.c_str());
    } else {
      set(CURLOPT_USERNAME, static_cast<const char*>(nullptr));
      set(CURLOPT_PASSWORD, static_cast<const char*>(nullptr));
    }
    if (sendBody) {
      // POSTFIELDS is not copied: the caller's body outlives the synchronous transfer.
      set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyLength));
      set(CURLOPT_POSTFIELDS, payload);
    } else {
      set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(-1));
      set(CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr));
      set(CURLOPT_HTTPGET, 1L);  // after POSTFIELDS, which switches the handle to POST
    }
    const bool custom = method == HTTP_METHOD_PUT || method == HTTP_METHOD_DELETE;
    set(CURLOPT_CUSTOMREQUEST, custom ? methodName(method) : nullptr);
    const size_t announcedLimit = std::min<size_t>(responseLimit, static_cast<size_t>(INT64_MAX));
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(announcedLimit));
    if (rc != CURLE_OK) {
      lastError = curl_easy_strerror(rc);
      return false;
    }
    return true;
  }
};

HttpTransport::HttpTransport() : impl_(new Impl) {}

HttpTransport::~HttpTransport() {
  deinit();
}

bool HttpTransport::init(const char* defaultHeader, bool, bool, WriteCallback) {
  globalInit();
  const std::string header = defaultHeader != nullptr ? defaultHeader : "";
  if (hasLineBreak(header)) return false;
  if (impl_->curl == nullptr && !impl_->createHandle()) return false;
  impl_->defaultHeader = header;
  return impl_->applySettings();
}

void HttpTransport::deinit() {
  if (impl_->curl != nullptr) {
    curl_easy_cleanup(impl_->curl);
    impl_->curl = nullptr;
  }
  impl_->followRedirects = false;  // a new handle does not follow them
  impl_->forgetCredentials();
  impl_->cookieFile.clear();
  impl_->defaultHeader.clear();
  impl_->headerLines.clear();
  impl_->resetExchange();
}

bool HttpTransport::appendHeader(HeaderKind kind, const std::string& text) {
  switch (kind) {
    case HEADER_LINE:
      // A line break would let the text smuggle further headers or a second request.
      if (text.empty() || hasLineBreak(text) || text.find('\0') != std::string::npos) return false;
      impl_->headerLines.push_back(text);
      return true;
    case HEADER_CREDENTIALS: {
      // HTTP Basic cannot carry a ':' in the user name, so the first one separates.
      const size_t colon = text.find(':');
      impl_->forgetCredentials();
      impl_->user = text.substr(0, colon);
      if (colon != std::string::npos) impl_->password = text.substr(colon + 1);
      impl_->haveCredentials = true;
      return true;
    }
    case HEADER_KIND_3:
      return true;
    case HEADER_COOKIE_FILE:
      impl_->cookieFile = text;
      return true;
  }
  return false;
}

void HttpTransport::freeHeaderList() {
  impl_->headerLines.clear();
}

bool HttpTransport::sendRequest(int method, const std::string& url, const char* body,
                                size_t bodyLength, bool repeatable, const char*) {
  Impl& d = *impl_;
  d.resetExchange();
  DiagLog log;
  if (d.curl == nullptr) {
    d.lastError = "transport not initialised";
  } else if (methodName(method) == nullptr) {
    d.lastError = "unknown method " + std::to_string(method);
  } else if (url.empty() || hasLineBreak(url) || url.find('\0') != std::string::npos) {
    d.lastError = "invalid URL";
  }
  if (!d.lastError.empty()) {
    log.logLevelNoJob(kTag, 3, "Request not sent: %s", d.lastError.c_str());
    return false;
  }

  // A GET with a plain target hands it to libcurl as it stands (verbatimTarget). Should the answer
  // be a redirect the session follows, the GET, which changes nothing, goes once more the ordinary
  // way, and libcurl follows the redirect as it always does.
  size_t target = method == HTTP_METHOD_GET ? verbatimTarget(url) : std::string::npos;
  CURLcode rc = CURLE_OK;
  for (;;) {
    SlistGuard headers;
    if (!d.prepare(method, url, body, bodyLength, target, headers)) {
      if (d.lastError.empty()) d.lastError = "out of memory";
      log.logLevelNoJob(kTag, 3, "Request not sent: %s", d.lastError.c_str());
      return false;
    }
    d.sendOnce = !repeatable && method != HTTP_METHOD_GET && method != HTTP_METHOD_DELETE;
    rc = curl_easy_perform(d.curl);
    // The list dies with this pass; the handle must not keep pointing at it.
    curl_easy_setopt(d.curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    char* location = nullptr;
    if (target == std::string::npos || rc != CURLE_OK || !d.followRedirects ||
        curl_easy_getinfo(d.curl, CURLINFO_REDIRECT_URL, &location) != CURLE_OK ||
        location == nullptr)
      break;
    target = std::string::npos;
    d.resetExchange();
  }

  if (rc != CURLE_OK) {
    // A broken or refused answer is no answer: status 0 and nothing to parse.
    if (d.bodyTooLarge || rc == CURLE_FILESIZE_EXCEEDED) {
      d.lastError = "answer larger than " + std::to_string(d.responseLimit) + " bytes";
    } else if (d.resendRefused) {
      d.lastError = kOutcomeUnknown;
    } else {
      d.lastError = d.errorBuffer[0] != '\0' ? d.errorBuffer : curl_easy_strerror(rc);
    }
    d.body.clear();
    d.responseHeaders.clear();
    // The session names the reason in its own error line, with its job id.
    log.logLevelNoJob(kTag, 3, "%s %s failed: %s", methodName(method), url.c_str(),
                      d.lastError.c_str());
    return false;
  }
  curl_easy_getinfo(d.curl, CURLINFO_RESPONSE_CODE, &d.status);
  d.answered = true;
  log.logLevelNoJob(kTag, 7, "%s %s answered %ld with %zu bytes", methodName(method), url.c_str(),
                    d.status, d.body.size());
  return d.status >= 200 && d.status < 300;
}

const char* HttpTransport::getResponseBody(size_t& length, bool) {
  if (!impl_->answered) {
    length = 0;
    return nullptr;
  }
  length = impl_->body.size();
  return impl_->body.c_str();
}

bool HttpTransport::takeResponseBody(std::string& out) {
  out.clear();
  if (!impl_->answered) return false;
  out.swap(impl_->body);
  return true;
}

const char* HttpTransport::getResponseHeader(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  const size_t n = std::strlen(name);
  for (const std::string& line : impl_->responseHeaders) {
    if (line.size() > n && line[n] == ':' && strncasecmp(line.c_str(), name, n) == 0)
      return line.c_str();
  }
  return nullptr;
}

bool HttpTransport::setFollowRedirects(bool follow) {
  if (impl_->curl == nullptr) return false;
  impl_->followRedirects = follow;
  return curl_easy_setopt(impl_->curl, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L) == CURLE_OK &&
         curl_easy_setopt(impl_->curl, CURLOPT_POSTREDIR,
                          follow ? static_cast<long>(CURL_REDIR_POST_ALL) : 0L) == CURLE_OK;
}

long HttpTransport::lastHttpStatus() const {
  return impl_->status;
}

const std::string& HttpTransport::lastTransportError() const {
  return impl_->lastError;
}

const std::string& HttpTransport::cookieFile() const {
  return impl_->cookieFile;
}

void HttpTransport::setResponseLimit(size_t bytes) {
  impl_->responseLimit = bytes;
}
