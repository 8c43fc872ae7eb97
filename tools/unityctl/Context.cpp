#include "tools/unityctl/Context.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

bool IsStoredForm(const std::string& text) {
  return text.rfind("env:", 0) == 0 || text.rfind("file:", 0) == 0 || text.rfind("base64:", 0) == 0;
}

bool PromptWithoutEcho(std::string& password) {
  std::fprintf(stderr, "Password: ");
  std::fflush(stderr);
  termios saved{};
  const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool ok = static_cast<bool>(std::getline(std::cin, password));
  if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::fprintf(stderr, "\n");
  return ok;
}

// unityctl reaches the library only through its exported interface, so its choices travel the
// way a host product's do: the settings file and the log environment, read by the library at its
// first use. Its private files are unlinked at once and named through /proc/self/fd, so nothing
// is left behind whatever way the process ends.
int OpenPrivateFile(std::string& path) {
  const char* dir = std::getenv("TMPDIR");
  std::string name =
      std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/unityctl-XXXXXX";
  const int fd = mkostemp(&name[0], O_CLOEXEC);
  if (fd < 0) return -1;
  unlink(name.c_str());
  path = "/proc/self/fd/" + std::to_string(fd);
  return fd;
}

// --ca-file and --insecure: a private copy of the user's settings file (UNITY_SETTINGS_FILE, if
// any) with the choices appended, where they win over earlier assignments of the same keys.
bool LayerSettings(const CommonOptions& options) {
  if (options.caFile.empty() && !options.insecure) return true;
  std::string text;
  if (const char* userFile = std::getenv("UNITY_SETTINGS_FILE")) {
    std::ifstream in(userFile, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    if (!text.empty() && text.back() != '\n') text += '\n';
  }
  text += std::string("[") + kUnitySettingsSection + "]\n";
  if (!options.caFile.empty()) text += std::string(kCAFileSetting) + " = " + options.caFile + "\n";
  if (options.insecure) text += std::string(kInsecureSetting) + " = 1\n";
  std::string path;
  const int fd = OpenPrivateFile(path);
  if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    std::fprintf(stderr, "unityctl: cannot write a private settings file\n");
    return false;
  }
  return setenv("UNITY_SETTINGS_FILE", path.c_str(), 1) == 0;
}

// Without --log-level or UNITY_LOG_FILE the library's error lines go to a private file, read back
// only for the transport's reason of a failure. -1 when the user's own log is in use.
int privateLogFd = -1;

// The transport's reason for the last failed send, when that send got no HTTP answer: the
// library logs it as "No answer from the array: <reason>" just before that send's error line.
std::string TransportReason() {
  if (privateLogFd < 0) return "";
  std::string log;
  char buffer[4096];
  off_t offset = 0;
  for (ssize_t n; (n = pread(privateLogFd, buffer, sizeof buffer, offset)) > 0; offset += n) {
    log.append(buffer, static_cast<size_t>(n));
  }
  static const std::string kNoAnswer = "No answer from the array: ";
  std::string pending;
  std::string reason;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    const std::string::size_type at = line.find(kNoAnswer);
    if (at != std::string::npos) {
      pending = line.substr(at + kNoAnswer.size());
    } else if (line.find(": Error [HTTP:") != std::string::npos) {
      reason = pending;
      pending.clear();
    }
  }
  return reason;
}

}  // namespace

bool ReadPassword(const CommonOptions& options, std::string& password, bool& isStoredForm) {
  if (!options.passwordForm.empty()) {
    if (!IsStoredForm(options.passwordForm)) {
      std::fprintf(stderr, "unityctl: --password-from takes env:NAME, file:PATH or base64:TEXT\n");
      return false;
    }
    password = options.passwordForm;
    isStoredForm = true;
    return true;
  }
  if (const char* fromEnv = std::getenv("UNITY_PASSWORD")) {
    password = fromEnv;
    isStoredForm = IsStoredForm(password);
    return true;
  }
  if (isatty(STDIN_FILENO) && PromptWithoutEcho(password)) {
    isStoredForm = false;
    return true;
  }
  std::fprintf(stderr,
               "unityctl: no password: set UNITY_PASSWORD, use --password-from, or run on a "
               "terminal to be asked\n");
  return false;
}

void ApplyLogOptions(const CommonOptions& options) {
  if (options.logLevelGiven) {
    setenv("UNITY_LOG_LEVEL", std::to_string(options.logLevel).c_str(), 1);  // else the user's
  }
  const char* logFile = std::getenv("UNITY_LOG_FILE");
  if (options.logLevelGiven || (logFile != nullptr && *logFile != '\0')) return;
  std::string path;
  privateLogFd = OpenPrivateFile(path);
  if (privateLogFd < 0) path = "/dev/null";
  setenv("UNITY_LOG_FILE", path.c_str(), 1);
  setenv("UNITY_LOG_LEVEL", "-1", 1);
}

std::unique_ptr<ManageEMCUnity> OpenSession(const CommonOptions& options) {
  ApplyLogOptions(options);
  if (!LayerSettings(options)) return nullptr;

  if (options.array.empty() || options.user.empty()) {
    std::fprintf(stderr,
                 "unityctl: the array and the user are required (--array/UNITY_ARRAY, "
                 "--user/UNITY_USER)\n");
    return nullptr;
  }
  std::string password;
  bool stored = false;
  if (!ReadPassword(options, password, stored)) return nullptr;

  auto session = std::make_unique<ManageEMCUnity>(options.jobId);
  session->userName = options.user;
  if (!session->SetPasswd(password, false, stored)) {
    std::fprintf(stderr, "unityctl: the stored password could not be decoded\n");
    return nullptr;
  }
  session->SetFileServer(options.array);
  return session;
}

int ReportFailure(const ManageEMCUnity& session, const std::string& what) {
  // Code 0 with no text: the array answered, but not with what the operation needed (the log
  // line above says why, for example a lookup that found more than one object).
  const char* text = session.errorText.empty() ? "(no error text; --log-level 3 shows why)"
                                               : session.errorText.c_str();
  const std::string reason = TransportReason();
  std::fprintf(stderr, "unityctl: %s failed: error %llu: %s%s%s%s\n", what.c_str(),
               static_cast<unsigned long long>(session.errorCode), text, reason.empty() ? "" : " (",
               reason.c_str(), reason.empty() ? "" : ")");
  return kExitFailed;
}

// A thread prints how long the operation has waited, every kJobPollSec seconds (the library's
// own interval between checks of a background job), until the operation returns.
JobProgress::JobProgress()
    : thread_([this] {
        std::unique_lock<std::mutex> lock(mutex_);
        for (long waited = kJobPollSec;
             !cv_.wait_for(lock, std::chrono::seconds(kJobPollSec), [this] { return done_; });
             waited += kJobPollSec) {
          std::fprintf(stderr, "  ... background job running, %ld s so far\n", waited);
        }
      }) {}

JobProgress::~JobProgress() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  cv_.notify_one();
  thread_.join();
}

}  // namespace unityctl
