// The soak program: N jobs on N threads against one simulator failing at random; exits 0 only when
// every invariant held.
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/DiagLog.h"
#include "platform/PlatformSettings.h"
#include "platform/SleepMillis.h"
#include "sim/Json.h"
#include "sim/RandomFaults.h"
#include "sim/Simulator.h"
#include "tests/soak/Soak.h"
#include "tests/support/JobSeed.h"

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's quarantine and per-thread caches grow resident memory whatever the program
// holds: a small quarantine and a wider bound.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=16";
}
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
namespace unitysoak {
namespace {

// Resident memory above this share of the first round's, plus a fixed allowance for the
// allocator's arenas, fails the run.
constexpr double kMemoryGrowthShare = kAddressSanitizer ? 0.5 : 0.25;
constexpr double kMemoryAllowanceMB = kAddressSanitizer ? 64 : 16;

// Resident memory once the allocator has handed its free memory back: what the process holds.
double ResidentMB() {
  malloc_trim(0);
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The jobs' resources, and per job a snapshot of the file system FS_Home to export and share.
std::string SeedFor(const std::vector<Ledger>& ledgers) {
  using unitysim::Json;
  std::vector<std::string> resources;
  for (const Ledger& l : ledgers) resources.push_back(l.resource);
  Json seed = unitytest::SeedWithJobResources(resources);
  Json fileSnap;
  for (const Json& s : seed["snap"])
    if (s["storageResource"]["id"] == "res_1") fileSnap = s;
  for (const Ledger& l : ledgers) {
    Json snap = fileSnap;
    snap["id"] = l.fileSnap;
    snap["name"] = "file_soak" + std::to_string(l.job);
    seed["snap"].push_back(snap);
  }
  return seed.dump();
}

// Between rounds the journal is reconciled and emptied, and jobs and restore backups (counted)
// leave the model, as the array purges them: only the client's memory is left to grow.
void DrainRound(unitysim::Simulator& sim, JournalTally& tally, std::vector<Ledger>& ledgers) {
  tally.add(sim.journal().entries());
  sim.journal().clear();
  tally.reconcile(ledgers);
  std::map<std::string, Ledger*> byResource;
  for (Ledger& l : ledgers) byResource[l.resource] = &l;
  auto guard = sim.model().lock();
  std::vector<std::string> finished, backups;
  sim.model().forEach("job", [&](const unitysim::Json& job) {
    return finished.push_back(job.value("id", std::string())), true;
  });
  sim.model().forEach("snap", [&](const unitysim::Json& snap) {
    const auto owner = byResource.find(snap["storageResource"].value("id", std::string()));
    if (owner != byResource.end() && snap.value("name", std::string()).rfind("Restore_", 0) == 0) {
      ++owner->second->backupsRemoved;
      backups.push_back(snap.value("id", std::string()));
    }
    return true;
  });
  for (const std::string& id : finished) sim.model().remove("job", id);
  for (const std::string& id : backups) sim.model().remove("snap", id);
}

bool ParseArgs(int argc, char** argv, SoakOptions& o) {
  std::map<std::string, double> v = {{"--jobs", o.jobs},
                                     {"--operations", o.operations},
                                     {"--rounds", o.rounds},
                                     {"--fault-rate", o.faultRate * 100},
                                     {"--seed", static_cast<double>(o.seed)}};
  for (int i = 1; i + 1 < argc; i += 2) {
    char* end = nullptr;
    const auto flag = v.find(argv[i]);
    if (flag == v.end() || (flag->second = std::strtod(argv[i + 1], &end), *end != '\0'))
      return false;
  }
  o.jobs = static_cast<int>(v["--jobs"]);
  o.operations = static_cast<long>(v["--operations"]);
  o.rounds = static_cast<int>(v["--rounds"]);
  o.faultRate = v["--fault-rate"] / 100;
  o.seed = static_cast<std::uint64_t>(v["--seed"]);
  return argc % 2 == 1 && o.jobs > 0 && o.rounds > 0 && o.operations >= o.jobs * o.rounds;
}

void PrintCounts(const char* title, const std::map<std::string, long>& counts) {
  std::printf("\n%-60s %8s\n", title, "count");
  for (const auto& [name, n] : counts) std::printf("%-60s %8ld\n", name.c_str(), n);
}

int Run(const SoakOptions& o) {
  diaglog::setQuiet(true);
  SetSleepHook([](unsigned long) {});  // background jobs are polled without waiting
  unitysim::SimOptions simOptions;
  std::vector<Ledger> ledgers;
  for (int j = 0; j < o.jobs; ++j) ledgers.emplace_back(j);
  simOptions.seed = SeedFor(ledgers);
  unitysim::Simulator sim(simOptions);
  sim.start();
  for (const auto& [key, value] : std::map<std::string, std::string>{
           {"UnityCAFile", sim.caFile()},
           {"UnityConnectTimeoutSec", std::to_string(o.connectTimeoutSec)},
           {"UnityStallTimeoutSec", std::to_string(o.stallTimeoutSec)},
           {"UnityJobPollLimitSec", std::to_string(o.jobPollLimitSec)}})
    PlatformSettings::setOverride("~Tessaline", key, value);

  // The default stall (10 s) outlasts the client's stall time-out by far: only the client's bound
  // ends it.
  auto faults = std::make_unique<unitysim::RandomFaults>(
      sim, unitysim::RandomFaultOptions{o.seed, o.faultRate});
  faults->slowActions({{"snap", "copy"},
                       {"snap", "restore"},
                       {"snap", "delete"},
                       {"replicationSession", "sync"},
                       {"nfsShare", "delete"},
                       {"cifsShare", "delete"}});

  std::printf(
      "soak: %d jobs, %ld operations in %d rounds, fault rate %.1f%%, seed %llu, operation "
      "bound %.0f s\n",
      o.jobs, o.operations, o.rounds, o.faultRate * 100, static_cast<unsigned long long>(o.seed),
      o.boundSec());
  std::fflush(stdout);

  const long perRound = o.operations / o.jobs / o.rounds;
  std::vector<std::unique_ptr<SoakJob>> jobs;
  for (Ledger& l : ledgers) jobs.push_back(SoakJob::make(l, o, sim.host()));
  // Each job on a thread of its own; the threads are joined at the end of every round.
  const auto inParallel = [&jobs](void (*work)(SoakJob&, long), long n) {
    std::vector<std::thread> threads;
    for (auto& job : jobs) threads.emplace_back([&job, work, n] { work(*job, n); });
    for (std::thread& t : threads) t.join();
  };

  JournalTally tally;
  std::vector<double> memory;
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  for (int r = 0; r < o.rounds; ++r) {
    inParallel([](SoakJob& job, long n) { job.run(n); }, perRound);
    DrainRound(sim, tally, ledgers);
    memory.push_back(ResidentMB());
    std::printf("round %d: %.1f s, resident %.1f MB\n", r + 1, elapsed(), memory.back());
    std::fflush(stdout);
  }
  const double seconds = elapsed();
  const std::map<std::string, long> injected = faults->injected();
  faults->setEnabled(false);
  inParallel([](SoakJob& job, long) { job.finish(); }, 0);
  jobs.clear();
  faults.reset();
  sim.stop();  // every request that reached the simulator has been carried out
  DrainRound(sim, tally, ledgers);

  long calls = 0, failed = 0;
  for (const Ledger& l : ledgers) {
    calls += l.calls;
    failed += l.failed;
  }
  PrintCounts("faults injected, by kind", injected);

  std::vector<CheckRow> rows = CheckInvariants(sim, ledgers, tally, o.boundSec());
  const double first = memory.front(), last = memory.back();
  const double limit = first * (1 + kMemoryGrowthShare) + kMemoryAllowanceMB;
  char detail[160];
  std::snprintf(detail, sizeof detail, "first round %.1f MB, last %.1f MB, bound %.1f MB", first,
                last, limit);
  rows.push_back({"resident memory of the last round within bound", last <= limit, detail});

  bool held = true;
  std::printf("\n%-58s %-5s %s\n", "invariant", "held", "detail");
  for (const CheckRow& row : rows) {
    held = held && row.held;
    std::printf("%-58s %-5s %s\n", row.invariant.c_str(), row.held ? "yes" : "NO",
                row.detail.c_str());
  }
  std::printf("\n%ld operations, %ld failed (%ld requests) in %.1f s: %.0f operations per second\n",
              calls, failed, tally.requests, seconds, static_cast<double>(calls) / seconds);
  std::printf("verdict: %s\n", held ? "every invariant held" : "INVARIANT BROKEN");
  PlatformSettings::clearOverrides();
  SetSleepHook(nullptr);
  return held ? 0 : 1;
}

}  // namespace
}  // namespace unitysoak

int main(int argc, char** argv) {
  unitysoak::SoakOptions options;
  if (!unitysoak::ParseArgs(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--jobs N] [--operations N] [--rounds N] [--fault-rate PERCENT] "
                 "[--seed N]\n(operations at least jobs x rounds)\n",
                 argv[0]);
    return 2;
  }
  return unitysoak::Run(options);
}
