#include "unity/OperationSupport.h"

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"

const char kMissingResourceText[] = "The requested resources do not exist";

bool RefuseInput(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                 const std::string& text) {
  session.errorCode = 2;
  session.errorText = text;
  log.logJob(tag, static_cast<long long>(session.jobId), "Error: %s", text.c_str());
  return false;
}
