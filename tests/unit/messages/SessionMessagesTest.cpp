#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/EMCUnityJSON.h"

namespace {

const char kArray[] = "10.0.0.5";
const char kApi[] = "https://10.0.0.5/api/";

struct Request {
  std::string uri;
  std::string body;
  int method;
  int opType;
};

template <typename Message>
Request Build(Message& message) {
  message.Init(9, "5.0");
  std::string body = "stale";
  EXPECT_TRUE(message.BuildRequest(body));
  return Request{message.GetNextURI(), body, message.getHttpReqType(), message.getOpType()};
}

TEST(SessionRequests, LoginAndLogout) {
  EMCUnityJsonLogin login;
  login.Initialize(kArray);
  DiagLogCapture capture;
  const Request in = Build(login);
  EXPECT_EQ(in.uri, std::string(kApi) + "types/loginSessionInfo/instances");
  EXPECT_EQ(in.body, "");
  EXPECT_EQ(in.method, UNITY_HTTP_GET);
  EXPECT_EQ(in.opType, UNITY_OP_LOGIN);
  EXPECT_TRUE(capture.contains("Request Body : [EMPTY]",
                               "virtual bool EMCUnityJsonLogin::BuildRequest(std::string&)"));

  EMCUnityJsonLogOut logout;
  logout.Initialize(kArray, false);
  const Request out = Build(logout);
  EXPECT_EQ(out.uri, std::string(kApi) + "types/loginSessionInfo/action/logout");
  EXPECT_EQ(out.body, "{\"localCleanupOnly\": \"false\"}");
  EXPECT_EQ(out.body.size(), 29u);
  EXPECT_EQ(out.method, UNITY_HTTP_POST);
  EXPECT_EQ(out.opType, UNITY_OP_LOGOUT);
  logout.Initialize(kArray, true);
  EXPECT_EQ(Build(logout).body, "{\"localCleanupOnly\": \"true\"}");
}

TEST(SessionRequests, SystemQueries) {
  EMCUnityJsonGetBasicSystemInfo basic;
  basic.Initialize(kArray);
  const Request b = Build(basic);
  EXPECT_EQ(b.uri, std::string(kApi) +
                       "types/basicSystemInfo/instances?&fields=apiVersion,earliestApiVersion,"
                       "model,name,softwareVersion");
  EXPECT_EQ(b.body, "");
  EXPECT_EQ(b.opType, UNITY_OP_REQUEST);

  EMCUnityJsonGetSystemInfo system;
  system.Initialize(kArray);
  EXPECT_EQ(Build(system).uri, std::string(kApi) + "types/system/instances?&fields=serialNumber");
}

const char kBasicEntry[] =
    R"({"content": {"model": "Unity 380F", "name": "APM001", "softwareVersion": "5.3.0",
                    "apiVersion": "13.0", "earliestApiVersion": "4.0", "id": "0"}})";

std::vector<_UnityBasicSystemInfo> ParseBasic(EMCUnityJsonGetBasicSystemInfo& message,
                                              const std::string& text, bool expected) {
  std::string answer = text;
  EXPECT_EQ(message.ParseResponse(answer), expected) << text;
  std::vector<_UnityBasicSystemInfo> list;
  message.GetBasicSystemInfo(list);
  return list;
}

TEST(BasicSystemInfo, ReadsEntriesOrTheSingleObject) {
  EMCUnityJsonGetBasicSystemInfo message;
  message.Initialize(kArray);
  Build(message);
  auto list = ParseBasic(message,
                         std::string(R"({"@base": "x", "entries": [)") + kBasicEntry +
                             R"(, {"updated": "no content"}]})",
                         true);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].model, "Unity 380F");
  EXPECT_EQ(list[0].name, "APM001");
  EXPECT_EQ(list[0].softwareVersion, "5.3.0");
  EXPECT_EQ(list[0].apiVersion, "13.0");
  EXPECT_EQ(list[0].earliestApiVersion, "4.0");
  EXPECT_EQ(list[0].serialNumber, "");
  EXPECT_EQ(list[1].model, "");  // element without content: defaults

  EMCUnityJsonGetBasicSystemInfo single;
  single.Initialize(kArray);
  Build(single);
  list = ParseBasic(single, kBasicEntry, true);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].apiVersion, "13.0");
  // A second page appends.
  list = ParseBasic(single, kBasicEntry, true);
  EXPECT_EQ(list.size(), 2u);
}

