#include "platform/PlatformSettings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>

namespace {

using Key = std::pair<std::string, std::string>;  // (section, key), both folded to lower case

std::string lower(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string trim(const std::string& text) {
  const char* blanks = " \t\r\n\f\v";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

struct Overrides {
  std::mutex mutex;
  std::map<Key, std::string> values;
};

Overrides& overrides() {
  static Overrides* instance = new Overrides;  // never destroyed: readers may run during exit
  return *instance;
}

// Looks the key up in the file named by UNITY_SETTINGS_FILE. The file is read afresh on every
// lookup: the library reads a setting once per operation at most, and a changed file takes effect
// without a restart. The last assignment of a key in its section wins.
bool findInFile(const std::string& section, const std::string& key, std::string& value) {
  const char* path = std::getenv("UNITY_SETTINGS_FILE");
  if (path == nullptr || *path == '\0') return false;
  std::ifstream in(path);
  if (!in) return false;

  bool inSection = false;
  bool found = false;
  std::string raw;
  while (std::getline(in, raw)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      // A malformed header ends the current section, so the keys under it cannot be taken for
      // keys of the section before it.
      const bool wellFormed = line.size() > 2 && line.back() == ']';
      inSection = wellFormed && lower(trim(line.substr(1, line.size() - 2))) == section;
      continue;
    }
    if (!inSection) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;  // malformed: skipped
    const std::string name = trim(line.substr(0, eq));
    if (name.empty() || lower(name) != key) continue;
    value = trim(line.substr(eq + 1));
    found = true;
  }
  return found;
}

bool lookup(const char* section, const char* key, std::string& value) {
  if (section == nullptr || key == nullptr) return false;
  const Key k{lower(section), lower(key)};
  {
    Overrides& o = overrides();
    std::lock_guard<std::mutex> lock(o.mutex);
    const auto it = o.values.find(k);
    if (it != o.values.end()) {
      value = it->second;
      return true;
    }
  }
  return findInFile(k.first, k.second, value);
}

}  // namespace

int PlatformSettings::readString(const char* section, const char* key, char* buffer,
                                 unsigned long size) {
  std::string value;
  if (!lookup(section, key, value)) return 0;
  if (buffer != nullptr && size > 0) {
    const size_t n = std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
  }
  return 1;
}

int PlatformSettings::readInt(const char* section, const char* key, int* out) {
  std::string value;
  if (!lookup(section, key, value) || value.empty()) return 0;
  const char* begin = value.c_str();
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
    return 0;
  if (out != nullptr) *out = static_cast<int>(parsed);
  return 1;
}

void PlatformSettings::setOverride(const std::string& section, const std::string& key,
                                   const std::string& value) {
  Overrides& o = overrides();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.values[Key{lower(section), lower(key)}] = value;
}

void PlatformSettings::removeOverride(const std::string& section, const std::string& key) {
  Overrides& o = overrides();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.values.erase(Key{lower(section), lower(key)});
}

void PlatformSettings::clearOverrides() {
  Overrides& o = overrides();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.values.clear();
}
