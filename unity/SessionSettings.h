// Settings the session reads from the host's settings store. Internal to the library.
#pragma once

#include <string>

// [NAS] key. `value` always receives the stored text (empty when the key is missing); true when
// the store has the key.
bool GetRegStr(const char* key, std::string& value);
// [~Tessaline] key. Non-zero when found, and `value` then holds it; `value` is untouched otherwise.
int GetRegInt(const char* key, int& value);
// GetRegStr, read as a yes/no flag: true only for a value beginning with 'y' or 'Y'.
bool GetRegYes(const char* key);
