// What every unityctl subcommand shares: the common options, the session they open, the
// output style and the exit-status convention: 0 success, 1 the array or the connection failed,
// 2 bad usage or input refused before anything was sent.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/unityctl/Output.h"

class ManageEMCUnity;

namespace unityctl {

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Array codes whose failures unityctl explains: an object that does not exist, and a login the
// array refused.
constexpr unsigned long long kMissingResource = 131149829;
constexpr unsigned long long kWrongCredentials = 131149828;

struct CommonOptions {
  std::string array;           // --array or UNITY_ARRAY
  std::string user;            // --user or UNITY_USER
  std::string passwordForm;    // --password-from: env:NAME, file:PATH or base64:TEXT
  std::string caFile;          // --ca-file: trusted CA bundle for the array's certificate
  bool insecure = false;       // --insecure: no certificate verification
  bool json = false;           // --json: machine-readable output
  int logLevel = -1;           // --log-level
  bool logLevelGiven = false;  // --log-level was on the command line
  unsigned long long jobId = 0;
};

// The library's diagnostic lines reach standard error (or UNITY_LOG_FILE) only when asked for
// with --log-level or UNITY_LOG_FILE; otherwise a failure is the one line ReportFailure prints.
void ApplyLogOptions(const CommonOptions& options);

// Applies the options to the process (settings file, log environment) and makes a session for
// the chosen array. On failure prints why to standard error and returns null.
std::unique_ptr<ManageEMCUnity> OpenSession(const CommonOptions& options);

// With --json, failures are written to standard error as one JSON object instead of a line.
void UseJsonErrors(bool json);

// Prints a failure on standard error: "unityctl: <text>", then "unityctl: <advice>" when there
// is advice; with --json one object of the text, `details`, the advice and the exit status.
// Returns `exitStatus`.
int Complain(int exitStatus, const std::string& text, const std::string& advice = "",
             const Fields& details = {});

// Prints the session's error state to standard error: what failed, the error code and text, the
// HTTP status when the answer had no body, the transport's reason when the exchange failed below
// HTTP, and what to do where the code says it. Returns kExitUsage when the library refused the
// input before sending (code 2), else kExitFailed.
int ReportFailure(const ManageEMCUnity& session, const std::string& what);

// The array address as the library takes it: HOST[:PORT], or the same given as a URL
// (https://HOST[:PORT][/]). False for another scheme or a path.
bool ArrayAddress(const std::string& given, std::string& address);

// Reads the password: UNITY_PASSWORD (plain text or a stored form), --password-from, or a prompt
// without echo when standard input is a terminal. Never from a command-line argument.
bool ReadPassword(const CommonOptions& options, std::string& password, bool& isStoredForm);

// While alive, a long wait (a background job on the array) prints a progress line on standard
// error every few seconds.
class JobProgress {
 public:
  JobProgress();
  ~JobProgress();
  JobProgress(const JobProgress&) = delete;
  JobProgress& operator=(const JobProgress&) = delete;

 private:
  static constexpr long kJobPollSec = 5;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace unityctl
