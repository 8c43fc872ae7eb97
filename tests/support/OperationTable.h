// Every public operation that reaches the array, one row each, run against the default seed: for
// the checks all of them must pass (no secret logged, no change sent twice) and the soak's reads.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "unity/ManageEMCUnity.h"

namespace unitytest {

struct OperationRow {
  std::string name;
  // Method and path prefix of the operation's change (its last step), or of its query.
  std::string method;
  std::string path;
  std::function<bool(ManageEMCUnity&)> run;
  bool makesItsObject = false;  // a query that first creates the share or export it looks up
};

// A call of `op` with `args`, its result going to a fresh `Out` (the operation's first parameter).
template <typename Out, typename... Params, typename... Args>
std::function<bool(ManageEMCUnity&)> Into(bool (ManageEMCUnity::*op)(Out&, Params...),
                                          Args... args) {
  return [=](ManageEMCUnity& s) {
    Out out{};
    return (s.*op)(out, args...);
  };
}

const std::vector<OperationRow>& OperationTable();

// Queries that change nothing on the array, not even on the way.
std::vector<OperationRow> ReadingOperations();

// Rows whose request is a POST, which the transport never resends.
std::vector<OperationRow> ChangingOperations();

}  // namespace unitytest
