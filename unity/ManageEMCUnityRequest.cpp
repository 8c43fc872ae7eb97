// Request execution: the road of every message to the array, in the steps ProcessWithServer
// takes: ensure the transport, ensure the login, send each page (with the 401 rule, the retry and
// the following of background jobs), read each page, keep the session's token.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/SleepMillis.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/SessionSettings.h"
#include "unity/messages/EMCUnityJsonBase.h"
#include "unity/messages/SessionMessages.h"

namespace {

const char kCsrfHeaderName[] = "EMC-CSRF-TOKEN";
// Sends per page: the first and two retries after a fresh login.
const int kAttemptsPerPage = 3;
const unsigned long kJobPollWaitMillis = 5000;
const int kJobPollLimitDefaultSec = 3600;

// Overall bound on following one background job, in seconds of waiting between polls.
int JobPollLimitSec() {
  int value = 0;
  if (GetRegInt("UnityJobPollLimitSec", value) && value > 0) return value;
  return kJobPollLimitDefaultSec;
}

// One message on its way: the session, the message and the log lines under
// "ProcessWithServer::<operation>".
struct Road {
  Road(ManageEMCUnity& session_, const std::string& operationName_, EMCUnityJsonBase& msg_)
      : session(session_),
        operationName(operationName_),
        msg(msg_),
        opType(msg_.getOpType()),
        method(msg_.getHttpReqType()),
        tag("ProcessWithServer::" + operationName_),
        op(session_, Operation::WholeTag{tag.c_str()}) {}

