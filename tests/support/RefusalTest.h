// Table-driven refused inputs of public operations: each row runs one call that must fail its
// input check before anything is sent.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/SimulatorFixture.h"

namespace unitytest {

struct RefusalCase {
  const char* name;
  std::function<bool(ManageEMCUnity&)> run;
  std::string text;         // the operation's own error text
  bool chooseArray = true;  // false: a session without an array
};

// Derive one fixture per suite and call expectRefused() from its TEST_P.
class RefusalTest : public SimulatorTest, public ::testing::WithParamInterface<RefusalCase> {
 protected:
  // Code 2, the operation's text, "Error: <text>" in the log, and an empty journal.
  void expectRefused() {
    const RefusalCase& c = GetParam();
    std::unique_ptr<ManageEMCUnity> session =
        c.chooseArray ? makeSession() : std::make_unique<ManageEMCUnity>(7);
    DiagLogCapture capture(0);
    EXPECT_FALSE(c.run(*session));
    EXPECT_EQ(session->errorCode, 2u);
    EXPECT_EQ(session->errorText, c.text);
    EXPECT_TRUE(capture.contains("Error: " + c.text));
    session.reset();
    EXPECT_EQ(sim().journal().size(), 0u);
  }
};

inline std::string RefusalName(const ::testing::TestParamInfo<RefusalCase>& row) {
  return row.param.name;
}

}  // namespace unitytest
