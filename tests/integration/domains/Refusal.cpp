#include "tests/integration/domains/Refusal.h"

#include <memory>

#include "platform/DiagLog.h"

namespace unitytest {

TEST_P(DomainRefusalTest, NothingIsSent) {
  const RefusalRow& c = GetParam();
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

}  // namespace unitytest
