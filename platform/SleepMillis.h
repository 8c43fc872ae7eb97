// Sleep primitive of the host product, with a hook so tests can replace the wait.
#pragma once

#include <functional>

void SleepMillis(unsigned long milliseconds, const char* sourceFile, int sourceLine);

// Replaces the sleep process-wide while set; an empty function restores the real sleep.
using SleepHook = std::function<void(unsigned long milliseconds)>;
void SetSleepHook(SleepHook hook);
