#include <gtest/gtest.h>

#include <thread>

#include "SimClient.h"

namespace {

// Several clients at once, each with its own session: every request is journaled once, every
// snapshot is created once, and sessions do not leak into each other.
TEST(Concurrency, ParallelSessionsCreateAndList) {
  unitysim::Simulator sim;
  sim.start();
  constexpr int kClients = 4, kEach = 15;
  std::vector<std::thread> threads;
  std::vector<int> failures(kClients, 0);
  for (int c = 0; c < kClients; ++c) {
    threads.emplace_back([&sim, &failures, c] {
      simtest::SimClient client(sim);
      if (client.login().status != 200) ++failures[c];
      for (int i = 0; i < kEach; ++i) {
        const std::string name = "c" + std::to_string(c) + "_" + std::to_string(i);
        if (client
                .post("/api/types/snap/instances",
                      R"({"storageResource": {"id": "sv_2"}, "name": ")" + name + "\"}")
                .status != 201)
          ++failures[c];
        if (client.get("/api/types/snap/instances?fields=name&filter=name%20lk%20%22c%25%22")
                .status != 200)
          ++failures[c];
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, std::vector<int>(kClients, 0));
  EXPECT_EQ(sim.model().count("snap"), 7u + kClients * kEach);
  EXPECT_EQ(sim.journal().size(), static_cast<size_t>(kClients * (1 + 2 * kEach)));
  EXPECT_EQ(sim.loginCount(), kClients);
  EXPECT_EQ(sim.handshakeCount(), kClients);
}

}  // namespace
