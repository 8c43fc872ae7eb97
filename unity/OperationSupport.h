// Pieces every public operation of the session shares. Internal: not exported.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "unity/messages/ArrayCodes.h"

class DiagLog;
class ManageEMCUnity;

// The failed input check of an operation: code 2 and the operation's own text on the session,
// the line "Error: <text>" in the log, and false. Nothing has been sent.
bool RefuseInput(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                 const std::string& text);

// Caller values that travel in a filter: the first of `values` (field name, text) holding a double
// quote is refused as the operation's failed input check (RefuseInput with the text of
// FilterQuoteErrorText). True when one was refused.
bool RefuseUnquotable(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                      const std::vector<std::pair<std::string, std::string>>& values);
