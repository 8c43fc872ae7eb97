// Listing 10,000 snapshots by id through ManageEMCUnity::GetSnapShotList (200 requests of 50 ids)
// against the in-process simulator, measured against a raw libcurl loop that sends the same URIs
// (bench/support/ListingBench.h).
//
// Usage: snapshot_list_bench [rounds] [library|raw|raw-target]   (build with
// CMAKE_BUILD_TYPE=Release to measure; a side named runs alone, for scripts/listing-icount)
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/ListingBench.h"
#include "sim/Simulator.h"
#include "unity/ManageEMCUnity.h"

namespace {

const int kSnapshots = 10000;
const unsigned long long kFirstId = 38654705664ULL;

std::string Seed() {
  std::string seed =
      "{\"storageResource\": [{\"id\": \"sv_1\", \"name\": \"Bench_LUN\", \"type\": 8}], "
      "\"snap\": [";
  char entry[512];
  for (int i = 0; i < kSnapshots; ++i) {
    std::snprintf(entry, sizeof entry,
                  "%s{\"id\": \"%llu\", \"name\": \"bench_snap_%05d\", \"storageResource\": "
                  "{\"id\": \"sv_1\"}, \"isModifiable\": false, \"isAutoDelete\": true, "
                  "\"state\": 2, \"creationTime\": \"2024-05-01T01:00:00.000Z\"}",
                  i == 0 ? "" : ", ", kFirstId + static_cast<unsigned long long>(i), i);
    seed += entry;
  }
  return seed + "]}";
}

int Measure(int rounds) {
  unitysim::Simulator sim(listbench::Options(Seed()));
  sim.start();
  std::vector<SnapID> ids;
  for (int i = 0; i < kSnapshots; ++i) ids.push_back(kFirstId + static_cast<unsigned long long>(i));
  const std::string title =
      "snapshot_list_bench: " + std::to_string(kSnapshots) + " snapshots by id";
  return listbench::Measure(
      sim, title, "library  GetSnapShotList", rounds, [&ids](ManageEMCUnity& session) {
        std::vector<_UnitySnapInfo> list;
        const bool ok = session.GetSnapShotList(list, ids, false);
        if (!ok || list.size() != static_cast<size_t>(kSnapshots)) {
          std::fprintf(stderr, "library listing failed: [%llu] %s, %zu records\n",
                       session.errorCode, session.errorText.c_str(), list.size());
          return false;
        }
        return true;
      });
}

}  // namespace

int main(int argc, char** argv) {
  return listbench::Main(argc, argv, Measure);
}
