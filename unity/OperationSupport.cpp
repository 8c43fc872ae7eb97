#include "unity/OperationSupport.h"

#include <cstdarg>
#include <string>

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

bool LookupCountFailed(Operation& op, const Lookup& lookup, std::size_t count) {
  if (lookup.failureLine.empty()) {
    op.Log(-1, "Got invalid number of %s info [%zu]", lookup.what, count);
  } else {
    op.Log(-1, "%s", lookup.failureLine.c_str());
  }
  ManageEMCUnity& session = op.session();
  if (count == 0) {
    session.errorCode = kMissingResourceCode;
    session.errorText = kMissingResourceText;
  } else {
    session.errorCode = kSeveralFoundCode;
    session.errorText = std::to_string(count) + " " + lookup.things + " are " + lookup.match;
    if (!lookup.narrow.empty()) session.errorText += "; " + lookup.narrow;
  }
  return false;
}

void Operation::Request(const char* format, ...) {
  va_list args;
  va_start(args, format);
  log.vlogLevel(tag, 0, job, format, args);
  va_end(args);
}

void Operation::Log(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  log.vlogLevel(tag, level, job, format, args);
  va_end(args);
}

bool Operation::Succeeded(const char* format, ...) {
  va_list args;
  va_start(args, format);
  log.vlogLevel(tag, 0, job, format, args);
  va_end(args);
  return true;
}

bool Operation::Failed(const char* format, ...) {
  va_list args;
  va_start(args, format);
  log.vlogLevel(tag, -1, job, format, args);
  va_end(args);
  return false;
}
