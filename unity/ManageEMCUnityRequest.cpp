// Request execution: the road of every message to the array.
#include <algorithm>
#include <cstddef>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/SessionSettings.h"
#include "unity/messages/EMCUnityJsonBase.h"

namespace {

const char kCsrfHeaderName[] = "EMC-CSRF-TOKEN";
// Sends per page: the first and two retries after a fresh login.
const int kAttemptsPerPage = 3;

}  // namespace

bool ManageEMCUnity::CurlFollowLocation(bool follow) {
  if (!transport->setIntOption(CURLOPT_FOLLOWLOCATION, follow ? 1 : 0)) return false;
  // Keep a POST a POST across 301/302/303 redirects.
  return transport->setIntOption(CURLOPT_POSTREDIR, follow ? CURL_REDIR_POST_ALL : 0);
}

bool ManageEMCUnity::CurlSetOptions() {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::CurlSetOptions";
  const long long job = static_cast<long long>(jobId);
  const bool ok = CurlFollowLocation(true) &&
                  transport->appendHeader(HEADER_CREDENTIALS, userName + ":" + password) &&
                  transport->appendHeader(HEADER_KIND_3, "") &&
                  transport->appendHeader(HEADER_COOKIE_FILE, cookieFile);
  if (ok) {
    log.logLevel(tag, 2, job, "Curl options set");
  } else {
    log.logLevel(tag, -1, job, "Failed to set curl options");
  }
  return ok;
}

bool ManageEMCUnity::InitializeHeaders(_UNITY_http_req_type_ /*method*/) {
  DiagLog log;
  const std::string tag = "ManageEMCUnity::InitializeHeaders";
  const long long job = static_cast<long long>(jobId);
  transport->freeHeaderList();
  clearError();
  // The Accept line always names version 4.0, whatever apiVersion holds.
  if (!transport->appendHeader(HEADER_LINE, "Accept: application/json; version=4.0") ||
      !transport->appendHeader(HEADER_LINE, "X-EMC-REST-CLIENT: true")) {
    log.logLevel(tag, -1, job, "Failed to Initialize Headers");
    return false;
  }
  if (loggedIn && !csrfHeader.empty()) {
    if (!transport->appendHeader(HEADER_LINE, csrfHeader)) {
      log.logLevel(tag, -1, job, "Failed to set header:%s", kCsrfHeaderName);
      return false;
    }
    log.logLevel(tag, 7, job, "Header set for %s", kCsrfHeaderName);
  }
  log.logLevel(tag, 3, job, "Initialized Headers");
  return true;
}

