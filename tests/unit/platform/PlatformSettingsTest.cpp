#include "platform/PlatformSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/TempDir.h"

namespace {

const char kSettingsFile[] =
    "# comment line\n"
    "; another comment\n"
    "outside = no section\n"
    "[~Tessaline]\n"
    "UnityConnectTimeoutSec = 45\n"
    "   Spaced   =   padded value   \n"
    "Path = /a/b#c;d\n"
    "Empty =\n"
    "Dup = first\n"
    "Dup = second\n"
    "no equals sign here\n"
    " = nameless\n"
    "Crlf\t=\tx\r\n"
    "[NAS]\n"
    "name = nas-value\n"
    "[Broken\n"
    "orphan = yes\n"
    "[ nas ]\n"
    "Later = reopened\n";

class PlatformSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.write("settings.ini", kSettingsFile);
    setenv("UNITY_SETTINGS_FILE", file_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("UNITY_SETTINGS_FILE");
    PlatformSettings::clearOverrides();
  }

  static bool read(const char* section, const char* key, std::string& value) {
    char buffer[256] = {};
    PlatformSettings settings;
    const int found = settings.readString(section, key, buffer, sizeof buffer);
    value = buffer;
    return found != 0;
  }

  TempDir dir_;
  std::string file_;
};

struct LookupRow {
  const char* name;
  const char* section;
  const char* key;
  bool found;
  const char* value;
};

TEST_F(PlatformSettingsTest, FileLookups) {
  const LookupRow rows[] = {
      {"plain key", "~Tessaline", "UnityConnectTimeoutSec", true, "45"},
      {"blanks trimmed", "~Tessaline", "Spaced", true, "padded value"},
      {"comment characters inside a value", "~Tessaline", "Path", true, "/a/b#c;d"},
      {"empty value is found", "~Tessaline", "Empty", true, ""},
      {"last assignment wins", "~Tessaline", "Dup", true, "second"},
      {"names case-insensitive", "~TESSALINE", "unityconnecttimeoutsec", true, "45"},
      {"tabs and CRLF", "~Tessaline", "Crlf", true, "x"},
      {"other section", "NAS", "name", true, "nas-value"},
      {"key of another section", "~Tessaline", "name", false, ""},
      {"key before any section", "~Tessaline", "outside", false, ""},
      {"line without '='", "~Tessaline", "no equals sign here", false, ""},
      {"nameless value", "~Tessaline", "", false, ""},
      {"after unterminated header", "NAS", "orphan", false, ""},
      {"reopened section", "NAS", "Later", true, "reopened"},
  };
  for (const LookupRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string value;
    EXPECT_EQ(read(row.section, row.key, value), row.found);
    EXPECT_EQ(value, row.value);
  }
}

TEST_F(PlatformSettingsTest, OverridesComeFirstAndCanBeRemoved) {
  std::string value;
  PlatformSettings::setOverride("nas", "NAME", "from override");
  PlatformSettings::setOverride("NAS", "onlyOverride", "o");
  ASSERT_TRUE(read("NAS", "name", value));
  EXPECT_EQ(value, "from override");
  PlatformSettings::removeOverride("NAS", "name");
  ASSERT_TRUE(read("NAS", "name", value));
  EXPECT_EQ(value, "nas-value");
  ASSERT_TRUE(read("NAS", "onlyOverride", value));
  PlatformSettings::clearOverrides();
  EXPECT_FALSE(read("NAS", "onlyOverride", value));
}

TEST_F(PlatformSettingsTest, ReadStringTruncatesAndTerminates) {
  PlatformSettings::setOverride("NAS", "long", "padded value");
  struct Row {
    unsigned long size;
    const char* expected;
  } rows[] = {{13, "padded value"}, {12, "padded valu"}, {1, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_NE(PlatformSettings().readString("NAS", "long", buffer, row.size), 0);
    EXPECT_STREQ(buffer, row.expected);
    EXPECT_EQ(buffer[row.size], 'X') << "wrote past the given size";
  }
  char untouched[4] = {'X', 'X', 'X', 'X'};
  EXPECT_EQ(PlatformSettings().readString("NAS", "absent", untouched, sizeof untouched), 0);
  EXPECT_EQ(untouched[0], 'X');
  EXPECT_NE(PlatformSettings().readString("NAS", "long", nullptr, 0), 0);
}

TEST_F(PlatformSettingsTest, ReadIntAcceptsOnlyWholeIntegers) {
  struct Row {
    const char* text;
    bool found;
    int value;
  } rows[] = {
      {"45", true, 45},         {"2147483647", true, 2147483647},
      {"2147483648", false, 0}, {"12abc", false, 0},
      {"", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    PlatformSettings::setOverride("~Tessaline", "n", row.text);
    int out = 12345;
    EXPECT_EQ(PlatformSettings().readInt("~Tessaline", "n", &out) != 0, row.found);
    EXPECT_EQ(out, row.found ? row.value : 12345);
  }
}

}  // namespace
