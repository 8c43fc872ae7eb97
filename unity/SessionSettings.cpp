#include "unity/SessionSettings.h"

#include "platform/PlatformSettings.h"

bool GetRegStr(const char* key, std::string& value) {
  char buffer[256] = {};
  PlatformSettings settings;
  const int found = settings.readString("NAS", key, buffer, sizeof(buffer));
  buffer[sizeof(buffer) - 1] = '\0';
  value = buffer;
  return found != 0;
}

int GetRegInt(const char* key, int& value) {
  PlatformSettings settings;
  return settings.readInt(kUnitySettingsSection, key, &value);
}

bool GetRegYes(const char* key) {
  std::string value;
  GetRegStr(key, value);
  return !value.empty() && (value[0] == 'y' || value[0] == 'Y');
}
