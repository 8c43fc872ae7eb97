#include "tests/support/SimulatorFixture.h"

#include <utility>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "platform/SleepMillis.h"

namespace unitytest {

SleepCounter::SleepCounter() {
  std::shared_ptr<State> state = state_;
  SetSleepHook([state](unsigned long milliseconds) {
    state->waits.fetch_add(1);
    state->millis.fetch_add(milliseconds);
  });
}

SleepCounter::~SleepCounter() {
  SetSleepHook(SleepHook());
}

ScopedSetting::ScopedSetting(std::string section, std::string key, const std::string& value)
    : section_(std::move(section)), key_(std::move(key)) {
  PlatformSettings::setOverride(section_, key_, value);
}

ScopedSetting::~ScopedSetting() {
  PlatformSettings::removeOverride(section_, key_);
}

void SimulatorTest::SetUp() {
  diaglog::setQuiet(true);
  sim_ = std::make_unique<unitysim::Simulator>(simOptions());
  sim_->start();
  PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, sim_->caFile());
  sleeps_ = std::make_unique<SleepCounter>();
}

void SimulatorTest::TearDown() {
  session_.reset();
  sleeps_.reset();
  PlatformSettings::clearOverrides();
  if (sim_) sim_->stop();
  sim_.reset();
  diaglog::setQuiet(false);
}

std::unique_ptr<ManageEMCUnity> SimulatorTest::makeSession(unsigned long long jobId) const {
  auto session = std::make_unique<ManageEMCUnity>(jobId);
  session->userName = kUser;
  session->SetPasswd(kPassword, false, false);
  session->SetFileServer(sim_->host());
  return session;
}

ManageEMCUnity& SimulatorTest::session() {
  if (!session_) session_ = makeSession();
  return *session_;
}

std::vector<unitysim::JournalEntry> SimulatorTest::requests(const std::string& method,
                                                            const std::string& prefix) const {
  return sim_->journal().matching(method, prefix);
}

size_t SimulatorTest::loginRequests() const {
  size_t count = 0;
  for (const unitysim::JournalEntry& e : requests("GET", "/api/types/loginSessionInfo")) {
    if (e.hasHeader("Authorization")) ++count;
  }
  return count;
}

}  // namespace unitytest
