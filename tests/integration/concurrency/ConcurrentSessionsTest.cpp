// Many jobs at once, each with its own session on its own thread, against one array or several:
// results, error state, cookies, tokens and log lines stay with their job.
#include <cstdio>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/DiagLog.h"
#include "platform/HttpTransport.h"
#include "platform/PlatformSettings.h"
#include "tests/support/JobSeed.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {
namespace {

using unitysim::Fault;

const unsigned long long kFirstJob = 7100;
const char kSerial[] = "CKM00213300417";
const size_t kSeededSnaps = 7;

std::string ResourceOf(unsigned long long job) {
  return "res_job" + std::to_string(job);
}

struct JobRecord {
  unsigned long long job = 0;
  size_t array = 0;  // index of its simulator
  std::string name;  // the job's snapshot name; its copy is name + "_copy"
  SnapID snap = 0;
  SnapID copy = 0;
  std::string copyName;
  unsigned long long injectedCode = 0, codeSeen = 0;
  unsigned long long finalCode = 99;
  std::vector<std::string> failedSteps;
};

struct Shape {
  const char* name;
  int sessions;
  int simulators;
};

class ConcurrentSessionsTest : public ::testing::TestWithParam<Shape> {
 protected:
  void SetUp() override {
    diaglog::setQuiet(true);
    std::string bundle;
    unitysim::SimOptions options;
    std::vector<std::string> resources;
    for (int i = 0; i < GetParam().sessions; ++i)
      resources.push_back(ResourceOf(kFirstJob + static_cast<unsigned long long>(i)));
    options.seed = SeedWithJobResources(resources).dump();
    for (int i = 0; i < GetParam().simulators; ++i) {
      sims_.push_back(std::make_unique<unitysim::Simulator>(options));
      sims_.back()->start();
      // A sync answers 202 and finishes on the first poll: a background job in every workflow.
      sims_.back()->setSlow("replicationSession", "sync", 1);
      std::ifstream ca(sims_.back()->caFile());
      bundle.append(std::istreambuf_iterator<char>(ca), std::istreambuf_iterator<char>());
    }
    // One CA bundle trusts every simulator; named per process, as other runs share the folder.
    const std::string unique = std::string(GetParam().name) + "_" + std::to_string(::getpid());
    bundlePath_ = ::testing::TempDir() + "concurrency_ca_" + unique + ".pem";
    std::ofstream(bundlePath_) << bundle;
    PlatformSettings::setOverride(kUnitySettingsSection, kCAFileSetting, bundlePath_);
    logPath_ = ::testing::TempDir() + "concurrency_log_" + unique + ".txt";
    std::remove(logPath_.c_str());
    ASSERT_TRUE(diaglog::setFile(logPath_));
    diaglog::setLevel(7);
    diaglog::setQuiet(false);
  }

  void TearDown() override {
    diaglog::setQuiet(true);
    diaglog::setLevel(0);
    diaglog::setFile("");
    PlatformSettings::clearOverrides();
    for (auto& sim : sims_) sim->stop();
    std::remove(bundlePath_.c_str());
    std::remove(logPath_.c_str());
    diaglog::setQuiet(false);
  }

  // One job's workflow, with a forced re-login, an array error and a dropped connection.
  void RunJob(unitysim::Simulator& sim, JobRecord& r) {
    auto step = [&r](const char* what, bool ok) {
      if (!ok) r.failedSteps.push_back(what);
      return ok;
    };
    ManageEMCUnity s(r.job);
    s.userName = "admin";
    s.SetPasswd("Password123!", false, false);
    s.SetFileServer(sim.host());
    _UnityBasicSystemInfo info;
    if (!step("open", s.OpenConnection(true)) ||
        !step("identity", s.GetBasicSystemInformation(info)))
      return;
    if (info.serialNumber != kSerial) r.failedSteps.push_back("serial " + info.serialNumber);
    const std::string resource = ResourceOf(r.job);
    if (!step("create", s.CreateSnapShot(r.snap, resource, r.name, false))) return;
    std::vector<_UnitySnapInfo> list;
    if (!step("list", s.GetSnapShotList(list, std::vector<std::string>{r.name}, false))) return;
    if (list.size() != 1 || list[0].snapId != r.snap) r.failedSteps.push_back("list content");

    const std::string snapPath = "/api/instances/snap/" + std::to_string(r.snap);
    sim.faults().add(Fault::httpStatus(401, false).on("POST", snapPath + "/action/copy"));
    if (!step("copy", s.CopySnapshot(r.copy, r.snap, r.name + "_copy"))) return;

    const std::string copyPath = "/api/instances/snap/" + std::to_string(r.copy);
    _UnitySnapInfo copyInfo;
    sim.faults().add(
        Fault::error(503, static_cast<std::uint32_t>(r.injectedCode), "busy").on("GET", copyPath));
    step("injected failure", !s.GetSnapShotInfo(copyInfo, r.copy));
    r.codeSeen = s.errorCode;
    sim.faults().add(Fault::drop().on("GET", copyPath));
    if (!step("info", s.GetSnapShotInfo(copyInfo, r.copy))) return;
    r.copyName = copyInfo.name;

    if (!step("restore", s.RestoreWithSnapshot(r.snap)) ||
        !step("sync", s.SyncReplicationSessionForResource(resource)) ||
        !step("delete copy", s.DeleteSnapshot(r.copy)) ||
        !step("delete", s.DeleteSnapshot(r.snap)) || !step("close", s.CloseConnection(false)))
      return;
    r.finalCode = s.errorCode;
  }