TEST(BasicSystemInfo, FailuresKeepEarlierRecords) {
  const struct {
    const char* name;
    const char* second;
  } cases[] = {
      {"MissingField", R"({"content": {"model": "m", "name": "n", "softwareVersion": "s",
                          "apiVersion": "a"}})"},
      {"NumberForString", R"({"content": {"model": 380, "name": "n", "softwareVersion": "s",
                             "apiVersion": "a", "earliestApiVersion": "e"}})"},
      {"NullField", R"({"content": {"model": "m", "name": null, "softwareVersion": "s",
                       "apiVersion": "a", "earliestApiVersion": "e"}})"},
  };
  for (const auto& c : cases) {
    EMCUnityJsonGetBasicSystemInfo message;
    message.Initialize(kArray);
    Build(message);
    const auto list = ParseBasic(
        message, std::string(R"({"entries": [)") + kBasicEntry + ", " + c.second + "]}", false);
    EXPECT_EQ(list.size(), 1u) << c.name;
  }
}

TEST(BasicSystemInfo, ErrorAnswerLeavesTheListEmpty) {
  EMCUnityJsonGetBasicSystemInfo message;
  message.Initialize(kArray);
  Build(message);
  std::vector<_UnityBasicSystemInfo> list(1);
  std::string answer = R"({"error": {"errorCode": 131149829, "messages": [{"en-US": "gone"}]}})";
  EXPECT_TRUE(message.ParseResponse(answer));
  EXPECT_FALSE(message.GetBasicSystemInfo(list));
  EXPECT_TRUE(list.empty());
  answer = "garbage";
  EXPECT_FALSE(message.ParseResponse(answer));
}

TEST(SystemInfo, ReadsTheFirstElementOnly) {
  const struct {
    const char* name;
    const char* answer;
    bool result;
    const char* serial;
  } cases[] = {
      {"Entries", R"({"entries": [{"content": {"serialNumber": "APM00123"}}, {"content": {}}]})",
       true, "APM00123"},
      {"SingleObject", R"({"content": {"serialNumber": "APM00123"}})", true, "APM00123"},
      {"NoEntries", R"({"entries": []})", false, ""},
      {"NoContent", R"({"entries": [{"id": "0"}]})", true, ""},
      {"MissingSerial", R"({"entries": [{"content": {"id": "0"}}]})", false, ""},
      {"SerialNotString", R"({"entries": [{"content": {"serialNumber": 5}}]})", false, ""},
  };
  for (const auto& c : cases) {
    EMCUnityJsonGetSystemInfo message;
    message.Initialize(kArray);
    Build(message);
    std::string answer = c.answer;
    EXPECT_EQ(message.ParseResponse(answer), c.result) << c.name;
    _UnitySystemInfo info;
    info.serialNumber = "old";
    message.GetSystemInfo(info);
    EXPECT_EQ(info.serialNumber, c.serial) << c.name;
  }
}

class JobDetailsTest : public testing::Test {
 protected:
  void SetUp() override {
    message.Initialize(kArray);
    message.Init(9, "5.0");
  }
  bool Parse(const std::string& text) {
    std::string answer = text;
    const bool result = message.ParseResponse(answer);
    message.GetJobDetail(detail);
    return result;
  }
  EMCUnityJsonGetJobDetails message;
  _UnityJobDetail detail;
};

TEST_F(JobDetailsTest, StartingAnswerAddressesTheJob) {
  // The 202 answer of the request that started the job: a bare job object.
  ASSERT_TRUE(Parse(R"({"id": "N-67", "state": 2, "name": "Common UIS job", "progressPct": 0})"));
  EXPECT_EQ(detail.id, "N-67");
  EXPECT_EQ(detail.state, 2);
  std::string body = "x";
  ASSERT_TRUE(message.BuildRequest(body));
  EXPECT_EQ(body, "");
  EXPECT_EQ(message.GetNextURI(),
            std::string(kApi) + "instances/job/N-67?&fields=id,messageOut,parametersOut,state");
}

