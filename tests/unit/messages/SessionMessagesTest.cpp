#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/unit/messages/BuiltRequest.h"
#include "unity/EMCUnityJSON.h"

namespace {

using unitytest::Build;

const std::string kBasicEntry =
    R"({"content": {"model": "Unity 380F", "name": "APM001", "softwareVersion": "5.3.0",
                    "apiVersion": "13.0", "earliestApiVersion": "4.0"}})";

TEST(BasicSystemInfo, EntriesSingleObjectAndFailures) {
  const struct {
    const char* name;
    std::string answer;
    bool result;
    std::size_t records;
  } cases[] = {
      {"Entries", R"({"entries": [)" + kBasicEntry + R"(, {"id": "no content"}]})", true, 2},
      {"SingleObject", kBasicEntry, true, 1},
      {"MissingFieldInSecond",
       R"({"entries": [)" + kBasicEntry + R"(, {"content": {"model": "m"}}]})", false, 1},
      {"NumberForString",
       R"({"content": {"model": 380, "name": "n", "softwareVersion": "s", "apiVersion": "a",
                       "earliestApiVersion": "e"}})",
       false, 0},
      {"ArrayError", R"({"error": {"errorCode": 131149829}})", true, 0},
  };
  for (const auto& c : cases) {
    EMCUnityJsonGetBasicSystemInfo message;
    SCOPED_TRACE(c.name);
    message.Initialize("10.0.0.5");
    EXPECT_TRUE(Build(message).built);
    std::string answer = c.answer;
    EXPECT_EQ(message.ParseResponse(answer), c.result);
    std::vector<_UnityBasicSystemInfo> list(3);
    EXPECT_EQ(message.GetBasicSystemInfo(list), c.name != std::string("ArrayError"));
    ASSERT_EQ(list.size(), c.records);
    if (c.records == 0) continue;
    EXPECT_EQ(list[0].model, "Unity 380F");
    EXPECT_EQ(list[0].apiVersion, "13.0");
    EXPECT_EQ(list[0].earliestApiVersion, "4.0");
    EXPECT_EQ(list.back().name, c.records == 2 ? "" : "APM001");
  }
}

TEST(SystemInfo, ReadsTheFirstElementOnly) {
  const struct {
    const char* name;
    const char* answer;
    bool result;
    const char* serial;
  } cases[] = {
      {"Entries", R"({"entries": [{"content": {"serialNumber": "APM1"}}, {"content": {}}]})", true,
       "APM1"},
      {"SingleObject", R"({"content": {"serialNumber": "APM1"}})", true, "APM1"},
      {"NoEntries", R"({"entries": []})", false, ""},
      {"NoContent", R"({"entries": [{"id": "0"}]})", true, ""},
      {"SerialMissing", R"({"entries": [{"content": {"id": "0"}}]})", false, ""},
      {"SerialNotString", R"({"entries": [{"content": {"serialNumber": 5}}]})", false, ""},
  };
  for (const auto& c : cases) {
    EMCUnityJsonGetSystemInfo message;
    SCOPED_TRACE(c.name);
    message.Initialize("10.0.0.5");
    EXPECT_TRUE(Build(message).built);
    std::string answer = c.answer;
    EXPECT_EQ(message.ParseResponse(answer), c.result);
    _UnitySystemInfo info;
    message.GetSystemInfo(info);
    EXPECT_EQ(info.serialNumber, c.serial);
  }
}

class JobDetailsTest : public testing::Test {
 protected:
  bool Parse(const std::string& text) {
    message.Initialize("10.0.0.5");
    message.Init(9, "5.0");
    std::string answer = text;
    const bool result = message.ParseResponse(answer);
    message.GetJobDetail(detail);
    return result;
  }
  // id|state|parametersOut|httpStatusCode|errorCode|errorMessage
  std::string Detail() const {
    return detail.id + "|" + std::to_string(detail.state) + "|" + detail.parametersOut + "|" +
           std::to_string(detail.httpStatusCode) + "|" + std::to_string(detail.errorCode) + "|" +
           detail.errorMessage;
  }
  EMCUnityJsonGetJobDetails message;
  _UnityJobDetail detail;
};

TEST_F(JobDetailsTest, RunningJobReadsNoOutputs) {
  // The 202 answer of the request that started the job is a bare job object.
  ASSERT_TRUE(Parse(R"({"id": "N-67", "state": 2, "parametersOut": {"id": "x"},
      "messageOut": {"errorCode": 7, "httpStatusCode": 500, "messages": [{"message": "m"}]}})"));
  EXPECT_EQ(Detail(), "N-67|2||0|0|");
}

TEST_F(JobDetailsTest, FailedJobIsReportedInTheDetail) {
  DiagLogCapture capture;
  ASSERT_TRUE(Parse(R"({"content": {"id": "N-3", "state": 5, "parametersOut": null,
      "messageOut": {"errorCode": 100666111, "httpStatusCode": 422,
                     "messages": [{"errorCode": 100666111, "message": "No space left"}]}}})"));
  EXPECT_EQ(Detail(), "N-3|5||422|100666111|No space left");
  const auto lines = capture.records();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().text, "Job [N-3] failed [100666111:No space left]");
  EXPECT_EQ(lines.back().tag,
            "virtual bool EMCUnityJsonGetJobDetails::ParseResponse(std::string&)");
  EXPECT_EQ(lines.back().level, -1);
  EXPECT_EQ(lines.back().jobId, 9);
}

TEST_F(JobDetailsTest, MalformedAnswers) {
  const struct {
    const char* name;
    const char* answer;
    bool result;
  } cases[] = {
      {"MissingState", R"({"content": {"id": "N-5"}})", false},
      {"StateNotNumber", R"({"content": {"id": "N-5", "state": "4"}})", false},
      {"StateOutOfRange", R"({"content": {"id": "N-5", "state": 4294967300}})", false},
      {"IdNotString", R"({"content": {"id": 5, "state": 4}})", false},
      {"OutputsOfOtherTypes",
       R"({"content": {"id": "N-5", "state": 4, "parametersOut": "x", "messageOut": {"errorCode":
           "1", "httpStatusCode": null, "messages": [{"message": 3}]}}})",
       true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.answer), c.result);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(detail.parametersOut + detail.errorMessage, "");
    EXPECT_EQ(detail.errorCode, 0u);
  }
}

}  // namespace
