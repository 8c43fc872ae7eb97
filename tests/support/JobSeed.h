// The simulator's default seed plus one block storage resource per job, each with a replication
// session of its own ("rep_<resource>"), so that jobs running at once restore and sync only their
// own resources (a restore names its backup snapshot after the second it runs in).
#pragma once

#include <string>
#include <vector>

#include "sim/Json.h"
#include "sim/Resources.h"

namespace unitytest {

inline unitysim::Json SeedWithJobResources(const std::vector<std::string>& resources) {
  unitysim::Json seed = unitysim::Json::parse(unitysim::defaultSeedText());
  const unitysim::Json replication = seed["replicationSession"][0];
  for (const std::string& resource : resources) {
    seed["storageResource"].push_back({{"id", resource}, {"name", resource}, {"type", 8}});
    unitysim::Json session = replication;
    session["id"] = session["name"] = "rep_" + resource;
    session["srcResourceId"] = resource;
    seed["replicationSession"].push_back(session);
  }
  return seed;
}

}  // namespace unitytest
