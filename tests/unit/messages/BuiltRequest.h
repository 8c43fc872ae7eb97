// The request a message builds, as the session has it built: Init with the job and API version,
// then BuildRequest into a body that held something before.
#pragma once

#include <string>

#include "unity/EMCUnityJSON.h"

namespace unitytest {

struct BuiltRequest {
  bool built;
  int method;
  std::string uri;
  std::string body;
};

// `timeoutSetting` other than -2 is applied the way the session applies a configured time-out.
inline BuiltRequest Build(EMCUnityJsonBase& message, long timeoutSetting = -2,
                          const std::string& apiVersion = "5.0") {
  message.Init(7, apiVersion);
  if (timeoutSetting != -2) message.setTimeout(timeoutSetting);
  std::string body = "stale";
  const bool built = message.BuildRequest(body);
  return BuiltRequest{built, message.getHttpReqType(), message.GetNextURI(), body};
}

inline BuiltRequest Build(EMCUnityJsonBase&& message) {
  return Build(message);
}

}  // namespace unitytest
