#include "tools/unityctl/Context.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "platform/SleepMillis.h"
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
  const char* logFile = std::getenv("UNITY_LOG_FILE");
  if (options.logLevelGiven) diaglog::setLevel(options.logLevel);  // else UNITY_LOG_LEVEL's
  diaglog::setQuiet(!options.logLevelGiven && (logFile == nullptr || *logFile == '\0'));
}

std::unique_ptr<ManageEMCUnity> OpenSession(const CommonOptions& options) {
  ApplyLogOptions(options);
  if (!options.caFile.empty())
    PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, options.caFile);
  if (options.insecure) PlatformSettings::setOverride(kUnitySettingsSection, kInsecureSetting, "1");

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
  const std::string reason = session.transport ? session.transport->lastTransportError() : "";
  std::fprintf(stderr, "unityctl: %s failed: error %llu: %s%s%s%s\n", what.c_str(),
               static_cast<unsigned long long>(session.errorCode), text, reason.empty() ? "" : " (",
               reason.c_str(), reason.empty() ? "" : ")");
  return kExitFailed;
}

JobProgress::JobProgress(unsigned long sleepScalePercent) {
  SetSleepHook([sleepScalePercent](unsigned long milliseconds) {
    std::fprintf(stderr, "  ... background job running, next check in %lu s\n",
                 milliseconds / 1000);
    usleep(static_cast<useconds_t>(milliseconds * sleepScalePercent / 100 * 1000));
  });
}

JobProgress::~JobProgress() {
  SetSleepHook(nullptr);
}

}  // namespace unityctl
