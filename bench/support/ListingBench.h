// The shared harness of the listing benches: one listing through ManageEMCUnity against the
// in-process simulator, measured against a raw libcurl loop that sends the same requests byte for
// byte on one easy handle and one new connection with the same TLS settings (the baseline). They
// run in the same process and the same rounds, in turn, so the ratio compares like with like;
// the simulator's own work is in all. A second raw loop hands libcurl each request target as it
// stands, as the library does for plain GETs (libcurl then skips reassembling long queries), so
// the library's own work shows against it. Reported: requests, bytes sent and received, wall and
// process CPU time (medians of the rounds) and the medians of the rounds' ratios library / raw.
//
// Named one side ("library", "raw" or "raw-target" after the rounds), a bench runs that side only,
// for counting its instructions with callgrind (scripts/listing-icount): times on a shared machine
// vary from run to run, instruction counts do not.
#pragma once

#include <functional>
#include <string>

#include "sim/Simulator.h"
#include "unity/ManageEMCUnity.h"

namespace listbench {

extern const char kUser[];
extern const char kPassword[];

// Simulator options with the bench's credentials and `seed`.
unitysim::SimOptions Options(const std::string& seed);

// One listing on a fresh session (not yet logged in); true when it listed what it should. It
// prints why it failed.
using Listing = std::function<bool(ManageEMCUnity& session)>;

// Measures `listing` against the raw loop for `rounds` rounds on the started simulator and
// prints "<title>, <rounds> rounds (median)" and the figures, the library's line labelled
// `libraryLabel`. Returns the process exit status.
int Measure(unitysim::Simulator& sim, const std::string& title, const std::string& libraryLabel,
            int rounds, const Listing& listing);

// The common main: quiet log, libcurl set up, rounds from argv[1] (default 31) and the side to run
// alone from argv[2] (all when absent), then run(rounds).
int Main(int argc, char** argv, const std::function<int(int rounds)>& run);

}  // namespace listbench