  std::vector<std::unique_ptr<unitysim::Simulator>> sims_;
  std::string bundlePath_;
  std::string logPath_;
};

// The job whose name or snapshot ids appear in a request; 0 for login, identity, sync, logout.
unsigned long long OwnerOf(const unitysim::JournalEntry& e, const std::vector<JobRecord>& jobs,
                           size_t array) {
  for (const JobRecord& r : jobs) {
    if (r.array != array) continue;
    const std::string text = e.target + " " + e.body;
    for (const std::string& mark :
         {r.name + "\"", r.name + "_copy\"", std::to_string(r.snap), std::to_string(r.copy)}) {
      if (text.find(mark) != std::string::npos) return r.job;
    }
  }
  return 0;
}

TEST_P(ConcurrentSessionsTest, EachJobKeepsItsOwnStateCookiesAndLogLines) {
  SleepCounter sleeps;  // job polls wait for nothing
  const Shape shape = GetParam();
  std::vector<JobRecord> jobs(static_cast<size_t>(shape.sessions));
  for (size_t i = 0; i < jobs.size(); ++i) {
    jobs[i].job = kFirstJob + i;
    jobs[i].array = i % sims_.size();
    jobs[i].name = "job" + std::to_string(jobs[i].job) + "_snap";
    jobs[i].injectedCode = 0x7000000 + i;
  }
  // All threads start at once, so libcurl's and OpenSSL's first use runs in all of them together.
  std::promise<void> go;
  const std::shared_future<void> started = go.get_future().share();
  std::vector<std::thread> threads;
  for (size_t i = 0; i < jobs.size(); ++i) {
    threads.emplace_back([this, started, &jobs, i] {
      started.wait();
      RunJob(*sims_[jobs[i].array], jobs[i]);
    });
  }
  go.set_value();
  for (std::thread& t : threads) t.join();

  std::set<std::pair<size_t, SnapID>> ids;
  for (const JobRecord& r : jobs) {
    SCOPED_TRACE("job " + std::to_string(r.job));
    EXPECT_TRUE(r.failedSteps.empty()) << testing::PrintToString(r.failedSteps);
    EXPECT_EQ(r.copyName, r.name + "_copy");
    EXPECT_EQ(r.codeSeen, r.injectedCode);
    EXPECT_EQ(r.finalCode, 0u);
    const std::string copyPath = "/api/instances/snap/" + std::to_string(r.snap) + "/action/copy";
    EXPECT_EQ(sims_[r.array]->journal().matching("POST", copyPath).size(), 2u)
        << "sent again after the 401 and a new login";
    ids.insert({r.array, r.snap});
    ids.insert({r.array, r.copy});
  }
  EXPECT_EQ(ids.size(), 2 * jobs.size()) << "every job created its own snapshots";

  std::map<std::string, std::set<unsigned long long>> cookieJobs, tokenJobs;
  const size_t jobsPerArray = jobs.size() / sims_.size();
  for (size_t array = 0; array < sims_.size(); ++array) {
    unitysim::Simulator* sim = sims_[array].get();
    // What the jobs created is gone; each restore left its backup snapshot.
    EXPECT_EQ(sim->model().count("snap"), kSeededSnaps + jobsPerArray);
    EXPECT_EQ(sim->activeSessions(), 0u);
    for (const unitysim::JournalEntry& e : sim->journal().entries()) {
      const unsigned long long owner = OwnerOf(e, jobs, array);
      if (owner == 0) continue;
      if (e.hasHeader("Cookie")) cookieJobs[e.header("Cookie")].insert(owner);
      if (e.hasHeader("EMC-CSRF-TOKEN")) tokenJobs[e.header("EMC-CSRF-TOKEN")].insert(owner);
    }
  }
  EXPECT_GE(cookieJobs.size(), jobs.size());
  for (const auto& [cookie, owners] : cookieJobs) EXPECT_EQ(owners.size(), 1u);
  for (const auto& [token, owners] : tokenJobs) EXPECT_EQ(owners.size(), 1u);

  // Log lines are whole, and one naming a job's snapshot carries that job's id.
  const std::regex shapeOfLine(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ (job=(\d+) )?L-?\d+ .*)");
  std::ifstream log(logPath_);
  std::string line;
  size_t lines = 0, linesNamingAJob = 0;
  while (std::getline(log, line)) {
    ++lines;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shapeOfLine)) << line;
    const size_t at = line.find("job7");
    if (at == std::string::npos || !m[2].matched) continue;
    ++linesNamingAJob;
    EXPECT_EQ(line.substr(at + 3, 4), m[2].str()) << line;
  }
  EXPECT_GT(lines, 100 * jobs.size());
  EXPECT_GT(linesNamingAJob, 10 * jobs.size());
}

INSTANTIATE_TEST_SUITE_P(Shapes, ConcurrentSessionsTest,
                         ::testing::Values(Shape{"ThirtyTwoJobsOneArray", 32, 1},
                                           Shape{"EightJobsFourArrays", 8, 4}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace unitytest
