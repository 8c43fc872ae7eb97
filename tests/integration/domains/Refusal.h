// Refused inputs of the domain operations, one table per domain: each row runs an operation that
// must fail its input check with code 2 and its own text, log "Error: <text>" and send nothing.
//   INSTANTIATE_TEST_SUITE_P(Nfs, DomainRefusalTest, ::testing::Values(RefusalRow{...}, ...),
//                            RefusalRowName);
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/SimulatorFixture.h"

namespace unitytest {

struct RefusalRow {
  const char* name;
  std::function<bool(ManageEMCUnity&)> run;
  std::string text;
  bool chooseArray = true;  // false: a session without an array
};

class DomainRefusalTest : public SimulatorTest, public ::testing::WithParamInterface<RefusalRow> {};

inline std::string RefusalRowName(const ::testing::TestParamInfo<RefusalRow>& row) {
  return row.param.name;
}

}  // namespace unitytest