  ManageEMCUnity& session;
  const std::string& operationName;
  EMCUnityJsonBase& msg;
  const int opType;
  const _UNITY_http_req_type_ method;
  const std::string tag;
  Operation op;
};

// What became of the sends of one page.
enum class SendOutcome {
  kAnswered,   // an answer to read: a 2xx, the array's direct 404 or 409, or a finished job's
  kFailed,     // no usable answer; the error state says why
  kLoggedOut,  // a logout answered 401: no session was left to end, which is what it asked for
};

// What a failed send leaves to do.
enum class AfterFailure { kGiveUp, kRetry, kLoggedOut };

// The transport is made ready once per session.
bool EnsureTransport(Road& road) {
  ManageEMCUnity& session = road.session;
  if (session.transportReady) return true;
  road.op.Log(5, "Initializing curl");
  if (!session.transport->init("Content-Type: application/json", true, true, nullptr)) {
    return road.op.Failed("Failed to initialize curl");
  }
  road.op.Log(5, "Curl Initialized");
  session.transportReady = true;
  return true;
}

// Without a session, a POST, PUT or DELETE logs in first; a GET carries the credentials and is
// itself the login.
bool EnsureLogin(Road& road) {
  ManageEMCUnity& session = road.session;
  if (session.loggedIn) {
    if (road.opType == UNITY_OP_LOGIN) {
      road.op.Log(3, "Curl is already initialized and logged in. Checking once");
    }
    return true;
  }
  if (road.method != UNITY_HTTP_GET) {
    // A failed login is not fatal here: the request then goes out without a session and the
    // array's 401 reports it.
    session.OpenConnection(false);
    return true;
  }
  if (!session.CurlSetOptions()) {
    road.op.Log(-1, "Failed to set curl options");
    session.CloseConnection(true);
    return false;
  }
  road.op.Log(5, "Curl Options Set");
  return true;
}

// A POST, PUT or DELETE takes the time-out the setting "<operation>_unitytimeout" names.
void ApplyTimeoutSetting(Road& road) {
  if (road.method == UNITY_HTTP_GET) return;
  const std::string key = road.operationName + "_unitytimeout";
  int value = 0;
  if (GetRegInt(key.c_str(), value)) {
    road.op.Log(3, "Changing timeout to %d for operation %s", value, road.operationName.c_str());
    road.msg.setTimeout(value);
  } else {
    road.op.Log(7, "Regkey for timeout not found [%s]. Using default value.", key.c_str());
  }
}

// The error state of a send without a usable answer, logged, and what follows: a 401 to the
// direct answer of a logged-in session is retried after a fresh login while attempts are left.
AfterFailure RecordFailedSend(Road& road, std::string& response, bool background,
                              bool attemptsLeft) {
  ManageEMCUnity& session = road.session;
  if (!response.empty() || background) {
    if (!background) {
      road.msg.ExpectAnswer(response);
      road.msg.ParseError(response);
    }
    road.msg.getError(session.errorCode, session.errorText);
  }
  bool retry = false;
  // A job that ended with status 401 has already run; sending the request again after a new
  // login could run it twice. The 401 rules belong to the direct answer only.
  if (session.httpStatus == 401 && !background) {
    if (road.opType == UNITY_OP_LOGOUT) return AfterFailure::kLoggedOut;
    if (session.errorCode == 0) session.errorCode = 5;
    if (session.loggedIn) {
      if (session.errorText.empty()) session.errorText = "Unauthorised. Session logged out. Retry";
      retry = attemptsLeft;
    } else if (session.errorText.empty()) {
      session.errorText = "Unauthorised. Incorrect username/password";
    }
  }
  if (session.errorCode == 0) session.errorCode = 1;
  if (session.errorText.empty()) {
    session.errorText = response.empty() ? "No response body" : response;
  }
  // Below HTTP (no trust, no route, a time-out, a dropped connection) the error text says only
  // "No response body"; the transport's reason is what a person can act on.
  if (session.httpStatus == 0 && !session.transport->lastTransportError().empty()) {
    road.op.Log(-1, "No answer from the array: %s",
                session.transport->lastTransportError().c_str());
  }
  road.op.Log(-1, "Error [HTTP:%lld][%llu] [%s]", session.httpStatus, session.errorCode,
              session.errorText.c_str());
  return retry ? AfterFailure::kRetry : AfterFailure::kGiveUp;
}

// Sends one page until it has an answer to read: a 202 to a POST, PUT or DELETE is followed to
// its job's end, and an expired session is logged in again, at most kAttemptsPerPage sends.
SendOutcome SendPage(Road& road, const std::string& uri, const std::string& body,
                     std::string& response) {
  ManageEMCUnity& session = road.session;
  for (int attemptsLeft = kAttemptsPerPage - 1; attemptsLeft >= 0; --attemptsLeft) {
    if (!session.InitializeHeaders(road.method)) return SendOutcome::kFailed;
    road.op.Log(5, "Sending Message");
    bool answered =
        session.transport->sendRequest(road.method, uri, body.c_str(), body.size(), false, nullptr);
    session.httpStatus = session.transport->lastHttpStatus();
    // Each send has its own answer: a bodiless answer must not be read as the previous one. The
    // body is moved out of the transport, not copied.
    session.transport->takeResponseBody(response);

    const bool background = road.method != UNITY_HTTP_GET && session.httpStatus == 202;
    if (background) {
      road.op.Log(3, "Background job created on fileserver for this operation");
      bool jobOk = false;
      long status = static_cast<long>(session.httpStatus);
      if (!session.PollBackgroundJob(road.operationName, response, status, jobOk, &road.msg)) {
        road.op.Log(-1, "Failed to poll background job");
        return SendOutcome::kFailed;
      }
      session.httpStatus = status;
      answered = jobOk;
    }
    // Not-found and conflict answers carry the array's error, which successCodes may accept.
    // Only the array's direct answer qualifies: after a job, only the job's own outcome counts.
    if (!background && (session.httpStatus == 404 || session.httpStatus == 409)) answered = true;
    if (answered) return SendOutcome::kAnswered;

    switch (RecordFailedSend(road, response, background, attemptsLeft > 0)) {
      case AfterFailure::kLoggedOut:
        return SendOutcome::kLoggedOut;
      case AfterFailure::kGiveUp:
        return SendOutcome::kFailed;
      case AfterFailure::kRetry:
        break;
    }
    session.CloseConnection(true);
    road.op.Log(-1, "Going to retry with new connection");
    if (!session.OpenConnection(false)) return SendOutcome::kFailed;
  }
  return SendOutcome::kFailed;
}

// Reads one answered page into the message, which then names the next page (if any). An array
// error listed in successCodes counts as success.
bool ReadPage(Road& road, std::string& response,
              const std::vector<unsigned long long>& successCodes) {
  ManageEMCUnity& session = road.session;
  road.msg.ExpectAnswer(response);  // read below and by ParseNextURI, unchanged
  if (!road.msg.ParseResponse(response)) {
    FailUnusableAnswer(session, kUnreadableAnswerText);
    return road.op.Failed("Failed to parse response from file server[%s]",
                          session.fileServer.c_str());
  }
  road.op.Log(5, "Parsed response");
  if (!road.msg.isSuccess()) {
    road.msg.getError(session.errorCode, session.errorText);
    if (std::find(successCodes.begin(), successCodes.end(), session.errorCode) ==
        successCodes.end()) {
      return false;
    }
    road.op.Log(0, "[%s]! Treating this as success.", session.errorText.c_str());
  }
  road.msg.ParseNextURI(response);
  return true;
}

// Every page of the message, sent and read in turn.
SendOutcome SendAllPages(Road& road, const std::vector<unsigned long long>& successCodes) {
  std::string body;
  std::string response;
  if (!road.msg.BuildRequest(body)) {
    road.op.log.logLevelNoJob(road.tag, -1, "Failed to build request");
    return SendOutcome::kFailed;
  }
  for (;;) {
    const std::string uri = road.msg.GetNextURI();
    if (uri.empty()) return SendOutcome::kAnswered;
    const SendOutcome sent = SendPage(road, uri, body, response);
    if (sent != SendOutcome::kAnswered) return sent;
    if (!ReadPage(road, response, successCodes)) return SendOutcome::kFailed;
  }
}

// A successful request keeps the last answer's CSRF token; a GET without a session was the login.
void KeepSession(Road& road) {
  ManageEMCUnity& session = road.session;
  if (const char* line = session.transport->getResponseHeader(kCsrfHeaderName)) {
    std::string header = line;
    header.erase(std::min(header.find_first_of("\r\n"), header.size()));
    session.csrfHeader = header;
  }
  if (road.method == UNITY_HTTP_GET && !session.loggedIn) {
    if (!session.csrfHeader.empty()) road.op.Log(3, "Got %s", kCsrfHeaderName);
    session.loggedIn = true;
    road.op.Log(3, "Request completed with successful login");
    return;
  }
  road.op.Log(5, "Request Successful");
}

// Waits for the job `detail` names until it leaves the queued and running states (1 and 2),
// polling through the session; false when a poll fails or the bound is reached.
bool WaitForJob(ManageEMCUnity& session, Operation& op, EMCUnityJsonGetJobDetails& jobQuery,
                _UnityJobDetail& detail) {
  const int limitSec = JobPollLimitSec();
  const unsigned long waitSec = kJobPollWaitMillis / 1000;
  // Time is counted in waits, not read from a clock, so the bound is exact under a sleep hook.
  unsigned long waitedSec = 0;
  EMCUnityJsonBase* query = &jobQuery;
  for (;;) {
    op.Log(5, "Waiting for %lu secs before getting job details for id [%s]", waitSec,
           detail.id.c_str());
    SleepMillis(kJobPollWaitMillis, __FILE__, __LINE__);
    waitedSec += waitSec;
    op.Log(5, "Request to get job detail, on server [%s]. Job Id[%s]", session.fileServer.c_str(),
           detail.id.c_str());
    if (!session.ProcessWithServer("GetJobDetails", query, {}) || !jobQuery.GetJobDetail(detail)) {
      return false;
    }
    op.Log(5, "Got Job details on server [%s], with id:[%s] state:[%d]", session.fileServer.c_str(),
           detail.id.c_str(), detail.state);
    if (detail.state != 1 && detail.state != 2) return true;
    if (waitedSec >= static_cast<unsigned long>(limitSec)) {
      session.errorCode = 1;
      session.errorText = "Background job [" + detail.id + "] did not finish within " +
                          std::to_string(limitSec) + " seconds";
      return op.Failed("%s", session.errorText.c_str());
    }
  }
}

}  // namespace

