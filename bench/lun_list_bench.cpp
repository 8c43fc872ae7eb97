// Listing 10,000 LUNs through ManageEMCUnity::ListLuns (5 pages of 2,000) against the in-process
// simulator, measured against a raw libcurl loop that sends the same requests
// (bench/support/ListingBench.h).
//
// Usage: lun_list_bench [rounds] [library|raw|raw-target]   (build with CMAKE_BUILD_TYPE=Release to
// measure; a side named runs alone, for scripts/listing-icount)
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/ListingBench.h"
#include "sim/ScaleSeed.h"
#include "sim/Simulator.h"
#include "unity/ManageEMCUnity.h"

namespace {

const int kLuns = 10000;

int Measure(int rounds) {
  unitysim::Simulator sim(listbench::Options("{}"));
  unitysim::addScaleObjects(sim.model(), kLuns);
  sim.start();
  const std::string title = "lun_list_bench: " + std::to_string(kLuns) + " LUNs";
  return listbench::Measure(sim, title, "library  ListLuns", rounds, [](ManageEMCUnity& session) {
    std::vector<_UnityLunListEntry> luns;
    const bool ok = session.ListLuns(luns, "");
    if (!ok || luns.size() != static_cast<size_t>(kLuns)) {
      std::fprintf(stderr, "library listing failed: [%llu] %s, %zu records\n", session.errorCode,
                   session.errorText.c_str(), luns.size());
      return false;
    }
    return true;
  });
}

}  // namespace

int main(int argc, char** argv) {
  return listbench::Main(argc, argv, Measure);
}
