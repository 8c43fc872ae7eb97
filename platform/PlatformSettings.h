// Settings store of the host product: an INI file named by UNITY_SETTINGS_FILE, with an
// in-process override layer that tests and unityctl use. One object is made per read.
//
// File format: "[section]" headers and "key = value" lines; blanks around names and values are
// trimmed; whole lines starting with '#' or ';' are comments (a '#' or ';' inside a value is part
// of the value). Section and key names match case-insensitively. Malformed lines are skipped; keys
// under a malformed section header belong to no section. No file, or an unreadable one, means
// nothing is found. The file is read afresh on every call, so edits apply without a restart.
#pragma once

#include <string>

// The section of the library's own settings: time-outs, trust, job polling.
constexpr char kUnitySettingsSection[] = "~Tessaline";

class PlatformSettings {
 public:
  PlatformSettings() = default;

  // Copies the value of [section] key into buffer (at most size - 1 bytes, always NUL-terminated
  // when size > 0). Returns non-zero when the key exists; the buffer is left untouched otherwise.
  int readString(const char* section, const char* key, char* buffer, unsigned long size);
  // Returns non-zero when the key exists and its whole value is a decimal integer in int range
  // (optional sign; "12abc", "0x10", "" and "99999999999" are not); *out then holds it and is
  // left untouched otherwise.
  int readInt(const char* section, const char* key, int* out);

  // Override layer, consulted before the file. Thread-safe.
  static void setOverride(const std::string& section, const std::string& key,
                          const std::string& value);
  static void removeOverride(const std::string& section, const std::string& key);
  static void clearOverrides();
};
