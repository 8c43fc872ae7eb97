// The session object without an array: configuration, settings, error state, a refused close.
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "platform/PlatformSettings.h"
#include "unity/ManageEMCUnity.h"
#include "unity/SessionSettings.h"

namespace {

class SessionConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    diaglog::setQuiet(true);
    PlatformSettings::clearOverrides();
  }
  void TearDown() override {
    PlatformSettings::clearOverrides();
    diaglog::setQuiet(false);
  }
};

TEST_F(SessionConfigTest, SetPasswdStoresTheWireForm) {
  const struct {
    const char* name;
    const char* given;
    bool base64;
    bool decode;
    const char* stored;
  } rows[] = {
      {"plain", "s3cret:pw", false, false, "s3cret:pw"},
      {"base64Only", "s3cret:pw", true, false, "czNjcmV0OnB3"},
      {"decodeOnly", "base64:czNjcmV0OnB3", false, true, "s3cret:pw"},
      {"decodeThenBase64", "base64:czNjcmV0OnB3", true, true, "czNjcmV0OnB3"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DiagLogCapture capture;
    ManageEMCUnity session(7);
    EXPECT_TRUE(session.SetPasswd(row.given, row.base64, row.decode));
    EXPECT_EQ(session.password, row.stored);
    EXPECT_FALSE(capture.contains("s3cret"));  // tags are fixed texts
  }
}

TEST_F(SessionConfigTest, SetPasswdDecodeFailureKeepsStoredTextAndErrorState) {
  DiagLogCapture capture;
  ManageEMCUnity session(7);
  session.errorCode = 99;
  session.errorText = "earlier";
  EXPECT_FALSE(session.SetPasswd("unknownform:abc", true, true));
  EXPECT_EQ(session.password, "unknownform:abc");  // not Base64-encoded either
  EXPECT_EQ(session.errorCode, 99u);
  EXPECT_EQ(session.errorText, "earlier");
  EXPECT_TRUE(capture.contains("Failed to decrypt password.", "ManageEMCUnity::SetPasswd"));
}

TEST_F(SessionConfigTest, SettingsReadersUseTheirSections) {
  const char* settings[][3] = {
      {"NAS", "FlagYes", "Yes"},        {"NAS", "FlagLowerY", "y"},
      {"NAS", "FlagSpaceY", " yes"},    {"~Tessaline", "FlagYes", "x"},
      {"~Tessaline", "Timeout", "600"}, {"~Tessaline", "NotANumber", "12a"},
      {"NAS", "OnlyInNas", "5"}};
  for (const auto& s : settings) PlatformSettings::setOverride(s[0], s[1], s[2]);
  EXPECT_TRUE(GetRegYes("FlagYes") && GetRegYes("FlagLowerY"));
  EXPECT_FALSE(GetRegYes("FlagSpaceY") || GetRegYes("Missing"));

  std::string text = "stale";
  EXPECT_TRUE(GetRegStr("FlagYes", text) && text == "Yes");
  EXPECT_FALSE(GetRegStr("Missing", text) || !text.empty());
  int value = -7;
  EXPECT_TRUE(GetRegInt("Timeout", value) != 0 && value == 600);
  value = -7;
  EXPECT_FALSE(GetRegInt("NotANumber", value) || GetRegInt("OnlyInNas", value) || value != -7);
}

// A refused close keeps the session it could not end (the other refusals are RefusalTest's).
TEST_F(SessionConfigTest, CloseWithoutArrayIsRefusedAndKeepsTheSession) {
  DiagLogCapture capture;
  ManageEMCUnity session(3);
  session.loggedIn = true;
  EXPECT_FALSE(session.CloseConnection(false));
  EXPECT_EQ(std::to_string(session.errorCode) + " " + session.errorText,
            "2 Fileserver name is empty");
  EXPECT_TRUE(capture.contains("Error: Fileserver name is empty"));
  EXPECT_TRUE(session.loggedIn);
  session.loggedIn = false;
}

TEST_F(SessionConfigTest, CloseWithoutSessionSendsNothing) {
  DiagLogCapture capture;
  ManageEMCUnity session;
  session.SetFileServer("array");
  session.loggedIn = true;
  EXPECT_TRUE(session.CloseConnection(true));
  EXPECT_FALSE(session.loggedIn);
  EXPECT_TRUE(capture.contains("Connection is closed", "ManageEMCUnity::CloseConnection"));
  EXPECT_TRUE(
      capture.contains("Request to Close Connection, on server [array]. Client only [true]"));

  // A logout without a session is done at once.
  EXPECT_TRUE(session.CloseConnection(false));
  EXPECT_FALSE(session.transportReady);
  EXPECT_EQ(session.errorCode, 0u);
}

TEST_F(SessionConfigTest, DestructorReportsACookieFileItCannotDelete) {
  DiagLogCapture capture;
  {
    ManageEMCUnity session;
    session.SetFileServer(std::string(300, 'a'));  // a path the system refuses outright
  }
  EXPECT_TRUE(capture.contains("Unable to delete the cookie file..."));
}

TEST_F(SessionConfigTest, DestructorRemovesTheCookieFile) {
  const std::string name = "unit-test-" + std::to_string(getpid());
  const std::string path = "/tmpEMCUnityCookie_" + name;
  FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) GTEST_SKIP() << "cannot create " << path;
  std::fclose(file);
  {
    ManageEMCUnity session;
    session.SetFileServer(name);
  }
  EXPECT_NE(access(path.c_str(), F_OK), 0);
  std::remove(path.c_str());
}

}  // namespace
