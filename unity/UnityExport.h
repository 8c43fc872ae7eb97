/// \file
/// Marks the library's external interface; everything else is hidden (-fvisibility=hidden).
#pragma once

/// Gives a declaration default visibility: it is exported from libManageEMCUnity.so.
#define UNITY_EXPORT __attribute__((visibility("default")))
