#pragma once
// The simulator's JSON type and the value conventions of the array (boolean spellings,
// case-insensitive text comparison).

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace unitysim {

using Json = nlohmann::json;

// The array's input spellings of booleans, case-insensitive: true/t/yes/y/1 and false/f/no/n/0.
// A JSON boolean, a string with one of these spellings or the numbers 0 and 1 are accepted.
std::optional<bool> parseBoolean(const Json& value);
std::optional<bool> parseBooleanText(const std::string& text);

bool equalsIgnoreCase(const std::string& a, const std::string& b);
std::string toLower(std::string text);

// Text of a scalar as the array would compare it: strings as they are, numbers and booleans in
// their JSON form.
std::string scalarText(const Json& value);

}  // namespace unitysim
