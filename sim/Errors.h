#pragma once
// The array's error envelope and the codes the simulator answers with.
//
// kNotFound, kInvalidArgument, kHostNotFound, kNotOnPlatform, kHostInitiatorExists and
// kAlreadyAttached are codes seen on real arrays, with their statuses; the others are our choice
// within the families the array uses (0x7D13xxx for request and URI errors, 0x6000xxx for block and
// snapshot errors), kept here so tests and documentation name them once.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "sim/Json.h"

namespace unitysim {

namespace code {
constexpr std::uint32_t kNotFound = 131149829;         // 0x7D13005, 404: type, id, name, action
constexpr std::uint32_t kBadRequest = 131149825;       // 0x7D13001, 400: malformed query or body
constexpr std::uint32_t kInvalidArgument = 131149877;  // 0x7D13035, 422: unknown/bad argument
constexpr std::uint32_t kInvalidField = 131149878;     // 0x7D13036, 422: filter/orderby attribute
constexpr std::uint32_t kNotOnPlatform = 131150138;    // 0x7D1313A, 422: fields attribute unknown
constexpr std::uint32_t kHostNotFound = 131149864;     // 0x7D13028, 422: body names a missing host
constexpr std::uint32_t kInvalidFilter = 131149879;    // 0x7D13037, 400: filter syntax
constexpr std::uint32_t kUnauthorized = 131149828;     // 0x7D13004, 401: credentials or session
constexpr std::uint32_t kCsrf = 131149830;             // 0x7D13006, 401: missing or wrong token
constexpr std::uint32_t kNotSupported = 131149827;     // 0x7D13003, 405: operation not supported
constexpr std::uint32_t kHostInitiatorExists = 100663539;    // 0x60000F3, 422
constexpr std::uint32_t kAlreadyAttached = 100666332;        // 0x6000BDC, 409
constexpr std::uint32_t kNotAttached = 151032103;            // 0x9009127, 409
constexpr std::uint32_t kHostAccessNeedsAttach = 100666408;  // 0x6000C28, 409
constexpr std::uint32_t kDuplicateName = 100666337;          // 0x6000BE1, 409
constexpr std::uint32_t kNotReplicated = 100666338;          // 0x6000BE2, 422
constexpr std::uint32_t kInvalidState = 100666339;           // 0x6000BE3, 409
constexpr std::uint32_t kInternal = 131149826;               // 0x7D13002, 500
constexpr std::uint32_t kHostInUse = 100663573;              // 0x6000115, 409
}  // namespace code

// Thrown inside request handling and turned into the error envelope; never leaves the server.
class ApiError : public std::runtime_error {
 public:
  ApiError(int httpStatus, std::uint32_t errorCode, const std::string& text)
      : std::runtime_error(text), httpStatus_(httpStatus), errorCode_(errorCode) {}
  int httpStatus() const { return httpStatus_; }
  std::uint32_t errorCode() const { return errorCode_; }

 private:
  int httpStatus_;
  std::uint32_t errorCode_;
};

ApiError notFound();
// The array's answer to a request body naming a host (by id or name) that does not exist.
ApiError hostNotFound(const std::string& idOrName);

// "<text> (Error Code:0x7d13005)": the array appends the code in lower-case hexadecimal.
std::string messageWithCode(const std::string& text, std::uint32_t errorCode);

// {"error":{"errorCode":..,"httpStatusCode":..,"messages":[{"en-US":".."}],"created":".."}}
Json errorEnvelope(int httpStatus, std::uint32_t errorCode, const std::string& text,
                   const std::string& created);

}  // namespace unitysim
