// HTTP client of the host product over libcurl. One easy handle per transport, so the TCP
// connection and the TLS session are reused by every request of a session. Certificate and host
// name verification are on unless UnityInsecure = 1 in [~Tessaline]. Not thread-safe: a transport
// belongs to one session, used by one thread at a time; distinct transports may run on distinct
// threads.
//
// Settings read from [~Tessaline] at init: UnityCAFile (PEM bundle instead of the system's),
// UnityPinnedPublicKey (libcurl pinned-key syntax, e.g. "sha256//..."), UnityInsecure (1 = no
// certificate or host name check; logged at level -1 at every init), UnityConnectTimeoutSec
// (default 30) and UnityStallTimeoutSec (default 300: a transfer that moves no byte for that long
// fails). Cookies live in libcurl's in-memory engine until deinit; credentials, cookies and
// header values are never logged.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// Keys of the transport's trust settings in kUnitySettingsSection (platform/PlatformSettings.h).
constexpr char kCAFileSetting[] = "UnityCAFile";
constexpr char kInsecureSetting[] = "UnityInsecure";

// Method codes; the same numbers as the messages' request types.
enum HttpMethod {
  HTTP_METHOD_GET = 0,
  HTTP_METHOD_POST = 1,
  HTTP_METHOD_PUT = 2,
  HTTP_METHOD_DELETE = 3
};

enum HeaderKind {
  HEADER_LINE = 0,         // a request header line; emptied by freeHeaderList
  HEADER_CREDENTIALS = 1,  // "user:password", sent as HTTP Basic; standing until deinit
  HEADER_KIND_3 = 3,       // accepted and ignored; standing until deinit
  HEADER_COOKIE_FILE = 4,  // cookie file path: accepted, nothing is written there
};

class HttpTransport {
 public:
  using WriteCallback = size_t (*)(char*, size_t, size_t, void*);

  HttpTransport();
  ~HttpTransport();
  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;

  // Answers with a larger body fail (the transfer is cut off). A parsed answer takes up to about
  // fifty times its size in memory (an array of empty elements, one value per byte), so the
  // limit bounds what a misbehaving array can make the host allocate. The setting
  // UnityMaxAnswerMB changes it at init; setResponseLimit afterwards.
  static constexpr size_t kDefaultResponseLimit = 32u * 1024u * 1024u;

  // Creates the easy handle (first call only) and applies the settings. The default header line
  // (null for none) goes on every request. The flags and the callback are accepted for the host's
  // interface; the transport always keeps the response body itself. False when the handle cannot
  // be created or the header line holds a line break.
  bool init(const char* defaultHeader, bool flag1, bool flag2, WriteCallback callback);
  // Releases the handle (with its connection and cookies) and forgets every header and standing
  // setting. Safe without init and when repeated; init may follow.
  void deinit();

  // HEADER_LINE texts holding CR, LF or NUL, and empty ones, are refused; credentials are split at
  // the first ':' (no ':' = user name only). Unknown kinds are refused.
  bool appendHeader(HeaderKind kind, const std::string& text);
  // Empties the HEADER_LINE list; standing settings and the default header stay.
  void freeHeaderList();

  // Sends one request (method 0 GET, 1 POST, 2 PUT, 3 DELETE). POST and PUT always carry the
  // body (an empty one when body is null), DELETE only when bodyLength > 0, GET never; the body
  // must stay valid for the call. True for a 2xx answer; false for a failed exchange (status 0,
  // no body, lastTransportError says why; also for an answer over the size limit) or an error
  // status, whose status, body and headers stay readable until the next request.
  //
  // When a kept-alive connection closes before any byte of the answer, libcurl sends the request
  // again on a new connection. That is kept for GET and DELETE, which the array may see twice
  // without harm. A POST or PUT may already have done its work (created a snapshot, started a
  // restore), so unless `repeatable` says it is safe, it is never sent a second time: the call
  // fails and lastTransportError says that the outcome is unknown. Redirects are followed as
  // configured either way.
  bool sendRequest(int method, const std::string& url, const char* body, size_t bodyLength,
                   bool repeatable, const char* text);
  // NUL-terminated body of the last answer ("" for an empty one), or null when none came.
  // Valid until the next request or deinit.
  const char* getResponseBody(size_t& length, bool flag);
  // Moves the body of the last answer into `out` (replacing its content) without copying it;
  // false, with `out` emptied, when none came. The transport's own body is empty afterwards.
  bool takeResponseBody(std::string& out);
  // The whole header line (name, colon, value and the line end as received) of the last answer,
  // the name matched case-insensitively; with redirects followed, of the final answer. Null when
  // absent. Valid until the next request or deinit.
  const char* getResponseHeader(const char* name);
  // Turns the following of redirects on or off (on: a POST stays a POST across 301, 302 and
  // 303). Only after init; false otherwise. Trust settings cannot be changed this way: they come
  // from the settings store.
  bool setFollowRedirects(bool follow);
  // Status of the last answer; 0 when no complete answer came.
  long lastHttpStatus() const;
  // libcurl's text for the last failed exchange ("" when none), for diagnostics.
  const std::string& lastTransportError() const;

  // The cookie file path given as HEADER_COOKIE_FILE ("" when none). Nothing is written there.
  const std::string& cookieFile() const;
  // Largest answer body accepted from now on (tests; hosts with unusual needs).
  void setResponseLimit(size_t bytes);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
