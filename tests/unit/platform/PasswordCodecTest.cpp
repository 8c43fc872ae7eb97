#include "platform/PasswordCodec.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/TempDir.h"

namespace {

// Decodes into a 2048-byte buffer pre-filled with 'X'; returns the outcome and the text.
bool decode(const std::string& stored, std::string& plain, unsigned long size = 2048) {
  char out[2048];
  std::memset(out, 'X', sizeof out);
  unsigned long length = size;
  const bool ok = PasswordCodec().decode(stored.c_str(), out, &length) != 0;
  if (ok) {
    plain.assign(out);
    EXPECT_EQ(length, plain.size());
  } else {
    EXPECT_EQ(length, size) << "length changed on failure";
    EXPECT_EQ(out[0], 'X') << "buffer changed on failure";
    plain.clear();
  }
  return ok;
}

struct Row {
  const char* name;
  const char* stored;
  bool ok;
  const char* plain;
};

TEST(PasswordCodec, Base64AndUnknownForms) {
  const Row rows[] = {
      {"two pad characters", "base64:cGFzcw==", true, "pass"},
      {"all alphabet ends", "base64:+/+/", true, "\xfb\xff\xbf"},
      {"missing padding", "base64:cGFzcw", false, ""},
      {"padding inside", "base64:cGF=cw==", false, ""},
      {"non-zero unused bits", "base64:cGFzcx==", false, ""},
      {"invalid character", "base64:c2Vj*mV0", false, ""},
      {"decodes to a NUL byte", "base64:YQBi", false, ""},
      {"plain text", "secret", false, ""},
      {"empty", "", false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string plain;
    EXPECT_EQ(decode(row.stored, plain), row.ok);
    EXPECT_EQ(plain, row.plain);
  }
}

TEST(PasswordCodec, Environment) {
  setenv("UNITY_TEST_PASSWORD", "p@ss:word", 1);
  std::string plain;
  EXPECT_TRUE(decode("env:UNITY_TEST_PASSWORD", plain));
  EXPECT_EQ(plain, "p@ss:word");
  unsetenv("UNITY_TEST_PASSWORD");
  EXPECT_FALSE(decode("env:UNITY_TEST_PASSWORD", plain));
  EXPECT_FALSE(decode("env:", plain));
}

TEST(PasswordCodec, FileMustBePrivateAndRegular) {
  TempDir dir;
  struct FileRow {
    const char* name;
    const char* content;
    mode_t mode;
    bool ok;
    const char* plain;
  } rows[] = {
      {"owner only, first line", "first\nsecond\n", 0600, true, "first"},
      {"CRLF line end", "first\r\nsecond", 0600, true, "first"},
      {"readable by others", "pw\n", 0644, false, ""},
      {"empty first line", "\nsecond\n", 0600, false, ""},
  };
  int index = 0;
  for (const FileRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string file = dir.write("pw" + std::to_string(index++), row.content, row.mode);
    std::string plain;
    EXPECT_EQ(decode("file:" + file, plain), row.ok);
    EXPECT_EQ(plain, row.plain);
  }
  std::string plain;
  EXPECT_FALSE(decode("file:" + dir.path(), plain)) << "a directory";
  // A FIFO must be refused, not waited on for a writer.
  const std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(decode("file:" + fifo, plain));
}

TEST(PasswordCodec, OutputMustFitWithItsNul) {
  std::string plain;
  EXPECT_FALSE(decode("base64:c2VjcmV0", plain, 6)) << "6 characters need 7 bytes";
  EXPECT_TRUE(decode("base64:c2VjcmV0", plain, 7));

  unsigned long length = 2048;
  char out[8];
  EXPECT_EQ(PasswordCodec().decode(nullptr, out, &length), 0);
  EXPECT_EQ(PasswordCodec().decode("base64:c2VjcmV0", nullptr, &length), 0);
  EXPECT_EQ(PasswordCodec().decode("base64:c2VjcmV0", out, nullptr), 0);
}

}  // namespace
