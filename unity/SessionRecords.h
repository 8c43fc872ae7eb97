// Records of the session, system and job messages: plain values, copied member by member.
#pragma once

#include <string>

// One entry of the array's basic system information.
struct _UnityBasicSystemInfo {
  std::string model;
  std::string name;
  std::string softwareVersion;
  std::string apiVersion;
  std::string earliestApiVersion;
  // From the "system" resource; filled in by the session, not by the basic-information answer.
  std::string serialNumber;

  void clear() {
    model.clear();
    name.clear();
    softwareVersion.clear();
    apiVersion.clear();
    earliestApiVersion.clear();
    serialNumber.clear();
  }
};

struct _UnitySystemInfo {
  std::string serialNumber;

  void clear() { serialNumber.clear(); }
};

// State of one background job. States 1 and 2: running; 4: completed successfully; any other
// state: finished and failed.
struct _UnityJobDetail {
  std::string id;
  int state = 4;
  // The job's "parametersOut" rewrapped as {"content": ...}, the shape of a creation answer.
  std::string parametersOut;
  long long httpStatusCode = 0;
  unsigned long long errorCode = 0;
  std::string errorMessage;

  void clear() {
    id.clear();
    state = 4;
    parametersOut.clear();
    httpStatusCode = 0;
    errorCode = 0;
    errorMessage.clear();
  }
};
