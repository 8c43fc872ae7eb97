// Links libManageEMCUnity.so alone, as a backup product does: only the exported interface serves.
#include <gtest/gtest.h>

#include <string>

#include "unity/ManageEMCUnity.h"
#include "unity/TextUtils.h"

TEST(SharedLibrary, FreeFunctionsAreExported) {
  EXPECT_EQ(base64_encode("admin:secret"), "YWRtaW46c2VjcmV0");
  EXPECT_EQ(url_encode("(id eq \"1\")"), "%28id%20eq%20%221%22%29");
  std::string text = "a b";
  Replace_All(text, " ", "+");
  EXPECT_EQ(text, "a+b");
  EXPECT_EQ(apiVersionCompare("5.1", "5.0"), 1);
  EXPECT_EQ(stringToUnityOSTypeValue("none"), UnityOSTypeNone);
}

TEST(SharedLibrary, SessionRefusesBadInputWithoutTheArray) {
  ManageEMCUnity session(42);
  EXPECT_EQ(session.jobId, 42u);
  ASSERT_TRUE(session.SetFileServer("array.invalid"));
  EXPECT_FALSE(session.OpenConnection(false));  // no user name: refused before any I/O
  EXPECT_EQ(session.errorCode, 2u);
  EXPECT_EQ(session.errorText, "Filerserver name or Username is empty");
  std::string code;
  ManageEMCUnity::ErrorCodeToString(code, 131149829ULL);
  EXPECT_EQ(code, "131149829");
}
