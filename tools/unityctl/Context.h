// What every unityctl subcommand shares: the common options, the session they open, the
// output style and the exit-status convention (0 success, 1 operation failed, 2 usage).
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class ManageEMCUnity;

namespace unityctl {

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

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

// Prints the session's error state to standard error as one line, with the transport's reason
// when the exchange failed below HTTP, and returns kExitFailed.
int ReportFailure(const ManageEMCUnity& session, const std::string& what);

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
