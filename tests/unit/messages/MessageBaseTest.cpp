#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "unity/EMCUnityJSON.h"

namespace {

// A bare message whose protected state the tests set directly.
class ProbeMessage : public EMCUnityJsonBase {
 public:
  ProbeMessage(_UNITY_http_req_type_ method, const std::string& resource,
               const std::string& action = "") {
    httpReqType = method;
    resourceType = resource;
    actionName = action;
    Initialize("array.example");
  }
  using EMCUnityJsonBase::fieldKeys;
  using EMCUnityJsonBase::instanceId;
  using EMCUnityJsonBase::timeout;
};

const char kPrefix[] = "https://array.example/api/";

struct UriCase {
  const char* name;
  _UNITY_http_req_type_ method;
  const char* action;
  const char* instance;
  long timeout;
  std::vector<const char*> keys;
  const char* query;
  const char* uri;  // after the prefix
};

class MakeUriTest : public testing::TestWithParam<UriCase> {};

TEST_P(MakeUriTest, BuildsTheAddress) {
  const UriCase& c = GetParam();
  ProbeMessage message(c.method, "snap", c.action);
  message.instanceId = c.instance;
  message.timeout = c.timeout;
  for (const char* key : c.keys) message.fieldKeys[key] = nullptr;
  std::string uri;
  message.MakeURI(uri, c.query);
  EXPECT_EQ(uri, std::string(kPrefix) + c.uri);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, MakeUriTest,
    testing::Values(
        UriCase{"GetTypeNoFields", UNITY_HTTP_GET, "", "", -1, {}, "", "types/snap/instances?"},
        UriCase{"GetFieldsSorted",
                UNITY_HTTP_GET,
                "",
                "",
                -1,
                {"name", "id", "lun.id"},
                "",
                "types/snap/instances?&fields=id,lun.id,name"},
        UriCase{"GetNeverCarriesTimeout",
                UNITY_HTTP_GET,
                "",
                "",
                20,
                {"id"},
                "",
                "types/snap/instances?&fields=id"},
        UriCase{"GetInstanceWithQuery",
                UNITY_HTTP_GET,
                "",
                "38",
                -1,
                {"id"},
                "filter=(a eq 1)",
                "instances/snap/38?&fields=id&filter=(a+eq+1)"},
        UriCase{"DeleteInstance", UNITY_HTTP_DELETE, "", "38", -1, {}, "", "instances/snap/38?"},
        UriCase{"PostActionTimeout",
                UNITY_HTTP_POST,
                "copy",
                "38",
                20,
                {},
                "",
                "instances/snap/38/action/copy?&timeout=20"},
        UriCase{"TimeoutZeroIsSent",
                UNITY_HTTP_DELETE,
                "",
                "38",
                0,
                {},
                "",
                "instances/snap/38?&timeout=0"},
        UriCase{"PostWithoutActionIsCreation",
                UNITY_HTTP_POST,
                "",
                "38",
                -1,
                {},
                "",
                "types/snap/instances?"},
        UriCase{"PostActionWithoutInstance",
                UNITY_HTTP_POST,
                "copy",
                "",
                -1,
                {},
                "",
                "types/snap/instances?"},
        UriCase{"PostIgnoresFieldKeys",
                UNITY_HTTP_POST,
                "",
                "",
                -1,
                {"id"},
                "",
                "types/snap/instances?"},
        UriCase{
            "SpacesInInstance", UNITY_HTTP_DELETE, "", "a b", -1, {}, "", "instances/snap/a+b?"}),
    [](const testing::TestParamInfo<UriCase>& row) { return row.param.name; });

TEST(MakeUri, SpacesInTheAddressBecomePlus) {
  ProbeMessage message(UNITY_HTTP_GET, "snap");
  message.Initialize("my array");
  std::string uri;
  message.MakeURI(uri, "");
  EXPECT_EQ(uri, "https://my+array/api/types/snap/instances?");
}

TEST(BaseBuildRequest, EmptiesBodyAndLogsTheTrace) {
  ProbeMessage message(UNITY_HTTP_DELETE, "snap");
  message.instanceId = "7";
  message.setTimeout(20);
  DiagLogCapture capture;
  std::string body = "stale";
  ASSERT_TRUE(message.BuildRequest(body));
  EXPECT_EQ(body, "");
  EXPECT_EQ(message.GetNextURI(), "https://array.example/api/instances/snap/7?&timeout=20");
  EXPECT_TRUE(capture.contains(
      "URI : [https://array.example/api/instances/snap/7?&timeout=20], \n Request Body : [EMPTY]",
      "virtual bool EMCUnityJsonBase::BuildRequest(std::string&)"));
}

struct ErrorCase {
  const char* name;
  const char* answer;
  bool result;
  bool success;
  unsigned long long code;
  const char* text;
};

class ParseErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(ParseErrorTest, ReadsTheErrorObject) {
  const ErrorCase& c = GetParam();
  ProbeMessage message(UNITY_HTTP_GET, "snap");
  std::string answer = c.answer;
  EXPECT_EQ(message.ParseResponse(answer), c.result);
  EXPECT_EQ(message.isSuccess(), c.success);
  unsigned long long code = 1;
  std::string text = "x";
  message.getError(code, text);
  EXPECT_EQ(code, c.code);
  EXPECT_EQ(text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ParseErrorTest,
    testing::Values(
        ErrorCase{"CodeAndMessage",
                  R"({"error": {"errorCode": 131149829, "httpStatusCode": 404, "messages":
                     [{"en-US": "The requested resources do not exist"}], "created": "x"}})",
                  true, false, 131149829ULL, "The requested resources do not exist"},
        ErrorCase{
            "FirstMemberInKeyOrder",
            R"({"error": {"errorCode": 1, "messages": [{"fr": "b", "de": "a"}, {"x": "c"}]}})",
            true, false, 1, "a"},
        ErrorCase{"WithoutCodeOrMessages", R"({"error": {}})", true, false, ~0ULL, "undefined"},
        ErrorCase{"EmptyMessages", R"({"error": {"errorCode": 2, "messages": []}})", true, false, 2,
                  "undefined"},
        ErrorCase{"WrongTypedCodeAndMessages",
                  R"({"error": {"errorCode": "5", "messages": ["text", {"en-US": 3}]}})", true,
                  false, ~0ULL, "undefined"},
        ErrorCase{"NegativeCode", R"({"error": {"errorCode": -3}})", true, false, ~0ULL,
                  "undefined"},
        ErrorCase{"NoError", R"({"content": {"id": "1"}})", true, true, ~0ULL, "undefined"},
        ErrorCase{"ErrorNotAnObject", R"({"error": "boom"})", true, true, ~0ULL, "undefined"},
        ErrorCase{"EmptyAnswer", "", true, true, ~0ULL, "undefined"},
        ErrorCase{"EmptyObject", "{}", false, false, 0, ""},
        ErrorCase{"Unparsable", "<html>502</html>", false, false, 0, ""}),
    [](const testing::TestParamInfo<ErrorCase>& row) { return row.param.name; });

