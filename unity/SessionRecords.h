/// \file
/// Records of the session, system and job messages: plain values, copied member by member.
#pragma once

#include <string>

/// One entry of the array's basic system information.
struct _UnityBasicSystemInfo {
  std::string model;               ///< The array's model, e.g. "Unity 450F".
  std::string name;                ///< The array's name.
  std::string softwareVersion;     ///< The array's software version.
  std::string apiVersion;          ///< The newest REST API version the array speaks.
  std::string earliestApiVersion;  ///< The oldest REST API version the array speaks.
  /// From the "system" resource; filled in by the session, not by the basic-information answer.
  std::string serialNumber;

  /// Empties every field.
  void clear() {
    model.clear();
    name.clear();
    softwareVersion.clear();
    apiVersion.clear();
    earliestApiVersion.clear();
    serialNumber.clear();
  }
};

/// The array's "system" resource, as far as the session reads it.
struct _UnitySystemInfo {
  std::string serialNumber;  ///< The array's serial number.

  /// Empties every field.
  void clear() { serialNumber.clear(); }
};

/// State of one background job. States 1 and 2: running; 4: completed successfully; any other
/// state: finished and failed.
struct _UnityJobDetail {
  std::string id;  ///< The job's id.
  int state = 4;   ///< The job's state number (see above).
  /// The job's "parametersOut" rewrapped as {"content": ...}, the shape of a creation answer.
  std::string parametersOut;
  long long httpStatusCode = 0;      ///< HTTP status the job's request would have had; 0 unknown.
  unsigned long long errorCode = 0;  ///< The job's error code; 0 none.
  std::string errorMessage;          ///< The job's error text.

  /// Restores the defaults.
  void clear() {
    id.clear();
    state = 4;
    parametersOut.clear();
    httpStatusCode = 0;
    errorCode = 0;
    errorMessage.clear();
  }
};
