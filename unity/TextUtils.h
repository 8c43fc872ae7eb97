/// \file
/// Small text functions shared by the messages and the session. None keeps state. The five
/// non-template functions are part of the library's external interface.
#pragma once

#include <string>

#include "unity/UnityExport.h"

/// Host operating system types known to the array's host objects. The fixed underlying type keeps
/// any value a caller passes defined.
enum _EMCUnityOSType : int {
  UnityOSTypeInvalid = -1,  ///< A text that names no known type.
  UnityOSTypeNone = 0,      ///< "none".
};

/// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks) over the bytes of `in`.
UNITY_EXPORT std::string base64_encode(const std::string& in);

/// Percent-encodes every byte except ASCII letters, digits and "-_.~" (uppercase hex digits).
UNITY_EXPORT std::string url_encode(const std::string& in);

/// Replaces every occurrence of `from` in `text`, scanning on after each inserted `to` so that a
/// replacement containing `from` is not replaced again. An empty `from` leaves `text` unchanged.
UNITY_EXPORT void Replace_All(std::string& text, const std::string& from, const std::string& to);

/// Compares dotted version strings numerically component by component (missing components are 0):
/// 1 when `left` is greater, -1 when `right` is greater, 0 when equal ("5" equals "5.0").
UNITY_EXPORT int apiVersionCompare(std::string left, std::string right);

/// The index of the first of `count` entries of `table` equal to `text`, as E; `defaultValue` when
/// none matches.
template <typename E>
E stringToValue(const std::string& text, const std::string* table, unsigned long count,
                E defaultValue) {
  for (unsigned long i = 0; i < count; ++i) {
    if (table[i] == text) return static_cast<E>(i);
  }
  return defaultValue;
}

/// "none" gives UnityOSTypeNone; every other text UnityOSTypeInvalid.
UNITY_EXPORT _EMCUnityOSType stringToUnityOSTypeValue(const std::string& text);
