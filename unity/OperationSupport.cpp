#include "unity/OperationSupport.h"

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/messages/FilterText.h"

void FailUnusableAnswer(ManageEMCUnity& session, const std::string& text) {
  if (session.errorCode != 0 && !session.errorText.empty()) return;
  session.errorCode = 1;
  session.errorText = text;
}

bool RefuseInput(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                 const std::string& text) {
  session.errorCode = 2;
  session.errorText = text;
  log.logJob(tag, static_cast<long long>(session.jobId), "Error: %s", text.c_str());
  return false;
}

bool RefuseUnquotable(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                      const std::vector<std::pair<std::string, std::string>>& values) {
  std::string refusal;
  for (const auto& value : values) {
    if (!CheckFilterValue(value.first, value.second, refusal)) {
      RefuseInput(session, log, tag, refusal);
      return true;
    }
  }
  return false;
}
