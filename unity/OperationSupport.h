// Pieces every public operation of the session shares. Internal: not exported.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/messages/ArrayCodes.h"

// An answer the array sent that the session cannot use (not readable JSON, or a login answer
// without its CSRF token): code 1 and `text` on the session unless the array's own error is already
// there, so that a failed operation never leaves an empty error state.
void FailUnusableAnswer(ManageEMCUnity& session, const std::string& text);
constexpr const char kUnreadableAnswerText[] = "The array's answer could not be read";

// The failed input check of an operation: code 2 and the operation's own text on the session,
// the line "Error: <text>" in the log, and false. Nothing has been sent.
bool RefuseInput(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                 const std::string& text);

// Caller values that travel in a filter: the first of `values` (field name, text) holding a double
// quote is refused as the operation's failed input check (RefuseInput with the text of
// FilterQuoteErrorText). True when one was refused.
bool RefuseUnquotable(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                      const std::vector<std::pair<std::string, std::string>>& values);

// The opening and closing every public operation shares: its log tag
// "ManageEMCUnity::<name>", the session's job id, the level 0 request and outcome lines, the
// refusals of bad input before anything is sent, and the message's Init with the session's job
// id and API version. One lives on the stack of each operation.
class Operation {
 public:
  Operation(ManageEMCUnity& session, const char* name)
      : session_(session),
        tag(std::string("ManageEMCUnity::") + name),
        job(static_cast<long long>(session.jobId)) {}
  // An operation whose log tag is `wholeTag` as written, without the "ManageEMCUnity::" prefix.
  struct WholeTag {
    const char* text;
  };
  Operation(ManageEMCUnity& session, WholeTag wholeTag)
      : session_(session), tag(wholeTag.text), job(static_cast<long long>(session.jobId)) {}

  // The request line (level 0): what was asked, with its inputs.
  void Request(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A line at `level` under the operation's tag and job id.
  void Log(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // The outcome line of a success (level 0); returns true.
  bool Succeeded(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A failure line (level -1); returns false. The session's error state is left as it is.
  bool Failed(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // RefuseInput with this operation's tag: code 2 and `text`, nothing sent; returns false.
  bool Refuse(const std::string& text) { return RefuseInput(session_, log, tag, text); }
  // RefuseUnquotable with this operation's tag; true when a value was refused.
  bool RefuseUnquotable(const std::vector<std::pair<std::string, std::string>>& values) {
    return ::RefuseUnquotable(session_, log, tag, values);
  }

  ManageEMCUnity& session() const { return session_; }

  // Prepares a message for this session: its job id and API version.
  template <typename Message>
  void Init(Message& message) const {
    message.Init(session_.jobId, session_.apiVersion);
  }

 private:
  ManageEMCUnity& session_;

 public:
  DiagLog log;
  const std::string tag;
  const long long job;
};

// The library's own code for a lookup that needed exactly one object and found several.
constexpr unsigned long long kSeveralFoundCode = 3;

// What an exactly-one lookup asked for. When it finds several, the session's text says how many
// and what narrows the search: "<count> <things> are <match>; <narrow>", for example "2 file
// systems are named Projects; name the NAS server too" (without "; <narrow>" when it is empty).
struct Lookup {
  const char* what;    // for the log line "Got invalid number of <what> info [<count>]"
  const char* things;  // the plural, "file systems"
  std::string match;   // "named Projects"
  std::string narrow;  // what the caller can add, or empty
  // The operation's own level -1 line instead of "Got invalid number of ...", or empty.
  std::string failureLine = std::string();
};

// The error state of a lookup that found `count` objects where it needed one: none sets the
// array's missing-resource error, several kSeveralFoundCode with the Lookup's text. Logs the
// lookup's failure line and returns false.
bool LookupCountFailed(Operation& op, const Lookup& lookup, std::size_t count);

// The common end of a lookup that must find exactly one record: it is moved to `out`; any other
// count fails through LookupCountFailed.
template <typename Record>
bool TakeSingle(Operation& op, const Lookup& lookup, std::vector<Record>& found, Record& out) {
  if (found.size() != 1) return LookupCountFailed(op, lookup, found.size());
  out = std::move(found.front());
  return true;
}