bool ManageEMCUnity::ProcessWithServer(const std::string& operationName,
                                       EMCUnityJsonBase* const& msg,
                                       const std::vector<unsigned long long>& successCodes) {
  if (msg == nullptr) {
    Operation op(*this, Operation::WholeTag{("ProcessWithServer::" + operationName).c_str()});
    return op.Failed("Failed to build request");
  }
  Road road(*this, operationName, *msg);
  if (road.opType == UNITY_OP_LOGOUT && !loggedIn) {
    road.op.Log(1, "Curl is 'not initialized' or 'de-initialized already'");
    return true;
  }
  if (!EnsureTransport(road) || !EnsureLogin(road)) return false;
  ApplyTimeoutSetting(road);
  switch (SendAllPages(road, successCodes)) {
    case SendOutcome::kLoggedOut:
      return true;  // no valid session left to end
    case SendOutcome::kFailed:
      // Without an array code the HTTP status is all the answer said (414 for a URL too long).
      if (errorCode == 1 && httpStatus > 0) {
        return road.op.Failed("Failed with Error [%llu][%s] [HTTP %lld]", errorCode,
                              errorText.c_str(), httpStatus);
      }
      return road.op.Failed("Failed with Error [%llu][%s]", errorCode, errorText.c_str());
    case SendOutcome::kAnswered:
      break;
  }
  KeepSession(road);
  return true;
}

