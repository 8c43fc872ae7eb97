// Settings store of the host product: an INI file named by UNITY_SETTINGS_FILE, with an
// in-process override layer that tests and unityctl use. One object is made per read.
#pragma once

#include <string>

class PlatformSettings {
 public:
  PlatformSettings() = default;

  // Copies the value of [section] key into buffer (at most size - 1 bytes, always NUL-terminated
  // when size > 0). Returns non-zero when the key exists; the buffer is left untouched otherwise.
  int readString(const char* section, const char* key, char* buffer, unsigned long size);
  // Returns non-zero when the key exists and holds an integer; *out then holds it.
  int readInt(const char* section, const char* key, int* out);

  // Override layer, consulted before the file. Thread-safe.
  static void setOverride(const std::string& section, const std::string& key,
                          const std::string& value);
  static void removeOverride(const std::string& section, const std::string& key);
  static void clearOverrides();
};
