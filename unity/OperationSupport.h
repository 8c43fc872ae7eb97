// Pieces every public operation of the session shares. Internal: not exported.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "unity/messages/ArrayCodes.h"

class DiagLog;
class ManageEMCUnity;

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
