#include "unity/ManageEMCUnity.h"

#include <string.h>

#include <cstdio>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PasswordCodec.h"
#include "unity/OperationSupport.h"
#include "unity/TextUtils.h"

ManageEMCUnity::ManageEMCUnity()
    : jobId(0),
      errorCode(0),
      httpStatus(0),
      loggedIn(false),
      transportReady(false),
      apiVersionKnown(false) {
  Init();
}

ManageEMCUnity::ManageEMCUnity(const unsigned long long& id) : ManageEMCUnity() {
  jobId = id;
}

void ManageEMCUnity::Init() {
  fileServer.clear();
  userName.clear();
  password.clear();
  cookieFile.clear();
  csrfHeader.clear();
  jobId = 0;
  // A transport from an earlier Init is released the way the destructor releases it.
  if (transport) transport->deinit();
  transport = std::make_unique<HttpTransport>();
  loggedIn = false;
  transportReady = false;
  apiVersion = "4.0";
  apiVersionKnown = false;
}

void ManageEMCUnity::clearError() {
  errorCode = 0;
  httpStatus = 0;
  errorText.clear();
}

void ManageEMCUnity::ErrorCodeToString(std::string& out, const unsigned long long& code) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%llu", code);
  out = buffer;
}

bool ManageEMCUnity::SetPasswd(const std::string& passwd, bool base64Encode, bool decodeStored) {
  Operation op(*this, "SetPasswd");
  password = passwd;
  if (decodeStored) {
    char plain[2048] = {};
    unsigned long length = sizeof(plain);
    PasswordCodec codec;
    const int decoded = codec.decode(passwd.c_str(), plain, &length);
    plain[sizeof(plain) - 1] = '\0';
    if (decoded != 0) password = plain;
    // The plain password does not outlive this call on the stack.
    explicit_bzero(plain, sizeof(plain));
    if (decoded == 0) {
      op.log.logJob(op.tag, op.job, "Failed to decrypt password.");
      return false;
    }
  }
  if (base64Encode) password = base64_encode(password);
  return true;
}
