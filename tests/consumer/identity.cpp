// Reads an array's identity through the installed library and prints it.
//   unity-identity ARRAY USER
// The password comes from the environment variable UNITY_PASSWORD; certificate trust from the
// settings file named by UNITY_SETTINGS_FILE (UnityCAFile). Exit status 0 on success, 1 when the
// array could not be read (error code and text on stderr), 2 on wrong usage.
#include <cstdio>

#include "unity/ManageEMCUnity.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: unity-identity ARRAY USER (password in UNITY_PASSWORD)\n");
    return 2;
  }
  ManageEMCUnity session;
  session.userName = argv[2];
  if (!session.SetPasswd("env:UNITY_PASSWORD", false, true) || !session.SetFileServer(argv[1])) {
    std::fprintf(stderr, "unity-identity: cannot configure the session\n");
    return 1;
  }
  _UnityBasicSystemInfo info;
  if (!session.GetBasicSystemInformation(info)) {
    std::fprintf(stderr, "unity-identity: error %llu: %s\n", session.errorCode,
                 session.errorText.c_str());
    return 1;
  }
  std::printf("model %s\nname %s\nsoftware %s\napi %s\nserial %s\n", info.model.c_str(),
              info.name.c_str(), info.softwareVersion.c_str(), info.apiVersion.c_str(),
              info.serialNumber.c_str());
  return 0;
}