TEST_F(JobDetailsTest, RunningJobReadsNoOutputs) {
  ASSERT_TRUE(Parse(R"({"content": {"id": "N-1", "state": 2, "parametersOut": {"id": "x"},
      "messageOut": {"errorCode": 7, "httpStatusCode": 500, "messages": [{"message": "m"}]}}})"));
  EXPECT_EQ(detail.state, 2);
  EXPECT_EQ(detail.parametersOut, "");
  EXPECT_EQ(detail.errorCode, 0u);
  EXPECT_EQ(detail.httpStatusCode, 0);
  EXPECT_EQ(detail.errorMessage, "");
}

TEST_F(JobDetailsTest, SuccessfulJobRewrapsItsOutput) {
  DiagLogCapture capture;
  ASSERT_TRUE(Parse(R"({"content": {"id": "N-2", "state": 4, "parametersOut": {"id": "38654705846"},
      "messageOut": {"errorCode": 0, "httpStatusCode": 201, "messages": []}}})"));
  EXPECT_EQ(detail.state, 4);
  EXPECT_EQ(detail.parametersOut, R"({"content": {"id": "38654705846"}})");
  jsondoc::Object output;
  ASSERT_TRUE(output.parse(detail.parametersOut));
  ASSERT_EQ(output.size(), 1u);
  ASSERT_TRUE(output.has<jsondoc::Object>("content"));
  EXPECT_EQ(output.get<jsondoc::Object>("content").get<jsondoc::String>("id"), "38654705846");
  EXPECT_EQ(detail.httpStatusCode, 201);
  EXPECT_FALSE(capture.contains("failed"));
}

TEST_F(JobDetailsTest, FailedJobIsReportedInTheDetail) {
  DiagLogCapture capture;
  ASSERT_TRUE(Parse(R"({"content": {"id": "N-3", "state": 5, "parametersOut": null,
      "messageOut": {"errorCode": 100666111, "httpStatusCode": 422,
                     "messages": [{"errorCode": 100666111, "message": "No space left"}]}}})"));
  EXPECT_EQ(detail.state, 5);
  EXPECT_EQ(detail.parametersOut, "");
  EXPECT_EQ(detail.errorCode, 100666111u);
  EXPECT_EQ(detail.httpStatusCode, 422);
  EXPECT_EQ(detail.errorMessage, "No space left");
  const auto records = capture.records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().text, "Job [N-3] failed [100666111:No space left]");
  EXPECT_EQ(records.back().tag,
            "virtual bool EMCUnityJsonGetJobDetails::ParseResponse(std::string&)");
  EXPECT_EQ(records.back().level, -1);
  EXPECT_EQ(records.back().jobId, 9);
}

TEST_F(JobDetailsTest, HttpErrorWithoutCodeIsLoggedAsFailed) {
  DiagLogCapture capture;
  ASSERT_TRUE(Parse(R"({"id": "N-4", "state": 4, "messageOut": {"httpStatusCode": 409}})"));
  EXPECT_TRUE(capture.contains("Job [N-4] failed [0:]"));
}

TEST_F(JobDetailsTest, MalformedAnswers) {
  const struct {
    const char* name;
    const char* answer;
    bool result;
  } cases[] = {
      {"MissingId", R"({"content": {"state": 4}})", false},
      {"MissingState", R"({"content": {"id": "N-5"}})", false},
      {"StateNotNumber", R"({"content": {"id": "N-5", "state": "4"}})", false},
      {"StateOutOfRange", R"({"content": {"id": "N-5", "state": 4294967300}})", false},
      {"IdNotString", R"({"content": {"id": 5, "state": 4}})", false},
      {"OutputsOfOtherTypes",
       R"({"content": {"id": "N-5", "state": 4, "parametersOut": "x", "messageOut": [1]}})", true},
      {"MessageFieldsOfOtherTypes",
       R"({"content": {"id": "N-5", "state": 4, "messageOut": {"errorCode": "1",
           "httpStatusCode": null, "messages": [{"message": 3}]}}})",
       true},
      {"Unparsable", "[1, 2]", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.answer), c.result) << c.name;
    if (c.result) {
      EXPECT_EQ(detail.parametersOut, "") << c.name;
      EXPECT_EQ(detail.errorCode, 0u) << c.name;
      EXPECT_EQ(detail.httpStatusCode, 0) << c.name;
      EXPECT_EQ(detail.errorMessage, "") << c.name;
    }
  }
}

}  // namespace