bool ManageEMCUnity::ProcessWithServer(const std::string& operationName,
                                       EMCUnityJsonBase* const& msg,
                                       const std::vector<unsigned long long>& successCodes) {
  DiagLog log;
  const std::string tag = "ProcessWithServer::" + operationName;
  const long long job = static_cast<long long>(jobId);
  if (msg == nullptr) {
    log.logLevel(tag, -1, job, "Failed to build request");
    return false;
  }
  const int opType = msg->getOpType();
  const _UNITY_http_req_type_ method = msg->getHttpReqType();
  bool result = false;

  if (opType == UNITY_OP_LOGOUT && !loggedIn) {
    log.logLevel(tag, 1, job, "Curl is 'not initialized' or 'de-initialized already'");
    return true;
  }

  if (!transportReady) {
    log.logLevel(tag, 5, job, "Initializing curl");
    if (!transport->init("Content-Type: application/json", true, true, nullptr)) {
      log.logLevel(tag, -1, job, "Failed to initialize curl");
      return false;
    }
    log.logLevel(tag, 5, job, "Curl Initialized");
    transportReady = true;
  }

  if (loggedIn) {
    if (opType == UNITY_OP_LOGIN) {
      log.logLevel(tag, 3, job, "Curl is already initialized and logged in. Checking once");
    }
  } else if (method != UNITY_HTTP_GET) {
    // A failed login is not fatal here: the request then goes out without a session and the
    // array's 401 reports it.
    OpenConnection(false);
  } else {
    // A GET without a session carries the credentials and is itself the login.
    if (!CurlSetOptions()) {
      log.logLevel(tag, -1, job, "Failed to set curl options");
      CloseConnection(true);
      return false;
    }
    log.logLevel(tag, 5, job, "Curl Options Set");
  }

  if (method != UNITY_HTTP_GET) {
    const std::string key = operationName + "_unitytimeout";
    int value = 0;
    if (GetRegInt(key.c_str(), value)) {
      log.logLevel(tag, 3, job, "Changing timeout to %d for operation %s", value,
                   operationName.c_str());
      msg->setTimeout(value);
    } else {
      log.logLevel(tag, 7, job, "Regkey for timeout not found [%s]. Using default value.",
                   key.c_str());
    }
  }

  std::string body;
  std::string response;
  if (!msg->BuildRequest(body)) {
    log.logLevelNoJob(tag, -1, "Failed to build request");
  } else {
    for (;;) {  // one round per result page
      const std::string uri = msg->GetNextURI();
      if (uri.empty()) {
        result = true;
        break;
      }
      int attemptsLeft = kAttemptsPerPage;
      bool sent = false;
      bool givenUp = false;
      do {
        --attemptsLeft;
        if (!InitializeHeaders(method)) {
          givenUp = true;
          break;
        }
        log.logLevel(tag, 5, job, "Sending Message");
        sent = transport->sendRequest(method, uri, body.c_str(), body.size(), false, nullptr);
        httpStatus = transport->lastHttpStatus();
        // Each send has its own answer: a bodiless answer must not be read as the previous one.
        // The body is moved out of the transport, not copied.
        transport->takeResponseBody(response);

        bool background = false;
        if (method != UNITY_HTTP_GET && httpStatus == 202) {
          log.logLevel(tag, 3, job, "Background job created on fileserver for this operation");
          background = true;
          bool jobOk = false;
          long status = static_cast<long>(httpStatus);
          if (!PollBackgroundJob(operationName, response, status, jobOk, msg)) {
            log.logLevel(tag, -1, job, "Failed to poll background job");
            sent = false;
            givenUp = true;
            break;
          }
          httpStatus = status;
          sent = jobOk;
        }
        // Not-found and conflict answers carry the array's error, which successCodes may accept.
        // Only the array's direct answer qualifies: after a job, only the job's own outcome counts.
        if (!background && (httpStatus == 404 || httpStatus == 409)) sent = true;
        if (sent) break;

        bool retry = false;
        if (!response.empty() || background) {
          if (!background) msg->ParseError(response);
          msg->getError(errorCode, errorText);
        }
        // A job that ended with status 401 has already run; sending the request again after a
        // new login could run it twice. The 401 rules belong to the direct answer only.
        if (httpStatus == 401 && !background) {
          if (opType == UNITY_OP_LOGOUT) return true;  // no valid session left to end
          if (errorCode == 0) errorCode = 5;
          if (loggedIn) {
            if (errorText.empty()) errorText = "Unauthorised. Session logged out. Retry";
            retry = attemptsLeft > 0;
          } else if (errorText.empty()) {
            errorText = "Unauthorised. Incorrect username/password";
          }
        }
        if (errorCode == 0) errorCode = 1;
        if (errorText.empty()) errorText = response.empty() ? "No response body" : response;
        // Below HTTP (no trust, no route, a time-out, a dropped connection) the error text says
        // only "No response body"; the transport's reason is what a person can act on.
        if (httpStatus == 0 && !transport->lastTransportError().empty()) {
          log.logLevel(tag, -1, job, "No answer from the array: %s",
                       transport->lastTransportError().c_str());
        }
        log.logLevel(tag, -1, job, "Error [HTTP:%lld][%llu] [%s]", httpStatus, errorCode,
                     errorText.c_str());
        if (!retry) {
          givenUp = true;
          break;
        }
        CloseConnection(true);
        log.logLevel(tag, -1, job, "Going to retry with new connection");
        if (!OpenConnection(false)) {
          givenUp = true;
          break;
        }
      } while (attemptsLeft > 0);
      if (givenUp || !sent) break;

      if (!msg->ParseResponse(response)) {
        log.logLevel(tag, -1, job, "Failed to parse response from file server[%s]",
                     fileServer.c_str());
        FailUnusableAnswer(*this, kUnreadableAnswerText);
        break;
      }
      log.logLevel(tag, 5, job, "Parsed response");
      if (!msg->isSuccess()) {
        msg->getError(errorCode, errorText);
        if (std::find(successCodes.begin(), successCodes.end(), errorCode) == successCodes.end()) {
          break;
        }
        log.logLevel(tag, 0, job, "[%s]! Treating this as success.", errorText.c_str());
        result = true;
      }
      msg->ParseNextURI(response);
    }
  }

  if (!result) {
    log.logLevel(tag, -1, job, "Failed with Error [%llu][%s]", errorCode, errorText.c_str());
    return false;
  }
  if (const char* line = transport->getResponseHeader(kCsrfHeaderName)) {
    std::string header = line;
    header.erase(std::min(header.find_first_of("\r\n"), header.size()));
    csrfHeader = header;
  }
  if (method == UNITY_HTTP_GET && !loggedIn) {
    if (!csrfHeader.empty()) log.logLevel(tag, 3, job, "Got %s", kCsrfHeaderName);
    loggedIn = true;
    log.logLevel(tag, 3, job, "Request completed with successful login");
    return true;
  }
  log.logLevel(tag, 5, job, "Request Successful");
  return true;
}
