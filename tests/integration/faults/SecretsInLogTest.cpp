// Every operation of the table runs to its end, and no password, Basic credential, session cookie
// or CSRF token is in any log line of any of them, at the most verbose level, through logins,
// re-logins and refused credentials; nor in the simulator's journal as it prints.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/OperationTable.h"
#include "tests/support/SimulatorFixture.h"
#include "unity/TextUtils.h"

namespace unitytest {
namespace {

using SecretsInLogTest = SimulatorTest;

TEST_F(SecretsInLogTest, NoOperationLogsACredentialCookieOrToken) {
  diaglog::setLevel(7);
  DiagLogCapture capture(7);
  // Every row succeeds and sends its request, in sequence on one array, so that each operation
  // runs to its end rather than to a refusal.
  for (const OperationRow& row : OperationTable()) {
    SCOPED_TRACE(row.name);
    sim().expireSessions();  // every row logs in again on the way
    const size_t before = requests(row.method, row.path).size();
    EXPECT_TRUE(row.run(session())) << session().errorText;
    EXPECT_GT(requests(row.method, row.path).size(), before);
  }
  std::unique_ptr<ManageEMCUnity> refused = makeSession(2002);
  refused->SetPasswd("Wrong-Password-9", false, false);
  EXPECT_FALSE(refused->OpenConnection(false));
  refused.reset();
  diaglog::setLevel(0);

  std::set<std::string> secrets = {kPassword, "Wrong-Password-9",
                                   base64_encode(std::string(kUser) + ":" + kPassword)};
  for (const unitysim::JournalEntry& e : sim().journal().entries()) {
    const std::string cookie = e.header("Cookie");
    if (!cookie.empty()) secrets.insert(cookie.substr(cookie.find('=') + 1));
    if (e.hasHeader("EMC-CSRF-TOKEN")) secrets.insert(e.header("EMC-CSRF-TOKEN"));
    const std::string printed = ::testing::PrintToString(e);
    for (const std::string& secret : secrets)
      EXPECT_EQ(printed.find(secret), std::string::npos) << printed;
  }
  EXPECT_GE(secrets.size(), 3u + OperationTable().size()) << "cookies and tokens of many logins";

  const std::vector<DiagLogRecord> records = capture.records();
  EXPECT_GT(records.size(), 20u * OperationTable().size());
  for (const DiagLogRecord& r : records) {
    for (const std::string& secret : secrets) {
      EXPECT_EQ(r.text.find(secret), std::string::npos) << r.tag << ": " << r.text;
      EXPECT_EQ(r.tag.find(secret), std::string::npos) << r.tag;
    }
  }
}

}  // namespace
}  // namespace unitytest
