#pragma once
// The JSON forms of the control API (faults, slow actions, journal entries), shared by the API
// and by unity-sim's start-up options. The parsers throw std::invalid_argument with a text that
// names the offending field.

#include <cstdint>
#include <string>

#include "sim/Faults.h"
#include "sim/Journal.h"
#include "sim/Json.h"

namespace unitysim {

class Simulator;

// {"kind": "status" | "error" | "body" | "malformed" | "truncated" | "drop" | "drop-after-work" |
//  "delay" | "no-csrf" | "stall", "status", "withBody", "errorCode", "text", "body", "delayMs",
//  "method", "path", "count"}; fields the kind does not use are refused.
Fault faultFromJson(const Json& request);
Json faultToJson(const Fault& fault);

struct SlowAction {
  std::string type;
  std::string action;  // "create", "delete" or an action name
  int polls = 0;
};
// {"type", "action", "polls"}
SlowAction slowFromJson(const Json& request);
// "type:action:N", as unity-sim's --slow takes it.
SlowAction slowFromText(const std::string& text);
// Sets the action slow; refuses a type the simulator does not define.
void applySlow(Simulator& sim, const SlowAction& slow);

struct JobFailure {
  std::uint32_t errorCode = 0;
  std::string message;
  int httpStatus = 422;
};
// {"errorCode", "message", "httpStatus"}; errorCode required.
JobFailure jobFailureFromJson(const Json& request);

// {"index", "time", "method", "target", "status", "fault", "headers": [[name, value]], "body"}
// with the secret-bearing header values masked.
Json journalEntryToJson(const JournalEntry& entry, size_t index);

// JSON text for an answer; invalid UTF-8 from a client (a body, a header) is replaced, not thrown.
std::string dumpForAnswer(const Json& value);

}  // namespace unitysim
