#include "platform/SleepMillis.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/DiagLog.h"

namespace {

struct HookSlot {
  std::mutex mutex;
  SleepHook hook;
};

HookSlot& slot() {
  static HookSlot* instance = new HookSlot;  // never destroyed: sleepers may run during exit
  return *instance;
}

}  // namespace

void SleepMillis(unsigned long milliseconds, const char* sourceFile, int sourceLine) {
  SleepHook hook;
  {
    HookSlot& s = slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    hook = s.hook;
  }
  DiagLog log;
  log.logLevelNoJob("SleepMillis", 7, "Sleeping %lu ms for %s:%d", milliseconds,
                    sourceFile != nullptr ? sourceFile : "?", sourceLine);
  // The hook runs outside the lock, so it may take its time or replace itself.
  if (hook) {
    hook(milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

void SetSleepHook(SleepHook hook) {
  HookSlot& s = slot();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.hook = std::move(hook);
}
