// Marks the library's external interface; everything else is hidden (-fvisibility=hidden).
#pragma once

#define UNITY_EXPORT __attribute__((visibility("default")))
