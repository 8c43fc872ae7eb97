#include "platform/DiagLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/SleepMillis.h"
#include "tests/support/TempDir.h"

namespace {

// Sends the log to a private file and restores the process-wide settings afterwards.
class DiagLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedLevel_ = diaglog::level();
    file_ = dir_.path() + "/log.txt";
    ASSERT_TRUE(diaglog::setFile(file_));
  }
  void TearDown() override {
    diaglog::setFile("");
    diaglog::setLevel(savedLevel_);
    diaglog::setQuiet(false);
    unsetenv("UNITY_LOG_LEVEL");
    unsetenv("UNITY_LOG_FILE");
  }

  std::vector<std::string> lines() const {
    std::ifstream in(file_);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }

  TempDir dir_;
  std::string file_;
  int savedLevel_ = 0;
};

const std::regex kLinePrefix(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ )");

TEST_F(DiagLogTest, LineFormatOfTheFourCallKinds) {
  diaglog::setLevel(7);
  DiagLog log;
  log.logLevel("ManageEMCUnity::DeleteSnapshot", 0, 42, "Request to delete %s", "snap");
  log.logLevelNoJob("Extract", 5, "key %d", 7);
  log.logJob("ManageEMCUnity::SetPasswd", 9, "Error: %s", "bad");
  log.logLevelUntagged(5, 3, "Json response : [%s]", "{}");
  const std::vector<std::string> got = lines();
  const char* tails[] = {
      "job=42 L0 ManageEMCUnity::DeleteSnapshot: Request to delete snap",
      "L5 Extract: key 7",
      "job=9 L-1 ManageEMCUnity::SetPasswd: Error: bad",
      "job=3 L5 Json response : [{}]",
  };
  ASSERT_EQ(got.size(), 4u);
  for (size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(got[i]);
    std::smatch prefix;
    ASSERT_TRUE(std::regex_search(got[i], prefix, kLinePrefix));
    EXPECT_EQ(got[i].substr(prefix.length()), tails[i]);
  }
}

TEST_F(DiagLogTest, LevelFilterAndErrorsAlwaysPass) {
  diaglog::setLevel(2);
  DiagLog log;
  for (int level : {-1, 0, 2, 3, 7}) log.logLevel("t", level, 1, "level %d", level);
  diaglog::setLevel(-5);
  log.logLevel("t", -1, 1, "error still written");
  log.logLevel("t", 0, 1, "level 0 not written");
  std::string texts;
  for (const std::string& line : lines()) texts += line.substr(line.find(" t: ") + 4) + "\n";
  EXPECT_EQ(texts, "level -1\nlevel 0\nlevel 2\nerror still written\n");
}

// "level job tag: text" per record, "-" for no job.
std::string Describe(const std::vector<DiagLogRecord>& records) {
  std::string out;
  for (const DiagLogRecord& r : records) {
    out += std::to_string(r.level) + " " + (r.hasJob ? std::to_string(r.jobId) : "-") + " " +
           r.tag + ": " + r.text + "\n";
  }
  return out;
}

TEST_F(DiagLogTest, CapturesKeepRecordsAndNest) {
  diaglog::setLevel(0);
  diaglog::setQuiet(true);
  DiagLog log;
  DiagLogCapture outer(5);
  log.logLevel("A", 5, 11, "captured above the output level");
  log.logLevel("A", 6, 11, "above the capture level");
  {
    DiagLogCapture inner;
    log.logJob("B", 12, "Error: %s", "x");
    log.logLevelNoJob("C", 1, "no job");
    EXPECT_EQ(Describe(inner.records()), "-1 12 B: Error: x\n1 - C: no job\n");
    EXPECT_FALSE(inner.contains("no job", "B"));
  }
  EXPECT_EQ(outer.records().size(), 3u);
  EXPECT_TRUE(lines().empty()) << "quiet writes nothing";
}

TEST_F(DiagLogTest, LongAndMultiLineTextsStayWhole) {
  diaglog::setLevel(5);
  DiagLogCapture capture;
  const std::string big(100000, 'z');
  DiagLog log;
  log.logLevel("t", 5, 1, "[%s]", big.c_str());
  log.logLevel("t", 5, 1, "first\nsecond\r\n%c\x7f", '\x01');
  log.logLevel("t", 5, 1, "%lc", static_cast<wint_t>(0x100));  // no such character here
  const std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_NE(got[0].find("[" + big + "]"), std::string::npos);
  EXPECT_NE(got[1].find("first\\nsecond\\r\\n\\x01\\x7f"), std::string::npos);
  const std::vector<DiagLogRecord> r = capture.records();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].text.size(), big.size() + 2);
  EXPECT_EQ(r[1].text, "first\nsecond\r\n\x01\x7f") << "captures keep the text as formatted";
  EXPECT_EQ(r[2].text, "(unformattable log text)");
}

TEST_F(DiagLogTest, ConcurrentLinesNeverInterleave) {
  diaglog::setLevel(0);
  constexpr int kThreads = 8;
  constexpr int kLines = 200;
  // Lengths beyond the pipe buffer size, where a split write would show.
  auto pad = [](int t) { return std::string(static_cast<size_t>(100 + t * 1000), "abcdefgh"[t]); };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &pad] {
      DiagLog log;
      const std::string text = pad(t);
      for (int i = 0; i < kLines; ++i)
        log.logLevel("worker", 0, t, "%d %d %s end", t, i, text.c_str());
    });
  }
  for (std::thread& th : threads) th.join();

  std::set<std::pair<int, int>> seen;
  for (const std::string& line : lines()) {
    const size_t job = line.find(" job=");
    ASSERT_NE(job, std::string::npos) << line.substr(0, 200);
    ASSERT_TRUE(std::regex_search(line.substr(0, job + 1), kLinePrefix)) << line.substr(0, 200);
    const int t = line[job + 5] - '0';
    ASSERT_TRUE(t >= 0 && t < kThreads) << line.substr(0, 200);
    const int i = std::atoi(line.c_str() + job + std::strlen(" job=0 L0 worker: 0 "));
    ASSERT_EQ(line.substr(job), " job=" + std::to_string(t) + " L0 worker: " + std::to_string(t) +
                                    " " + std::to_string(i) + " " + pad(t) + " end");
    seen.insert({t, i});
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

TEST_F(DiagLogTest, SettingsFromTheEnvironment) {
  const std::string envFile = dir_.path() + "/env.txt";
  setenv("UNITY_LOG_LEVEL", "3", 1);
  setenv("UNITY_LOG_FILE", envFile.c_str(), 1);
  diaglog::reloadFromEnvironment();
  EXPECT_EQ(diaglog::level(), 3);
  DiagLog().logLevelNoJob("t", 3, "to the env file");
  file_ = envFile;
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_NE(lines()[0].find("to the env file"), std::string::npos);

  setenv("UNITY_LOG_LEVEL", "3x", 1);
  diaglog::reloadFromEnvironment();
  EXPECT_EQ(diaglog::level(), 0) << "an unreadable level falls back to 0";
  EXPECT_FALSE(diaglog::setFile(dir_.path() + "/no/such/dir/log"));
}

// A hook may replace itself (it runs outside the hook's lock); without a hook the wait is real.
TEST(SleepMillis, HookReplacesTheWait) {
  std::vector<unsigned long> calls;
  SetSleepHook([&calls](unsigned long ms) {
    calls.push_back(ms);
    SetSleepHook({});
  });
  SleepMillis(5000, __FILE__, __LINE__);
  SleepMillis(0, __FILE__, __LINE__);
  EXPECT_EQ(calls, std::vector<unsigned long>{5000});
}

}  // namespace
