// Every public operation that reaches the array, one row each, for the checks that all of them
// must pass (no secret in any log line, no creation sent twice) and for the soak's reads. The
// rows run against the simulator's default seed, each on a session of its own or in sequence on
// one session. A new domain joins by adding its rows to OperationTable.cpp.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "unity/ManageEMCUnity.h"

namespace unitytest {

struct OperationRow {
  std::string name;
  // The request of the operation that changes the array (its last step), or of its query when it
  // changes nothing: the method and a prefix of its path.
  std::string method;
  std::string path;
  std::function<bool(ManageEMCUnity&)> run;
  bool makesItsObject = false;  // a query that first creates the share or export it looks up
};

// A call of `op` with `args` whose result goes to a fresh `Out`, the operation's first parameter:
// rows of this table and the refused-input table are written with it.
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

// Rows whose request is a POST: the transport never resends one. All but the CIFS access-entry
// query create or change something on the array.
std::vector<OperationRow> ChangingOperations();

}  // namespace unitytest
