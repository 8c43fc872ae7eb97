#include "sim/Router.h"

#include <httplib.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "sim/Errors.h"
#include "sim/Faults.h"
#include "sim/Handlers.h"
#include "sim/Journal.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"
#include "sim/Sessions.h"

namespace unitysim {
namespace {

const char* kCsrfHeader = "EMC-CSRF-TOKEN";

std::string defaultText(int status) {
  switch (status) {
    case 400:
      return "The request is not valid.";
    case 401:
      return "The user is not authenticated or the session has expired.";
    case 403:
      return "The operation is not allowed.";
    case 404:
      return "The requested resource does not exist.";
    case 409:
      return "The request conflicts with the current state of the resource.";
    case 422:
      return "The request is not valid.";
    case 503:
      return "The service is temporarily unavailable.";
    default:
      return "An internal error occurred.";
  }
}

std::uint32_t defaultCode(int status) {
  switch (status) {
    case 400:
      return code::kBadRequest;
    case 401:
      return code::kUnauthorized;
    case 404:
      return code::kNotFound;
    case 405:
      return code::kNotSupported;
    case 422:
      return code::kInvalidArgument;
    default:
      return code::kInternal;
  }
}

void setArrayHeaders(httplib::Response& res) {
  res.set_header("Cache-Control", "no-cache, no-store, max-age=0");
  res.set_header("Pragma", "no-cache");
  res.set_header("Expires", "Thu, 01 Jan 1970 00:00:00 GMT");
  res.set_header("Server", "Apache");
  res.set_header("Content-Language", "en-US");
  res.set_header("X-Frame-Options", "SAMEORIGIN");
  res.set_header("Strict-Transport-Security", "max-age=63072000; includeSubdomains;");
}

// The array streams its answers chunked. With `cut`, the stream stops halfway and the
// connection is closed, as when the array fails mid-answer.
void setBody(httplib::Response& res, std::string body, bool cut) {
  if (body.empty() && !cut) return;
  if (body.empty()) body = "{\"content\": {\"id\": \"0\"}}";
  const size_t limit = cut ? body.size() / 2 : body.size();
  auto shared = std::make_shared<std::string>(std::move(body));
  res.set_chunked_content_provider("application/json; version=1.0;charset=UTF-8",
                                   [shared, limit, cut](size_t offset, httplib::DataSink& sink) {
                                     if (offset < limit) {
                                       sink.write(shared->data() + offset, limit - offset);
                                       return true;
                                     }
                                     if (cut) return false;
                                     sink.done();
                                     return true;
                                   });
}

// httplib adds the socket addresses as pseudo headers; the journal keeps what the client sent.
bool isServerAddedHeader(const std::string& name) {
  return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
         name == "LOCAL_PORT";
}

// Returns when the peer closes its end of the connection, or after `limit`.
void waitForHangUp(int fd, std::chrono::milliseconds limit) {
  pollfd p{fd, POLLRDHUP, 0};
  while (::poll(&p, 1, static_cast<int>(limit.count())) < 0 && errno == EINTR) {
  }
}

std::string truncateJson(const std::string& body) {
  if (body.size() < 4) return "{\"entries\": [";
  return body.substr(0, body.size() / 2);
}

}  // namespace

ApiAnswer Router::faultAnswer(const Fault& fault) const {
  ApiAnswer a;
  a.status = fault.status;
  if (!fault.rawBody.empty()) {
    a.body = fault.rawBody;
  } else if (fault.withBody && fault.status >= 400) {
    const std::uint32_t c = fault.errorCode ? fault.errorCode : defaultCode(fault.status);
    const std::string text = fault.text.empty() ? defaultText(fault.status) : fault.text;
    a.body = errorEnvelope(fault.status, c, text, isoTime(clock_.now())).dump();
  }
  return a;
}

void Router::handle(const httplib::Request& req, httplib::Response& res) {
  ++requests_;
  JournalEntry entry;
  entry.method = req.method;
  entry.target = req.target;
  entry.body = req.body;
  entry.time = isoTime(clock_.now());
  for (const auto& [k, v] : req.headers)
    if (!isServerAddedHeader(k)) entry.headers.emplace_back(k, v);
  setArrayHeaders(res);

  const RequestTarget target = parseTarget(req.target);
  std::optional<Fault> fault = faults_.take(req.method, target.path);
  if (fault) entry.fault = faultName(fault->kind);
  if (fault && fault->kind == FaultKind::Delay) std::this_thread::sleep_for(fault->delay);
  // Recorded before the connection closes: a client that sees the close may look at the journal
  // at once, and must find the request there.
  const auto drop = [&] {
    entry.status = 0;
    journal_.record(std::move(entry));
    if (req.ssl != nullptr) ::shutdown(SSL_get_fd(req.ssl), SHUT_RDWR);
    res.status = 500;
  };
  if (fault && fault->kind == FaultKind::DropConnection) return drop();
  if (fault && fault->kind == FaultKind::Stall) {
    if (req.ssl != nullptr) waitForHangUp(SSL_get_fd(req.ssl), fault->delay);
    return drop();
  }

  const auto finish = [&](ApiAnswer answer, const std::optional<Session>& session) {
    if (fault && fault->kind == FaultKind::DropAfterWork) return drop();
    res.status = answer.status;
    // A 204 answer has no body to break: one sent after it would stay on the connection and be
    // read as the start of the next answer.
    const bool bodyFault = fault && answer.status != 204;
    const bool cut = bodyFault && fault->kind == FaultKind::TruncatedBody;
    if (bodyFault && fault->kind == FaultKind::MalformedBody)
      answer.body = truncateJson(answer.body);
    if (session && !(fault && fault->kind == FaultKind::NoCsrfHeader))
      res.set_header(kCsrfHeader, session->csrfToken);
    setBody(res, std::move(answer.body), cut);
    entry.status = answer.status;
    journal_.record(std::move(entry));
  };
  const auto refuse = [&](int status, std::uint32_t errorCode, const std::string& text) {
    finish(ApiAnswer{status, errorEnvelope(status, errorCode, text, isoTime(clock_.now())).dump()},
           std::nullopt);
  };

  if (fault && fault->kind == FaultKind::Status) return finish(faultAnswer(*fault), std::nullopt);

  if (!equalsIgnoreCase(req.get_header_value("X-EMC-REST-CLIENT"), "true")) {
    // Without the header the array treats the caller as a browser and redirects to its login.
    res.set_header("Location", "/index.html");
    return finish(ApiAnswer{302, ""}, std::nullopt);
  }

  const std::string type = Handlers::typeOf(target);
  const TypeSpec* typeDef = type.empty() ? nullptr : model_.typeDef(type);
  const bool anonymous = req.method == "GET" && typeDef != nullptr && typeDef->anonymous;
  const bool mutating = req.method != "GET";

  const std::string cookie = Sessions::cookieFrom(req.get_header_value("Cookie"));
  std::optional<Session> session = cookie.empty() ? std::nullopt : sessions_.touch(cookie);
  bool created = false;
  if (!session) {
    const auto basic = Sessions::basicFrom(req.get_header_value("Authorization"));
    const bool valid = basic && sessions_.checkCredentials(basic->first, basic->second);
    if (valid && !mutating) {
      session = sessions_.create(basic->first);
      created = true;
      ++logins_;
      recordLogin(model_, basic->first, sessions_.idleTimeout().count());
    } else if (!anonymous) {
      if (basic && !valid)
        return refuse(401, code::kUnauthorized, "The username or password is not correct.");
      return refuse(401, code::kUnauthorized,
                    "The user is not authenticated or the session has expired.");
    }
  }
  if (mutating && req.get_header_value(kCsrfHeader) != session->csrfToken)
    return refuse(401, code::kCsrf, "The CSRF token is missing or not valid.");
  if (!req.body.empty() &&
      req.get_header_value("Content-Type").compare(0, 16, "application/json") != 0)
    return refuse(400, code::kBadRequest,
                  "The Content-Type of the request must be application/json.");

  if (created)
    res.set_header("Set-Cookie", "mod_sec_emc=" + session->cookie + "; path=/; secure; HttpOnly");

  ApiRequest api;
  api.method = req.method;
  api.target = target;
  api.body = req.body;
  const std::string host = req.get_header_value("Host");
  api.baseUrl =
      "https://" + (host.empty() ? req.local_addr + ":" + std::to_string(req.local_port) : host);
  api.user = session ? session->user : std::string();
  api.now = clock_.now();
  ApiAnswer answer = handlers_.handle(api);
  if (answer.endSession || answer.endAllSessions) sessions_.end(session->cookie);
  finish(std::move(answer), session);
}

}  // namespace unitysim
