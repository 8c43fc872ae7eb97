// The array's own error codes that the library reads or reports itself. Internal: not exported.
#pragma once

// The array's code, and the text it uses, for an object that does not exist. Lookups that find
// nothing report the same, and several operations accept it as success.
constexpr unsigned long long kMissingResourceCode = 131149829ULL;  // 0x07D13005
inline constexpr char kMissingResourceText[] = "The requested resources do not exist";
