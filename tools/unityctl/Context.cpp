#include "tools/unityctl/Context.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "tools/unityctl/Output.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

bool jsonErrors = false;

// Why the library could not decode a stored password form, in words that say what to fix.
std::string WhyStoredFormFails(const std::string& form, const std::string& source) {
  if (form.rfind("env:", 0) == 0) {
    const std::string name = form.substr(4);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value == nullptr)
      return "the environment variable '" + name + "' named by " + source + " is not set";
    return "the environment variable '" + name + "' named by " + source + " is empty";
  }
  if (form.rfind("file:", 0) == 0) {
    const std::string path = form.substr(5);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
      return "the password file '" + path + "' named by " + source +
             " cannot be read: " + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "the password file '" + path + "' is not a regular file";
    if ((st.st_mode & 077) != 0) {
      char mode[8];
      std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
      return "the password file '" + path + "' may be read by others (mode " + mode +
             "); run: chmod 600 '" + path + "'";
    }
    std::ifstream file(path);
    std::string line;
    if (!file) return "the password file '" + path + "' cannot be read: " + std::strerror(errno);
    if (!std::getline(file, line) || line.empty() || line == "\r")
      return "the password file '" + path + "' is empty: the first line is the password";
    return "the password file '" + path + "' could not be used";
  }
  if (form.rfind("base64:", 0) == 0)
    return "the text after base64: in " + source +
           " is not valid Base64 (A-Z a-z 0-9 + /, padded with = to a multiple of 4)";
  return "the stored password in " + source + " could not be decoded";
}

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
      Complain(kExitUsage, "--password-from takes env:NAME, file:PATH or base64:TEXT");
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
  Complain(kExitUsage, "no password",
           "set UNITY_PASSWORD, use --password-from, or run on a terminal to be asked");
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

  if (options.insecure)
    std::fprintf(stderr,
                 "unityctl: warning: --insecure: the array's certificate is not checked, so "
                 "anyone on the way can read the password\n");

  if (options.array.empty() || options.user.empty()) {
    Complain(kExitUsage, "the array and the user are required",
             "give --array (or UNITY_ARRAY) and --user (or UNITY_USER)");
    return nullptr;
  }
  std::string address;
  if (!ArrayAddress(options.array, address)) {
    Complain(kExitUsage, "'" + options.array + "' is not an array address",
             "give HOST, HOST:PORT or https://HOST:PORT");
    return nullptr;
  }
  std::string password;
  bool stored = false;
  if (!ReadPassword(options, password, stored)) return nullptr;

  auto session = std::make_unique<ManageEMCUnity>(options.jobId);
  session->userName = options.user;
  if (!session->SetPasswd(password, false, stored)) {
    Complain(kExitUsage,
             WhyStoredFormFails(
                 password, options.passwordForm.empty() ? "UNITY_PASSWORD" : "--password-from"));
    return nullptr;
  }
  session->SetFileServer(address);
  return session;
}

bool ArrayAddress(const std::string& given, std::string& address) {
  address = given;
  const std::string::size_type scheme = address.find("://");
  if (scheme != std::string::npos) {
    std::string name = address.substr(0, scheme);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name != "https") return false;
    address.erase(0, scheme + 3);
  }
  while (!address.empty() && address.back() == '/') address.pop_back();
  return !address.empty() && address.find('/') == std::string::npos;
}

void UseJsonErrors(bool json) {
  jsonErrors = json;
}

int Complain(int exitStatus, const std::string& text, const std::string& advice,
             const Fields& details) {
  if (jsonErrors) {
    Fields fields = {{"error", text}};
    fields.insert(fields.end(), details.begin(), details.end());
    if (!advice.empty()) fields.emplace_back("advice", advice);
    fields.emplace_back("exitStatus", exitStatus);
    std::fprintf(stderr, "%s\n", JsonObject(fields).c_str());
  } else {
    std::fprintf(stderr, "unityctl: %s\n", text.c_str());
    if (!advice.empty()) std::fprintf(stderr, "unityctl: %s\n", advice.c_str());
  }
  return exitStatus;
}

int ReportFailure(const ManageEMCUnity& session, const std::string& what) {
  const std::string reason = TransportReason();
  std::string text =
      what + " failed: error " + std::to_string(session.errorCode) + ": " + session.errorText;
  // An answer without a body carries nothing but its status, so the status is the news.
  if (session.errorCode == 1 && session.httpStatus > 0)
    text += " (HTTP " + std::to_string(session.httpStatus) + ")";
  if (!reason.empty()) text += " (" + reason + ")";

  std::string advice;
  if (session.errorCode == kMissingResource) {
    advice = "check the id or name; the list commands show what exists";
  } else if (session.errorCode == 5 || session.errorCode == kWrongCredentials) {
    advice = "check --user and the password (UNITY_PASSWORD or --password-from)";
  } else if (reason.find("certificate") != std::string::npos) {
    advice = "give the CA that signs the array's certificate with --ca-file";
  } else if (reason.find("resolve") != std::string::npos ||
             reason.find("connect") != std::string::npos) {
    advice = "check --array (HOST:PORT or https://HOST:PORT) and that the array is reachable";
  } else if (session.errorCode == 1 && session.httpStatus == 414) {
    advice = "ask for fewer objects at a time";
  }
  Fields details = {{"code", session.errorCode}, {"text", session.errorText}};
  if (session.httpStatus > 0) details.emplace_back("httpStatus", session.httpStatus);
  if (!reason.empty()) details.emplace_back("transport", reason);
  return Complain(session.errorCode == 2 ? kExitUsage : kExitFailed,
                  jsonErrors ? what + " failed" : text, advice, details);
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