bool ManageEMCUnity::PollBackgroundJob(const std::string& operationName, std::string& response,
                                       long& status, bool& jobOk, EMCUnityJsonBase* msg) {
  Operation op(*this, Operation::WholeTag{("PollBackgroundJob::" + operationName).c_str()});
  jobOk = false;
  EMCUnityJsonGetJobDetails jobQuery;
  _UnityJobDetail detail;
  op.Init(jobQuery);
  jobQuery.Initialize(fileServer);
  // The 202 answer describes the job; reading it addresses the job query to that job.
  if (!jobQuery.ParseResponse(response)) {
    FailUnusableAnswer(*this, kUnreadableAnswerText);
    return op.Failed("Failed to parse response from file server[%s]", fileServer.c_str());
  }
  if (!jobQuery.isSuccess() || !jobQuery.GetJobDetail(detail) || detail.id.empty()) {
    jobQuery.getError(errorCode, errorText);
    return op.Failed("Failed to get job id");
  }
  if (!WaitForJob(*this, op, jobQuery, detail)) return false;
  response = detail.parametersOut;
  if (detail.httpStatusCode != 0) status = static_cast<long>(detail.httpStatusCode);
  jobOk = detail.state == 4;
  msg->setError(detail.errorCode, detail.errorMessage);
  return true;
}

bool ManageEMCUnity::CurlFollowLocation(bool follow) {
  return transport->setFollowRedirects(follow);
}

bool ManageEMCUnity::CurlSetOptions() {
  Operation op(*this, "CurlSetOptions");
  const bool ok = CurlFollowLocation(true) &&
                  transport->appendHeader(HEADER_CREDENTIALS, userName + ":" + password) &&
                  transport->appendHeader(HEADER_KIND_3, "") &&
                  transport->appendHeader(HEADER_COOKIE_FILE, cookieFile);
  op.Log(ok ? 2 : -1, ok ? "Curl options set" : "Failed to set curl options");
  return ok;
}

bool ManageEMCUnity::InitializeHeaders(_UNITY_http_req_type_ /*method*/) {
  Operation op(*this, "InitializeHeaders");
  transport->freeHeaderList();
  clearError();
  // The Accept line always names version 4.0, whatever apiVersion holds.
  if (!transport->appendHeader(HEADER_LINE, "Accept: application/json; version=4.0") ||
      !transport->appendHeader(HEADER_LINE, "X-EMC-REST-CLIENT: true")) {
    return op.Failed("Failed to Initialize Headers");
  }
  if (loggedIn && !csrfHeader.empty()) {
    if (!transport->appendHeader(HEADER_LINE, csrfHeader)) {
      return op.Failed("Failed to set header:%s", kCsrfHeaderName);
    }
    op.Log(7, "Header set for %s", kCsrfHeaderName);
  }
  op.Log(3, "Initialized Headers");
  return true;
}
