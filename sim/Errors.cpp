#include "sim/Errors.h"

#include <cstdio>

namespace unitysim {

ApiError notFound() {
  return ApiError(404, code::kNotFound, "The requested resource does not exist.");
}

ApiError hostNotFound(const std::string& idOrName) {
  // Two spaces before "Please", as the array writes it.
  return ApiError(
      422, code::kHostNotFound,
      "Cannot find the specified host by id/name " + idOrName + ".  Please recheck if it exists.");
}

std::string messageWithCode(const std::string& text, std::uint32_t errorCode) {
  char hex[24];
  std::snprintf(hex, sizeof hex, "0x%x", errorCode);
  return text + " (Error Code:" + hex + ")";
}

Json errorEnvelope(int httpStatus, std::uint32_t errorCode, const std::string& text,
                   const std::string& created) {
  Json message = Json::object();
  message["en-US"] = messageWithCode(text, errorCode);
  Json error = Json::object();
  error["errorCode"] = errorCode;
  error["httpStatusCode"] = httpStatus;
  error["messages"] = Json::array({message});
  error["created"] = created;
  return Json{{"error", error}};
}

}  // namespace unitysim
