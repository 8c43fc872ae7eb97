// HTTP client of the host product over libcurl. One easy handle per transport, so the TCP
// connection and the TLS session are reused by every request of a session. Certificate and host
// name verification are on unless UnityInsecure = 1 in [~Tessaline]. Not thread-safe: a transport
// belongs to one session, used by one thread at a time.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>

// Method codes; the same numbers as the messages' request types.
enum HttpMethod { HTTP_METHOD_GET = 0, HTTP_METHOD_POST = 1, HTTP_METHOD_PUT = 2, HTTP_METHOD_DELETE = 3 };

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

  // Creates the easy handle and applies the settings (CA file, pinned key, time-outs). The
  // default header line goes on every request. The flags and the callback are accepted for the
  // host's interface; the transport always keeps the response body itself.
  bool init(const char* defaultHeader, bool flag1, bool flag2, WriteCallback callback);
  void deinit();

  bool appendHeader(HeaderKind kind, const std::string& text);
  void freeHeaderList();

  // Sends one request (method 0 GET, 1 POST, 2 PUT, 3 DELETE). True for a 2xx answer; false for
  // a failed exchange or an error status, whose status and body stay readable.
  bool sendRequest(int method, const std::string& url, const char* body, size_t bodyLength,
                   bool flag, const char* text);
  // NUL-terminated body of the last response, or null when there is none.
  const char* getResponseBody(size_t& length, bool flag);
  // The whole header line (name, colon, value and line end) of the last response, or null.
  const char* getResponseHeader(const char* name);
  bool setIntOption(CURLoption option, const int& value);
  long lastHttpStatus() const;
  // libcurl's text for the last failed exchange ("" when none), for diagnostics.
  const std::string& lastTransportError() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