TEST(ParseError, LogsTheArrayError) {
  ProbeMessage message(UNITY_HTTP_GET, "snap");
  message.Init(42, "5.0");
  std::string answer = R"({"error": {"errorCode": 7, "messages": [{"en-US": "bad"}]}})";
  DiagLogCapture capture;
  ASSERT_TRUE(message.ParseError(answer));
  const std::vector<DiagLogRecord> records = capture.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].text, "Json response : [" + answer + "]");
  EXPECT_EQ(records[0].tag, "");
  EXPECT_EQ(records[0].jobId, 42);
  EXPECT_EQ(records[1].level, -1);
  EXPECT_EQ(records[1].tag, "virtual bool EMCUnityJsonBase::ParseError(std::string&)");
  EXPECT_EQ(records[1].text, "[7] : bad");
}

struct PageCase {
  const char* name;
  _UNITY_http_req_type_ method;
  const char* answer;
  const char* next;
};

class ParseNextUriTest : public testing::TestWithParam<PageCase> {};

TEST_P(ParseNextUriTest, FollowsTheNextLink) {
  const PageCase& c = GetParam();
  ProbeMessage message(c.method, "snap");
  std::string body;
  message.BuildRequest(body);
  std::string answer = c.answer;
  message.ParseNextURI(answer);
  EXPECT_EQ(message.GetNextURI(), c.next);
}

INSTANTIATE_TEST_SUITE_P(
    Links, ParseNextUriTest,
    testing::Values(
        PageCase{"NextAfterOtherRels", UNITY_HTTP_GET,
                 R"({"@base": "https://a/api/types/snap/instances?fields=id&per_page=2",
                     "links": [{"rel": "self", "href": "&page=1"}, {"rel": "next", "href": "&page=2"}],
                     "entries": []})",
                 "https://a/api/types/snap/instances?fields=id&per_page=2&page=2"},
        PageCase{
            "SpacesBecomePlus", UNITY_HTTP_GET,
            R"({"@base": "https://a/api/x?filter=a eq 1", "links": [{"rel": "next", "href": "&page=2"}]})",
            "https://a/api/x?filter=a+eq+1&page=2"},
        PageCase{"LastPage", UNITY_HTTP_GET,
                 R"({"@base": "https://a/b", "links": [{"rel": "self", "href": "&page=3"}]})", ""},
        PageCase{
            "NextWithoutHref", UNITY_HTTP_GET,
            R"({"@base": "https://a/b", "links": [{"rel": "next"}, {"rel": "next", "href": "&p=2"}]})",
            ""},
        PageCase{
            "RelNotAString", UNITY_HTTP_GET,
            R"({"@base": "https://a/b", "links": [{"rel": 1}, {"rel": "next", "href": "&p=2"}]})",
            ""},
        PageCase{"EntryNotAnObject", UNITY_HTTP_GET,
                 R"({"@base": "https://a/b", "links": ["next", {"rel": "next", "href": "&p=2"}]})",
                 ""},
        PageCase{"MissingBase", UNITY_HTTP_GET, R"({"links": [{"rel": "next", "href": "&p=2"}]})",
                 ""},
        PageCase{"EmptyBase", UNITY_HTTP_GET,
                 R"({"@base": "", "links": [{"rel": "next", "href": "&p=2"}]})", ""},
        PageCase{"LinksNotAnArray", UNITY_HTTP_GET,
                 R"({"@base": "https://a/b", "links": {"rel": "next", "href": "&p=2"}})", ""},
        PageCase{"NotAGet", UNITY_HTTP_POST,
                 R"({"@base": "https://a/b", "links": [{"rel": "next", "href": "&p=2"}]})", ""},
        PageCase{"Unparsable", UNITY_HTTP_GET, "not json", ""},
        PageCase{"Empty", UNITY_HTTP_GET, "", ""}),
    [](const testing::TestParamInfo<PageCase>& row) { return row.param.name; });

}  // namespace
